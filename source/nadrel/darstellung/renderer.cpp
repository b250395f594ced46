#include "nadrel/darstellung/renderer.h"

#include "nadrel/filter/filtersatz.h"
#include "velmklassen/render/velm_renderziel.h"
#include "velmklassen/render/velm_screen3d.h"
#include "velmklassen/render/velm_textur.h"
#include "velmklassen/render/velm_zeichenkontext.h"

namespace Spiel {

namespace {

// 0x1a1a1a with alpha 0.
constexpr TAlphaFarbe kHintergrund{26 / 255.0f, 26 / 255.0f, 26 / 255.0f, 0};

} // namespace

Renderer::Renderer(const std::filesystem::path& datenOrdner) : mFilter(datenOrdner) {
    mAtlas.mZentriert = true;
}

void Renderer::ZeichneSzene(Szene& welt, uint64_t hoehe, const Vektor& kamera, float gieren, float nicken,
                            FilterSatz& filter) {
    Velm_ZeichenKontext& kontext = *Velm_Screen3D::Kontext;
    const uint64_t schirmBreite = uint64_t(Velm_Screen3D::mDarstellung.mBreite);
    const uint64_t schirmHoehe = uint64_t(Velm_Screen3D::mDarstellung.mHoehe);
    if (!mSzenenTextur || mSzenenTextur->mBreite != schirmBreite || mSzenenTextur->mHoehe != schirmHoehe) {
        mSzenenZiel.reset();
        mSzenenTextur.reset();
        Velm_TexturInhalt leer;
        mSzenenTextur.reset(kontext.ErzeugeTextur(schirmBreite, schirmHoehe, 1,
                                                  Velm_FormatA8R8G8B8 | FLAG_FLUECHTIG | FLAG_RENDERZIEL, leer));
        mSzenenZiel.reset(kontext.ErzeugeRenderziel(Velm_RenderzielBeschreibung(mSzenenTextur.get())));
    }

    BerechneBild(welt, hoehe, kamera, gieren, nicken, float(schirmBreite), float(schirmHoehe), mBild);
    const uint64_t breite = Bildbreite(hoehe);

    if (mAtlas.HatGrafik(0))
        mAtlas.Entfernen(0);
    const TBereich bereich{reinterpret_cast<uint8_t*>(mBild.data()), Velm_FormatA8R8G8B8, breite, hoehe,
                           4 * breite};
    mAtlas.AddGrafik(0, bereich, 0, 0, breite, hoehe);
    mAtlas.ErzeugeMipStufen();

    // The largest power-of-two enlargement that fits the screen, at least 1.
    uint64_t w = breite, h = hoehe;
    while (2 * w <= schirmBreite && 2 * h <= schirmHoehe) {
        w *= 2;
        h *= 2;
    }
    kontext.SetRenderZiel(mSzenenZiel.get());
    kontext.Leeren(1, kHintergrund);
    mAtlas.ZeichneGrafik(0, float(schirmBreite >> 1), float(schirmHoehe >> 1), TAlphaFarbe{1, 1, 1, 1},
                         float(w), float(h), 0);
    mAtlas.Zeichne();

    const FilterSatz::Ziel ziel{nullptr, 0, 0, schirmBreite, schirmHoehe};
    filter.Ausfuehren(mSzenenTextur.get(), ziel, mFilter.Ressourcen());
}

} // namespace Spiel
