#include "nadrel/filter/filtersatz.h"

#include "velmklassen/bild/velm_pixelformat.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/render/velm_renderziel.h"
#include "velmklassen/render/velm_screen3d.h"
#include "velmklassen/render/velm_textur.h"
#include "velmklassen/render/velm_zeichenkontext.h"

#include <algorithm>

namespace Spiel {

namespace {

// Makes the output image again when it has no texture or one of another size.
void PasseBildAn(Velm_ZeichenKontext& kontext, FilterSatz::Bild& bild, uint64_t breite, uint64_t hoehe) {
    const uint64_t b = std::max<uint64_t>(1, breite / bild.mTeiler);
    const uint64_t h = std::max<uint64_t>(1, hoehe / bild.mTeiler);
    if (bild.mTextur != nullptr && bild.mTextur->mBreite == b && bild.mTextur->mHoehe == h)
        return;
    bild.mZiel.reset();
    bild.mTextur.reset();
    Velm_TexturInhalt leer;
    bild.mTextur.reset(
        kontext.ErzeugeTextur(b, h, 1, Velm_FormatA8R8G8B8 | FLAG_FLUECHTIG | FLAG_RENDERZIEL, leer));
    bild.mZiel.reset(kontext.ErzeugeRenderziel(Velm_RenderzielBeschreibung(bild.mTextur.get())));
}

} // namespace

void FilterSatz::AddFilter(const std::string& name, int32_t sequenzId) {
    const auto effekt = std::find_if(mVerfuegbar->begin(), mVerfuegbar->end(),
                                     [&](const FilterEffekt& e) { return e.mName == name; });
    if (effekt == mVerfuegbar->end())
        return;
    const auto alt = mAktiv.find(sequenzId);
    if (alt != mAktiv.end())
        Velm_Konsole::Schreibe("?FilterSatz::AddFilter( \"%s\", %d): Bislang unter SequenzID %d aktiver Filter "
                               "\"%s\" wird ersetzt.",
                               name.c_str(), sequenzId, sequenzId, alt->second->mName.c_str());
    mAktiv[sequenzId] = &*effekt;
}

void FilterSatz::SetParameter(const std::string& name, float x, float y, float z, float w) {
    for (Parameter& parameter : mParameter) {
        if (parameter.mName == name) {
            parameter.mWert[0] = x;
            parameter.mWert[1] = y;
            parameter.mWert[2] = z;
            parameter.mWert[3] = w;
            return;
        }
    }
    Velm_Konsole::Schreibe("!FilterSatz::SetParameter( \"%s\", ...): Kein Param diesen Namens bekannt.",
                           name.c_str());
}

void FilterSatz::Ausfuehren(Velm_Textur* rohbild, const Ziel& ziel, const Ressourcen& ressourcen) {
    Velm_ZeichenKontext* kontext = Velm_Screen3D::Kontext;
    if (kontext == nullptr)
        return;
    Velm_ZeichenKontext& k = *kontext;
    const uint64_t breite = ziel.mBreite;
    const uint64_t hoehe = ziel.mHoehe;

    for (Bild& bild : mBilder)
        if (bild.mArt == kBildAusgabe)
            PasseBildAn(k, bild, breite, hoehe);
    // The scene image and "hdr_ref" change from run to run; "textur" images have no content.
    const auto texturVon = [&](const Bild& bild) -> Velm_Textur* {
        switch (bild.mArt) {
        case kBildAusgabe:
            return bild.mTextur.get();
        case kBildRoh:
            return rohbild;
        case kBildHdr:
            return ressourcen.mHdrTextur;
        default:
            return nullptr;
        }
    };

    static const std::string kPosVersatz = "gPosOffset";
    k.SetRueckseite();
    for (const Schritt& schritt : mSchritte) {
        const Filter& filter = *schritt.mFilter;
        Velm_Programm* programm = filter.mProgramm.get();
        if (programm == nullptr)
            continue;
        k.SetProgramm(programm);
        k.SetVertexBuffer(0, ressourcen.mQuadVertices);
        k.SetIndexBuffer(ressourcen.mQuadIndizes);
        k.SetTiefeZustand(k.mStandardTiefe);

        if (schritt.mAusgabe < 0) {
            k.SetRenderZiel(ziel.mRenderziel);
            k.SetRenderBereich(ziel.mX, ziel.mY, breite, hoehe);
        } else {
            const Bild& ausgabe = mBilder[size_t(schritt.mAusgabe)];
            const uint64_t teiler = uint64_t(filter.mTeiler);
            k.SetRenderZiel(ausgabe.mArt == kBildHdr ? ressourcen.mHdrZiel : ausgabe.mZiel.get());
            k.SetRenderBereich(0, 0, std::max<uint64_t>(1, breite / teiler), std::max<uint64_t>(1, hoehe / teiler));
        }
        k.SetAlphaZustand(filter.mAlphaZustand.get());

        for (size_t j = 0; j < filter.mEingaben.size(); ++j) {
            const Filter::Eingabe& eingabe = filter.mEingaben[j];
            const Bild& bild = mBilder[size_t(schritt.mEingaben[j])];
            Velm_Textur* textur = texturVon(bild);
            const uint32_t sampler = (eingabe.mAdressierung != 0 ? 1 : 0) + (eingabe.mFilterung != 0 ? 2 : 0);
            // An image without content binds no texture, so the pass never reads a stale one.
            k.SetSampler(programm->GetSampler(eingabe.mSampler), ressourcen.mSampler[sampler], textur);
            // A name the shaders do not use gives a handle the context ignores.
            const Velm_KonstantenHandle konstante = programm->GetKonstante(eingabe.mKonstante);
            if (textur == nullptr || textur->mBreite == 0 || textur->mHoehe == 0) {
                k.SetProgrammKonstante(konstante, 0, 0, 0, 0);
                continue;
            }
            const float tb = float(textur->mBreite);
            const float th = float(textur->mHoehe);
            k.SetProgrammKonstante(konstante, float(breite / bild.mTeiler) / tb, float(hoehe / bild.mTeiler) / th,
                                   1.0f / tb, 1.0f / th);
        }

        const std::vector<FilterEffekt::Param>& parameter = schritt.mEffekt->mParameter;
        for (size_t p = 0; p < parameter.size(); ++p) {
            if (schritt.mParameter[p] < 0)
                continue;
            const float* wert = mParameter[size_t(schritt.mParameter[p])].mWert;
            k.SetProgrammKonstante(programm->GetKonstante(parameter[p].mKonstante), wert[0], wert[1], wert[2],
                                   wert[3]);
        }

        k.SetProgrammKonstante(programm->GetKonstante(kPosVersatz),
                               -0.5f / float(std::max<uint64_t>(1, k.mBereichBreite)),
                               0.5f / float(std::max<uint64_t>(1, k.mBereichHoehe)), 0, 0);

        k.ZeichneIndexElemente();
    }
}

} // namespace Spiel
