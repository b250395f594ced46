#include "gui/gui_basis.h"

#include "gui/gui_anordnung.h"
#include "gui/gui_oberflaeche.h"
#include "velmklassen/kern/velm_zeitgeber.h"

#include <algorithm>
#include <optional>

namespace Gui {

namespace {

// The number a property node holds, in whichever of the three number types.
std::optional<float> Zahl(const TEigenschaften* knoten) {
    if (!knoten)
        return std::nullopt;
    if (const float* f = knoten->Hole<float>())
        return *f;
    if (const int32_t* i = knoten->Hole<int32_t>())
        return float(*i);
    if (const uint32_t* u = knoten->Hole<uint32_t>())
        return float(*u);
    return std::nullopt;
}

} // namespace

uint64_t Jetzt() {
    return uint64_t(Velm_Zeitgeber::Global().Zeit());
}

int64_t Ticks(float sekunden) {
    return int64_t(gZaehlerFrequenzF * sekunden);
}

Basis::Basis() : mZeigeZeit(Jetzt()) {}

Basis::~Basis() {
    if (mVater)
        mVater->EntferneKind(this);
}

void Basis::SetAktiv(bool aktiv) {
    SetzeAktiv(aktiv);
}

bool Basis::SetzeAktiv(bool aktiv) {
    if (aktiv == mAktiv)
        return false;
    mAktiv = aktiv;
    // Toggled back within the same tick: both stamps go far into the past, so no fade runs.
    const uint64_t jetzt = Jetzt();
    const uint64_t langeHer = jetzt - uint64_t(Ticks(1000.0f));
    if (!aktiv) {
        if (mZeigeZeit != jetzt)
            mVersteckZeit = jetzt;
        else
            mVersteckZeit = mZeigeZeit = langeHer;
    } else {
        if (mVersteckZeit == jetzt)
            mVersteckZeit = mZeigeZeit = langeHer;
        else
            mZeigeZeit = jetzt;
    }
    if (mOberflaeche)
        mOberflaeche->FordereLayoutAn();
    return true;
}

void Basis::SetPosition(const BVektor& position, bool durchLayout) {
    mPosition = position;
    mPositionDurchLayout = durchLayout;
}

void Basis::SetGroesse(const BVektor& groesse, bool automatisch) {
    const BVektor d = groesse - mGroesse;
    if (Skalar(d, d) < 0.001f)
        return;
    mGroesse = groesse;
    mAutomatischeGroesse = automatisch;
    if (!automatisch) {
        mDehnung = {};
        if (mOberflaeche)
            mOberflaeche->FordereLayoutAn();
    }
}

BVektor Basis::GibWunschGroesse() const {
    if (!mAutomatischeGroesse)
        return mGroesse;
    const std::string name = GibTypName();
    const float k = UIScale();
    return {GibEigenschaft(name + ".groesse.x", 100) * k, GibEigenschaft(name + ".groesse.y", 40) * k, 0};
}

void Basis::SetVater(VaterBasis* vater, Oberflaeche* oberflaeche) {
    if (!oberflaeche && mOberflaeche)
        mOberflaeche->VergissElement(this);
    mVater = vater;
    mOberflaeche = oberflaeche;
}

void Basis::BeiFokus(FokusEreignis& ereignis) {
    mFokussiert = ereignis.mGewonnen;
    (ereignis.mGewonnen ? mFokusGewonnen : mFokusVerloren) = Jetzt();
    ereignis.SetBehandelt();
    mFokusSignal(ereignis.mGewonnen);
}

float Basis::GibEigenschaft(std::string_view pfad, float standard) const {
    if (const std::optional<float> zahl = Zahl(mEigenschaften.Finde(pfad)))
        return *zahl;
    if (!mOberflaeche || mOberflaeche == this)
        return standard;
    return mOberflaeche->GibEigenschaft(pfad, standard);
}

float Basis::GibEigeneEigenschaft(std::string_view pfad, float standard) const {
    return Zahl(mEigenschaften.Finde(pfad)).value_or(standard);
}

bool Basis::IstEffektivAktiv() const {
    return mAktiv && (!mVater || mVater->IstEffektivAktiv());
}

float Basis::UIScale() const {
    return mOberflaeche ? mOberflaeche->mUIScale : 1.0f;
}

BVektor Basis::AbsolutePosition() const {
    BVektor summe = mPosition;
    for (const Basis* v = mVater; v; v = v->mVater)
        summe = summe + v->mPosition;
    return summe;
}

BVektor Basis::Mitte() const {
    return AbsolutePosition() + mGroesse * 0.5f;
}

VaterBasis::VaterBasis() = default;

VaterBasis::~VaterBasis() {
    mAnordnung.reset();
    LoescheKinder();
}

void VaterBasis::LoescheKinder() {
    // Each child takes itself out of the list as it goes.
    while (!mKinder.empty())
        delete mKinder.back();
}

void VaterBasis::Zeichne(Renderer& renderer) const {
    for (const Basis* kind : mKinder)
        kind->Zeichne(renderer);
}

void VaterBasis::SetAktiv(bool aktiv) {
    if (!SetzeAktiv(aktiv))
        return;
    for (Basis* kind : mKinder)
        kind->SetAktiv(aktiv);
}

BVektor VaterBasis::GibWunschGroesse() const {
    return mAnordnung ? mAnordnung->GibWunschGroesse(*this) : BVektor{100, 40, 0};
}

void VaterBasis::SetVater(VaterBasis* vater, Oberflaeche* oberflaeche) {
    Basis::SetVater(vater, oberflaeche);
    // Through the children's own operation, so a button attached with its container binds its
    // shortcut.
    for (Basis* kind : mKinder)
        kind->SetVater(this, oberflaeche);
    if (oberflaeche)
        oberflaeche->FordereLayoutAn();
}

void VaterBasis::AddKind(Basis* kind) {
    if (kind->Vater())
        kind->Vater()->EntferneKind(kind);
    mKinder.push_back(kind);
    kind->SetVater(this, mOberflaeche);
    kind->SetAktiv(IstAktiv());
    if (mOberflaeche)
        mOberflaeche->FordereLayoutAn();
}

void VaterBasis::EntferneKind(Basis* kind) {
    const auto it = std::find(mKinder.begin(), mKinder.end(), kind);
    if (it == mKinder.end())
        return;
    mKinder.erase(it);
    kind->SetVater(nullptr, nullptr);
    if (mOberflaeche)
        mOberflaeche->FordereLayoutAn();
}

void VaterBasis::SetLayout(std::unique_ptr<Anordnung> anordnung) {
    mAnordnung = std::move(anordnung);
    if (mOberflaeche)
        mOberflaeche->FordereLayoutAn();
}

void VaterBasis::OrdneAn() {
    if (mOrdnetAn || !mAnordnung)
        return;
    mOrdnetAn = true;
    if (mAnordnung->mArt == Anordnung::kZeile)
        mAnordnung->OrdneZeile(*this);
    else if (mAnordnung->mArt == Anordnung::kSpalte)
        mAnordnung->OrdneSpalte(*this);
    mOrdnetAn = false;
}

} // namespace Gui
