#include "gui/gui_oberflaeche.h"

#include "gui/gui_renderer.h"
#include "gui/gui_widgets.h"
#include "velmklassen/kern/velm_zeitgeber.h"
#include "velmklassen/render/velm_screen3d.h"

#include <algorithm>
#include <cmath>

namespace Gui {

namespace {

bool IstTaste(int64_t code) {
    return code >= 0 && code < kAnzahlTasten;
}

bool Ausserhalb(const BVektor& p, const BVektor& groesse) {
    return p.x < 0 || p.y < 0 || p.x >= groesse.x || p.y >= groesse.y;
}

const VaterBasis* AlsModal(const Basis* element) {
    const auto* vater = dynamic_cast<const VaterBasis*>(element);
    return vater && vater->IstModal() ? vater : nullptr;
}

// The candidate with the lowest score below 1e7; the earlier one on ties. Distances are twice the
// centre distance. Without wrapping only candidates within the direction's half-plane count;
// wrapped, the others are scored as if they lay at the edge of it.
Basis* BesterKandidat(const std::vector<Basis*>& kandidaten, const BVektor& von, const BVektor& richtung,
                      bool umlauf) {
    float bester = 1e7f;
    Basis* sieger = nullptr;
    for (Basis* kandidat : kandidaten) {
        const BVektor v = (kandidat->Mitte() - von) * 2;
        const float abstand = std::sqrt(Skalar(v, v));
        const float winkel = Skalar(richtung, v) / abstand;
        float wert;
        if (umlauf)
            wert = abstand / (winkel > 0.1f ? winkel : 0.1f);
        else if (winkel >= 0.1f)
            wert = abstand / winkel;
        else
            continue;
        if (wert < bester) {
            bester = wert;
            sieger = kandidat;
        }
    }
    return sieger;
}

// An inactive element hides its whole subtree, so the walk stops there.
void Sammle(Basis& element, std::vector<Basis*>& elemente) {
    if (!element.IstAktiv())
        return;
    elemente.push_back(&element);
    if (const auto* vater = dynamic_cast<const VaterBasis*>(&element))
        for (Basis* kind : vater->Kinder())
            Sammle(*kind, elemente);
}

BVektor Richtung(int64_t code) {
    switch (code) {
    case kTasteHoch:
        return {0, -1, 0};
    case kTasteRunter:
        return {0, 1, 0};
    case kTasteRechts:
        return {1, 0, 0};
    default:
        return {-1, 0, 0};
    }
}

} // namespace

Oberflaeche::Oberflaeche(const std::filesystem::path& eigenschaften)
    : mHinweisAufruf(Velm_Zeitgeber::kKeinAufruf), mLetzteAktivitaet(Jetzt()),
      mLayoutAufruf(Velm_Zeitgeber::kKeinAufruf) {
    mOberflaeche = this;
    if (!eigenschaften.empty())
        TEigenschaften_Serialisierung::LadeEigenschaftenAusXml(Eigenschaften(), eigenschaften);
    const Velm_Darstellung& bildschirm = Velm_Screen3D::mDarstellung;
    SetPosition({}, false);
    SetGroesse({float(bildschirm.mBreite), float(bildschirm.mHoehe), 0}, false);
}

Oberflaeche::~Oberflaeche() {
    // The children go first, while the binding lists and the tooltip state they are forgotten
    // from still exist; what their removal schedules is cancelled after them.
    LoescheKinder();
    if (mLayoutAufruf != Velm_Zeitgeber::kKeinAufruf)
        Velm_Zeitgeber::EntferneAufruf(mLayoutAufruf);
    if (mHinweisAufruf != Velm_Zeitgeber::kKeinAufruf)
        Velm_Zeitgeber::EntferneAufruf(mHinweisAufruf);
}

void Oberflaeche::Zeichne(Renderer& renderer) const {
    renderer.ZeichneLeer(*this);
}

void Oberflaeche::VerarbeiteTaste(int64_t code, uint64_t zustand) {
    if (!IstTaste(code))
        return;
    const uint64_t jetzt = Jetzt();
    mLetzteAktivitaet = jetzt;

    if (mFokus && !(mFokus->IstAktivierbar() && IstErreichbar(*mFokus) && mFokus->IstEffektivAktiv()))
        VerliereFokus();

    bool doppelklick = false;
    if (zustand == kGedrueckt) {
        const BVektor weg = mZeigerPosition - mLetzteDruckPosition;
        doppelklick = code == mLetzterCode && int64_t(jetzt) < int64_t(mLetzterDruck) + Ticks(0.3f) &&
                      Skalar(weg, weg) < 400;
        mLetzterCode = code;
        mLetzteDruckPosition = mZeigerPosition;
        mLetzterDruck = jetzt;
    }
    mTastenZustand[size_t(code)] = zustand == kGedrueckt ? 3 : zustand;

    TasteEreignis ereignis(code, zustand, doppelklick);
    VerteileEreignis(ereignis);
    if (ereignis.mBehandelt)
        return;

    // The latest binding that can see the key gets it, handled or not.
    const std::vector<Basis*>& liste = mBindungen[size_t(code)];
    for (size_t i = liste.size(); i-- > 0;) {
        if (liste[i]->IstEffektivAktiv() && IstErreichbar(*liste[i])) {
            liste[i]->BeiTaste(ereignis);
            break;
        }
    }
    if (ereignis.mBehandelt)
        return;

    if ((zustand & kGedrueckt) && code >= kTasteHoch && code <= kTasteLinks)
        NavigiereFokus(code);
}

void Oberflaeche::VerarbeiteMausBewegung(const BVektor& position) {
    mZeigerBewegung = position - mZeigerPosition;
    mZeigerPosition = position;
    const bool bewegt = Skalar(mZeigerBewegung, mZeigerBewegung) > 0;
    if (bewegt)
        mLetzteAktivitaet = Jetzt();

    Basis* getroffen = ElementAnPosition(position);
    bool fokusFolgt = false;
    const bool gehalten =
        (mTastenZustand[kTasteZeiger] | mTastenZustand[kTasteZeiger2] | mTastenZustand[kTasteZeiger3]) & 2;
    if (getroffen != mHover && !gehalten) {
        fokusFolgt =
            getroffen ? (getroffen->IstAktivierbar() || mHover) : (mHover && mHover->IstAktivierbar());
        mHover = getroffen;
        if (fokusFolgt)
            SetFokus(getroffen);
    }

    if (mFokus && (bewegt || fokusFolgt)) {
        MausBewegungEreignis ereignis(mZeigerPosition, mZeigerBewegung);
        VerteileEreignis(ereignis);
    }
    if (!bewegt && !fokusFolgt)
        return;

    // The tooltip waits until the pointer rests and stays while it moves within its owner.
    if (mHinweisZustand == kHinweisGeplant) {
        Velm_Zeitgeber::EntferneAufruf(mHinweisAufruf);
        SetzeHinweisZurueck();
    } else if (mHinweisZustand == kHinweisSichtbar && mHover != mHinweisBesitzer) {
        mHinweisElement->Ausblenden();
        SetzeHinweisZurueck();
    }
    if (mHinweisZustand == kKeinHinweis && mHover && !mHover->HinweisText().empty()) {
        mHinweisZustand = kHinweisGeplant;
        mHinweisBesitzer = mHover;
        mHinweisAufruf = Velm_Zeitgeber::PlaneAufruf(Ticks(0.5f), [this] { ZeigeHinweis(); });
    }
}

void Oberflaeche::ZeichneAlles(Renderer& renderer) {
    renderer.BeginneZeichnen();
    Zeichne(renderer);
    for (const Basis* kind : Kinder()) {
        renderer.BeginneElement(*kind, Position(), Groesse());
        kind->Zeichne(renderer);
        renderer.BeendeElement(*kind);
    }
    renderer.BeendeZeichnen();
}

void Oberflaeche::VerliereFokus() {
    FokusEreignis ereignis(mFokus, false);
    VerteileEreignis(ereignis);
    mFokus = nullptr;
}

void Oberflaeche::SetFokus(Basis* element) {
    if (element == mFokus)
        return;
    if (mFokus)
        VerliereFokus();
    if (element && element->IstAktivierbar()) {
        mFokus = element;
        FokusEreignis ereignis(element, true);
        VerteileEreignis(ereignis);
    }
}

void Oberflaeche::VerteileEreignis(BasisEreignis& ereignis) {
    for (Basis* element = mFokus; element; element = element->Vater()) {
        if (auto* taste = dynamic_cast<TasteEreignis*>(&ereignis))
            element->BeiTaste(*taste);
        else if (auto* fokus = dynamic_cast<FokusEreignis*>(&ereignis))
            element->BeiFokus(*fokus);
        else if (auto* bewegung = dynamic_cast<MausBewegungEreignis*>(&ereignis))
            element->BeiMausBewegung(*bewegung);
        else if (ereignis.mArt == BasisEreignis::kReserviert)
            element->BeiReserviertemEreignis(ereignis);
        if (ereignis.mBehandelt)
            return;
    }
}

void Oberflaeche::BindeTaste(int64_t code, Basis* element) {
    if (!IstTaste(code))
        return;
    std::vector<Basis*>& liste = mBindungen[size_t(code)];
    if (liste.empty() || liste.back() != element)
        liste.push_back(element);
}

void Oberflaeche::LoeseTaste(int64_t code, Basis* element) {
    if (IstTaste(code))
        std::erase(mBindungen[size_t(code)], element);
}

void Oberflaeche::VergissElement(Basis* element) {
    if (mFokus == element)
        mFokus = nullptr;
    if (mHover == element)
        mHover = nullptr;
    for (std::vector<Basis*>& liste : mBindungen)
        std::erase(liste, element);

    if (element == mHinweisBesitzer) {
        Hinweis* sichtbar = mHinweisElement;
        if (mHinweisAufruf != Velm_Zeitgeber::kKeinAufruf)
            Velm_Zeitgeber::EntferneAufruf(mHinweisAufruf);
        SetzeHinweisZurueck();
        delete sichtbar;
    } else if (element == mHinweisElement) {
        SetzeHinweisZurueck();
    }
    // Tooltips still fading out must not reach back to an owner that is gone.
    for (Basis* kind : Kinder())
        if (auto* hinweis = dynamic_cast<Hinweis*>(kind); hinweis && hinweis->Besitzer() == element)
            hinweis->VergissBesitzer();
}

void Oberflaeche::FordereLayoutAn() {
    if (mLayoutAufruf == Velm_Zeitgeber::kKeinAufruf)
        mLayoutAufruf = Velm_Zeitgeber::PlaneAufruf(0, [this] { FuehreLayoutAus(); });
}

void Oberflaeche::FuehreLayoutAus() {
    mLayoutAufruf = Velm_Zeitgeber::kKeinAufruf;
    BerechneLayout(*this);
}

void Oberflaeche::BerechneLayout(VaterBasis& vater) {
    vater.OrdneAn();
    for (Basis* kind : vater.Kinder())
        if (auto* kindVater = dynamic_cast<VaterBasis*>(kind))
            BerechneLayout(*kindVater);
}

Basis* Oberflaeche::ElementAnPosition(const BVektor& position) {
    return ElementAnPositionIn(position - Position(), *this);
}

Basis* Oberflaeche::ElementAnPositionIn(const BVektor& position, Basis& element) {
    if (!element.IstAktiv() || Ausserhalb(position, element.Groesse()))
        return nullptr;
    if (const auto* vater = dynamic_cast<const VaterBasis*>(&element)) {
        const std::vector<Basis*>& kinder = vater->Kinder();
        for (size_t i = kinder.size(); i-- > 0;) {
            Basis& kind = *kinder[i];
            const BVektor innen = position - kind.Position();
            const VaterBasis* modal = AlsModal(&kind);
            // A modal container blocks its earlier siblings even where it does not cover them.
            if (Ausserhalb(innen, kind.Groesse())) {
                if (modal)
                    return nullptr;
                continue;
            }
            Basis* treffer = ElementAnPositionIn(innen, kind);
            if ((modal && modal->IstEffektivAktiv()) || treffer)
                return treffer;
        }
    }
    return &element;
}

bool Oberflaeche::IstErreichbar(const Basis& element) {
    const Basis* herkunft = &element;
    for (const VaterBasis* vorfahr = element.Vater(); vorfahr;
         herkunft = vorfahr, vorfahr = vorfahr->Vater()) {
        const VaterBasis* letztes = AlsModal(vorfahr->Kinder().back());
        if (letztes && letztes != herkunft && letztes->IstEffektivAktiv())
            return false;
    }
    return true;
}

void Oberflaeche::SammleElemente(std::vector<Basis*>& elemente) {
    Sammle(*this, elemente);
}

void Oberflaeche::NavigiereFokus(int64_t code) {
    std::vector<Basis*> elemente;
    SammleElemente(elemente);
    std::vector<Basis*> kandidaten;
    for (Basis* element : elemente)
        if (element->IstAktivierbar() && element != mFokus && IstErreichbar(*element))
            kandidaten.push_back(element);
    if (kandidaten.empty())
        return;
    if (!mFokus) {
        SetFokus(kandidaten.front());
        return;
    }

    const BVektor richtung = Richtung(code);
    const BVektor von = mFokus->Mitte();
    Basis* sieger = BesterKandidat(kandidaten, von, richtung, false);
    if (!sieger) {
        // Nothing that way: search again from beyond the opposite edge of the screen.
        const float weite = std::abs(richtung.x * Groesse().x + richtung.y * Groesse().y);
        sieger = BesterKandidat(kandidaten, von - richtung * weite, richtung, true);
    }
    if (sieger)
        SetFokus(sieger);
}

void Oberflaeche::ZeigeHinweis() {
    mHinweisAufruf = Velm_Zeitgeber::kKeinAufruf;
    auto* hinweis = new Hinweis(mHinweisBesitzer->HinweisText(), mHinweisBesitzer);
    AddKind(hinweis);
    mHinweisZustand = kHinweisSichtbar;
    mHinweisElement = hinweis;
}

void Oberflaeche::SetzeHinweisZurueck() {
    mHinweisZustand = kKeinHinweis;
    mHinweisAufruf = Velm_Zeitgeber::kKeinAufruf;
    mHinweisBesitzer = nullptr;
    mHinweisElement = nullptr;
}

} // namespace Gui
