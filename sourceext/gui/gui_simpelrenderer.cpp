#include "gui/gui_simpelrenderer.h"

#include "gui/gui_widgets.h"
#include "velmklassen/kern/velm_zeitgeber.h"
#include "velmklassen/render/velm_blockgfx3d.h"
#include "velmklassen/render/velm_font3d.h"
#include "velmklassen/render/velm_screen3d.h"
#include "velmklassen/render/velm_zeichenkontext.h"

#include <algorithm>
#include <cmath>

namespace Gui {

namespace {

constexpr float kPi = 3.1415927f;

float Klemme(float x) {
    return std::clamp(x, 0.0f, 1.0f);
}

float SekundenSeit(uint64_t zeit) {
    return float(Jetzt() - zeit) * gZaehlerPeriodeF;
}

// Fades in over 0.5 s from the show time and, while hidden, out over 0.5 s from the hide time.
float Sichtbarkeit(const Basis& element) {
    float a = std::sqrt(Klemme(2 * SekundenSeit(element.ZeigeZeit())));
    if (!element.IstEffektivAktiv())
        a *= SimpelRenderer::Verlauf(Klemme(2 * SekundenSeit(element.VersteckZeit())), 5);
    return a;
}

// Pixel counts truncated; what lies below zero counts as zero.
uint64_t Pixel(float wert) {
    return wert > 0 ? uint64_t(wert) : 0;
}

uint32_t Ausrichtung(float wert, uint32_t anfang, uint32_t mitte, uint32_t ende) {
    return wert < 0.3f ? anfang : wert > 0.7f ? ende : mitte;
}

} // namespace

float SimpelRenderer::Verlauf(float t, uint32_t art) {
    constexpr float kVierPi = 12.566371f;
    switch (art) {
    case 0:
        return t;
    case 1:
        return 1 - t;
    case 2:
        return t * t;
    case 3:
        return 1 - t * t;
    case 4:
        return std::sqrt(t);
    case 5:
        return 1 - std::sqrt(t);
    case 6:
        return 0.5f - 0.5f * std::cos(kPi * t);
    case 7:
        return 0.5f * (std::cos(kPi * t) + 1);
    case 8:
        return 1 - std::cos(kVierPi * t) * (1 - t);
    case 9:
        return std::cos(kVierPi * t) * (1 - t);
    case 10:
        return 1 - std::abs(std::cos(kVierPi * t)) * (1 - t);
    case 11:
        return std::abs(std::cos(kVierPi * t)) * (1 - t);
    case 12:
        return std::sin(kPi * t);
    case 13:
        return t == 1.0f ? 1.0f : 0.0f;
    case 14:
        return t == 1.0f ? 0.0f : 1.0f;
    case 15:
        return t == 1.0f ? 0.0f : t;
    case 16:
        return t == 1.0f ? 1.0f : 1 - t;
    default:
        return 1;
    }
}

SimpelRenderer::SimpelRenderer(Velm_BlockGfx3D* atlas, Velm_Font3D* schrift)
    : mAtlas(atlas), mSchrift(schrift) {}

void SimpelRenderer::BeginneZeichnen() {
    mAtlas->mZentriert = false;
    mSchrift->SetHoehe(mSchrift->mNativeHoehe);
}

void SimpelRenderer::BeginneElement(const Basis& element, const BVektor& position, const BVektor& groesse) {
    Fluten();
    mRahmen.push_back({position, groesse, &element});
    mUrsprung = position;
    SetzeBereich(position, groesse);
}

void SimpelRenderer::BeendeElement(const Basis&) {
    Fluten();
    if (!mRahmen.empty())
        mRahmen.pop_back();
    if (!mRahmen.empty()) {
        mUrsprung = mRahmen.back().position;
        SetzeBereich(mUrsprung, mRahmen.back().groesse);
        return;
    }
    mUrsprung = {};
    if (Velm_ZeichenKontext* kontext = Velm_Screen3D::Kontext)
        kontext->SetRenderBereich(0, 0, kontext->mZielBreite, kontext->mZielHoehe);
}

void SimpelRenderer::BeendeZeichnen() {
    Fluten();
}

void SimpelRenderer::Fluten() {
    mAtlas->Zeichne();
    mSchrift->ZeichneWarteschlange();
}

void SimpelRenderer::SetzeBereich(const BVektor& position, const BVektor& groesse) {
    if (Velm_ZeichenKontext* kontext = Velm_Screen3D::Kontext)
        kontext->SetRenderBereich(Pixel(position.x), Pixel(position.y), Pixel(groesse.x), Pixel(groesse.y));
}

void SimpelRenderer::Rechteck(const BVektor& position, const BVektor& groesse, const TAlphaFarbe& farbe) {
    // A size of 0 would draw the graphic at its own size.
    const uint64_t breite = Pixel(groesse.x), hoehe = Pixel(groesse.y);
    if (breite == 0 || hoehe == 0)
        return;
    const BVektor ort = position - mUrsprung;
    mAtlas->ZeichneGrafik(0, ort.x, ort.y, farbe, float(breite), float(hoehe), 0);
}

void SimpelRenderer::SchreibeText(float x, float y, float breite, float hoehe, const std::string& text) {
    mSchrift->ZeichneTextImBereich(x - mUrsprung.x, y - mUrsprung.y, breite, hoehe, "%s", text.c_str());
}

void SimpelRenderer::ZeichneText(const Text& text) {
    const float a = Sichtbarkeit(text);
    if (a == 0)
        return;
    const BVektor p = text.AbsolutePosition();
    const BVektor& g = text.Groesse();
    Rechteck(p, g, {0.2f, 0.2f, 0.2f, 0.7f * a});
    if (g.x < 4 || g.y < 4)
        return;
    mSchrift->SetAusrichtung(Ausrichtung(text.GibEigeneEigenschaft("richt_horiz", 0.5f), Velm_Font3D::kLinks,
                                         Velm_Font3D::kMitte, Velm_Font3D::kRechts),
                             Ausrichtung(text.GibEigeneEigenschaft("richt_vert", 0.5f), Velm_Font3D::kOben,
                                         Velm_Font3D::kVMitte, Velm_Font3D::kUnten));
    mSchrift->mFarbe = {1, 1, 1, a};
    mSchrift->SetHoehe(mSchrift->mNativeHoehe * text.UIScale());
    SchreibeText(p.x + 2, p.y + 2, g.x - 4, g.y - 4, text.mText);
}

void SimpelRenderer::ZeichneButton(const Button& button) {
    const float a = Sichtbarkeit(button);
    if (a == 0)
        return;
    // The focus glow rises and falls over 0.2 s.
    float glanz = Klemme(5 * SekundenSeit(button.FokusGewonnenZeit()));
    if (!button.HatFokus())
        glanz *= Verlauf(Klemme(5 * SekundenSeit(button.FokusVerlorenZeit())), 1);
    const float k = 0.2f * glanz;
    const bool aktiv = button.mAktivierbar;
    const BVektor p = button.AbsolutePosition();
    const BVektor& g = button.Groesse();

    const BVektor rand{4 * glanz, 4 * glanz, 0};
    Rechteck(p - rand, g + rand * 2,
             aktiv ? TAlphaFarbe{0.2f + k, 0.2f + k, 0.4f + k, 1.8f * a}
                   : TAlphaFarbe{0.7f, 0.7f, 0.7f, 0.8f * a});
    if (g.x < 4 || g.y < 4)
        return;
    const BVektor innen = p + BVektor{2, 2, 0};
    const BVektor innenGroesse = g - BVektor{4, 4, 0};
    Rechteck(innen, innenGroesse,
             aktiv ? TAlphaFarbe{0.6f + k, 0.6f + k, 0.8f + k, 2 * a}
                   : TAlphaFarbe{0.8f, 0.8f, 0.8f, 0.8f * a});
    mSchrift->SetAusrichtung(Velm_Font3D::kMitte, Velm_Font3D::kVMitte);
    ZeichneTextImRahmen(innen, innenGroesse, button.mBild, button.mText, {0, 0, 0, a}, button.UIScale(),
                        aktiv);

    const float blitz = std::sin(kPi * Klemme(5 * SekundenSeit(button.LetzterKlick())));
    if (blitz > 0) {
        const float d = 20 * blitz + 2;
        Rechteck(innen - BVektor{d, d, 0}, innenGroesse + BVektor{2 * d, 2 * d, 0}, {1, 1, 1, 0.5f * blitz});
    }
}

void SimpelRenderer::ZeichneTextImRahmen(const BVektor& position, const BVektor& groesse,
                                         const ButtonBild& bild, const std::string& text,
                                         const TAlphaFarbe& farbe, float uiScale, bool aktiv) {
    float versatz = 0;
    if (bild.mAtlas) {
        // The rectangles queued so far lie under the image, which is drawn at once.
        mAtlas->Zeichne();
        const BVektor grafik = bild.Groesse();
        const float f = std::min(grafik.y / groesse.y, 1.0f);
        const float platz = std::max(f * grafik.x, groesse.y);
        const TAlphaFarbe bildFarbe =
            aktiv ? TAlphaFarbe{1, 1, 1, farbe.a} : TAlphaFarbe{0.5f, 0.5f, 0.5f, farbe.a / 2};
        bild.mAtlas->mZentriert = true;
        bild.mAtlas->ZeichneGrafik(bild.mId, position.x + platz / 2 - mUrsprung.x,
                                   position.y + groesse.y / 2 - mUrsprung.y, bildFarbe, f * grafik.x,
                                   f * grafik.y, 0);
        bild.mAtlas->Zeichne();
        versatz = platz + 10;
    }
    if (text.empty())
        return;
    mSchrift->mFarbe =
        aktiv ? farbe
              : TAlphaFarbe{(farbe.r + 0.5f) / 2, (farbe.g + 0.5f) / 2, (farbe.b + 0.5f) / 2, farbe.a};
    mSchrift->SetHoehe(mSchrift->mNativeHoehe * uiScale);
    SchreibeText(position.x + versatz, position.y, groesse.x - versatz, groesse.y, text);
}

void SimpelRenderer::ZeichneHinweis(const Hinweis& hinweis) {
    const float a = Sichtbarkeit(hinweis);
    if (a == 0)
        return;
    const BVektor p = hinweis.AbsolutePosition();
    const BVektor& g = hinweis.Groesse();
    const TAlphaFarbe grau{0.8f, 0.8f, 0.8f, 0.105f * a};
    // A tail of 20 growing boxes from the owner's edge towards the tooltip's centre.
    if (const Basis* besitzer = hinweis.Besitzer()) {
        const BVektor von = besitzer->Mitte();
        const BVektor nach = hinweis.Mitte();
        const auto vorzeichen = [](float d) { return float((d > 0) - (d < 0)); };
        const BVektor start = von + BVektor{vorzeichen(nach.x - von.x) * 0.35f * besitzer->Groesse().x,
                                            vorzeichen(nach.y - von.y) * 0.35f * besitzer->Groesse().y, 0};
        for (int i = 1; i <= 20; ++i) {
            const float f = float(i) / 21 * (float(i) / 21);
            const BVektor mitte = start + (nach - start) * f;
            const BVektor box{f * g.x, f * g.y, 0};
            Rechteck(mitte - box * 0.5f, box, grau);
        }
    }
    Rechteck(p, g, {0.8f, 0.8f, 0.8f, 0.7f * a});
    mSchrift->SetAusrichtung(Velm_Font3D::kMitte, Velm_Font3D::kVMitte);
    mSchrift->mFarbe = {0, 0, 0, a};
    SchreibeText(p.x + 5, p.y + 5, g.x - 10, g.y - 10, hinweis.GibText());
}

} // namespace Gui
