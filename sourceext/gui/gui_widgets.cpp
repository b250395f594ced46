#include "gui/gui_widgets.h"

#include "gui/gui_oberflaeche.h"
#include "gui/gui_renderer.h"
#include "velmklassen/kern/velm_zeitgeber.h"
#include "velmklassen/render/velm_blockgfx3d.h"

#include <cmath>

namespace Gui {

Text::Text(std::string text, bool festeHoehe) : mText(std::move(text)), mFesteHoehe(festeHoehe) {
    SetDehnung({1, festeHoehe ? 0.0f : 1.0f, 0});
}

void Text::Zeichne(Renderer& renderer) const {
    renderer.ZeichneText(*this);
}

ButtonBild::ButtonBild() = default;
ButtonBild::ButtonBild(std::unique_ptr<Velm_BlockGfx3D> atlas, uint64_t id)
    : mAtlas(std::move(atlas)), mId(id) {}
ButtonBild::ButtonBild(ButtonBild&&) noexcept = default;
ButtonBild& ButtonBild::operator=(ButtonBild&&) noexcept = default;
ButtonBild::~ButtonBild() = default;

BVektor ButtonBild::Groesse() const {
    if (!mAtlas || !mAtlas->HatGrafik(mId))
        return {};
    const Velm_BlockGfxEintrag& eintrag = mAtlas->mEintraege[mId];
    return {float(eintrag.breite), float(eintrag.hoehe), 0};
}

Button::Button(std::string text, ButtonBild bild) : mText(std::move(text)), mBild(std::move(bild)) {
    if (mBild.mAtlas && mText.empty())
        SetGroesse(mBild.Groesse(), false);
}

void Button::Zeichne(Renderer& renderer) const {
    renderer.ZeichneButton(*this);
}

void Button::SetVater(VaterBasis* vater, Oberflaeche* oberflaeche) {
    if (mOberflaeche && mTastenkuerzel != kTasteKeine)
        mOberflaeche->LoeseTaste(mTastenkuerzel, this);
    Basis::SetVater(vater, oberflaeche);
    if (mOberflaeche && mTastenkuerzel != kTasteKeine)
        mOberflaeche->BindeTaste(mTastenkuerzel, this);
}

void Button::BeiTaste(TasteEreignis& ereignis) {
    if (ereignis.mCode != kTasteZeiger && ereignis.mCode != kTasteBestaetigen &&
        ereignis.mCode != mTastenkuerzel)
        return;
    if (ereignis.mZustand & kGedrueckt) {
        mLetzterKlick = Jetzt();
        mKlickSignal();
    }
    ereignis.SetBehandelt();
}

void Button::SetTastenkuerzel(int64_t code) {
    if (mOberflaeche && mTastenkuerzel != kTasteKeine)
        mOberflaeche->LoeseTaste(mTastenkuerzel, this);
    mTastenkuerzel = code;
    if (mOberflaeche && mTastenkuerzel != kTasteKeine)
        mOberflaeche->BindeTaste(mTastenkuerzel, this);
}

Abstand::Abstand(const BVektor& wunschGroesse) : mWunschGroesse(wunschGroesse) {
    SetDehnung({0, 1, 0});
}

void Abstand::Zeichne(Renderer& renderer) const {
    renderer.ZeichneLeer(*this);
}

BVektor Abstand::GibWunschGroesse() const {
    return mWunschGroesse * UIScale();
}

namespace {

// Beside the owner on the side of the screen's middle, clear of it by 0.6 of its extent, then
// pushed inside [0, ganz).
float HinweisOrt(float mitte, float eigene, float besitzer, float ganz) {
    float ort = mitte > ganz / 2 ? mitte - eigene - 0.6f * besitzer : mitte + 0.6f * besitzer;
    if (ort < 0)
        ort = 0;
    if (ort + eigene > ganz)
        ort = ganz - eigene;
    return ort;
}

} // namespace

Hinweis::Hinweis(std::string text, Basis* besitzer)
    : mBesitzer(besitzer), mText(std::move(text)), mLoeschAufruf(Velm_Zeitgeber::kKeinAufruf) {
    float faktor = 1;
    if (!mText.empty())
        faktor += std::sqrt(0.04f * float(mText.size()));
    const BVektor groesse{150 * faktor, 70 * faktor, 0};
    SetGroesse(groesse, false);

    if (!besitzer || !besitzer->GibOberflaeche())
        return;
    const BVektor mitte = besitzer->Mitte();
    const BVektor& b = besitzer->Groesse();
    const BVektor& ganz = besitzer->GibOberflaeche()->Groesse();
    SetPosition(
        {HinweisOrt(mitte.x, groesse.x, b.x, ganz.x), HinweisOrt(mitte.y, groesse.y, b.y, ganz.y), mitte.z},
        false);
}

Hinweis::~Hinweis() {
    if (mLoeschAufruf != Velm_Zeitgeber::kKeinAufruf)
        Velm_Zeitgeber::EntferneAufruf(mLoeschAufruf);
}

void Hinweis::Zeichne(Renderer& renderer) const {
    renderer.ZeichneHinweis(*this);
}

void Hinweis::Ausblenden() {
    SetAktiv(false);
    if (mLoeschAufruf != Velm_Zeitgeber::kKeinAufruf)
        return;
    mLoeschAufruf = Velm_Zeitgeber::PlaneAufruf(Ticks(0.5f), [this] {
        mLoeschAufruf = Velm_Zeitgeber::kKeinAufruf;
        delete this;
    });
}

} // namespace Gui
