#pragma once
// The GUI's element tree: every visible thing is a Gui::Basis, elements with children are
// Gui::VaterBasis, and the root of every tree is the surface (gui_oberflaeche.h).
//
// A container owns its children through plain pointers because an element takes itself out of its
// parent when it is deleted: `delete element` is a valid way to remove an attached element, and the
// surface forgets it at once.

#include "velmklassen/kern/velm_eigenschaften.h"
#include "velmklassen/kern/velm_vektor.h"

#include <boost/signals2/signal.hpp>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Gui {

class Anordnung;
class Basis;
class Oberflaeche;
class Renderer;
class VaterBasis;

// GUI key codes run from 0 to 269; the ones without a meaning of their own serve as shortcuts.
constexpr int64_t kAnzahlTasten = 270;
constexpr int64_t kTasteKeine = 270;
constexpr int64_t kTasteZeiger = 256; // the pointer button that activates buttons
constexpr int64_t kTasteZeiger2 = 257;
constexpr int64_t kTasteZeiger3 = 258;
constexpr int64_t kTasteHoch = 261;
constexpr int64_t kTasteRunter = 262;
constexpr int64_t kTasteRechts = 263;
constexpr int64_t kTasteLinks = 264;
constexpr int64_t kTasteBestaetigen = 265;
constexpr int64_t kTasteZurueck = 266;

// Key states passed to the surface.
constexpr uint64_t kGedrueckt = 1;
constexpr uint64_t kLosgelassen = 4;

// The engine's clock in ticks, and a span of seconds in ticks (truncated).
uint64_t Jetzt();
int64_t Ticks(float sekunden);

inline BVektor operator+(const BVektor& a, const BVektor& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline BVektor operator-(const BVektor& a, const BVektor& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline BVektor operator*(const BVektor& v, float f) {
    return {v.x * f, v.y * f, v.z * f};
}
inline float Skalar(const BVektor& a, const BVektor& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// An event lives for one dispatch on the surface's stack; a handler that marks it handled stops
// it from travelling further up the tree.
class BasisEreignis {
public:
    enum Art : uint32_t { kTaste = 0, kReserviert = 1, kFokus = 2, kMausBewegung = 3 };

    explicit BasisEreignis(uint32_t art) : mArt(art) {}
    virtual ~BasisEreignis() = default;
    virtual void SetBehandelt() { mBehandelt = true; }

    uint32_t mArt;
    bool mBehandelt = false;
};

class TasteEreignis : public BasisEreignis {
public:
    TasteEreignis(int64_t code, uint64_t zustand, bool doppelklick)
        : BasisEreignis(kTaste), mCode(code), mZustand(zustand), mDoppelklick(doppelklick) {}

    int64_t mCode;
    uint64_t mZustand;
    bool mDoppelklick;
};

class FokusEreignis : public BasisEreignis {
public:
    FokusEreignis(Basis* element, bool gewonnen)
        : BasisEreignis(kFokus), mElement(element), mGewonnen(gewonnen) {}

    Basis* mElement;
    bool mGewonnen;
};

class MausBewegungEreignis : public BasisEreignis {
public:
    MausBewegungEreignis(const BVektor& position, const BVektor& bewegung)
        : BasisEreignis(kMausBewegung), mPosition(position), mBewegung(bewegung) {}

    BVektor mPosition; // surface coordinates
    BVektor mBewegung; // since the previous pointer position
};

class Basis {
public:
    Basis();
    // Takes the element out of its parent first, so the surface forgets it.
    virtual ~Basis();
    Basis(const Basis&) = delete;
    Basis& operator=(const Basis&) = delete;

    // Calls the one renderer operation that draws this kind of element.
    virtual void Zeichne(Renderer& renderer) const = 0;
    // An inactive element is hidden: it fades out, is not hit and cannot keep the focus.
    virtual void SetAktiv(bool aktiv);
    // Relative to the parent; a position set by layout may be overwritten by the parent's layout.
    virtual void SetPosition(const BVektor& position, bool durchLayout);
    // A fixed size (automatisch false) zeroes the stretch and asks for a layout pass.
    virtual void SetGroesse(const BVektor& groesse, bool automatisch);
    virtual BVektor GibWunschGroesse() const;
    // The prefix of the element's size keys ("button" reads "button.groesse.x").
    virtual std::string GibTypName() const { return ""; }
    // Attaches to a parent and surface, or detaches with (null, null).
    virtual void SetVater(VaterBasis* vater, Oberflaeche* oberflaeche);
    virtual bool IstAktivierbar() const { return false; }
    virtual void BeiFokus(FokusEreignis& ereignis);
    virtual void BeiTaste(TasteEreignis&) {}
    virtual void BeiReserviertemEreignis(BasisEreignis&) {}
    virtual void BeiMausBewegung(MausBewegungEreignis&) {}

    // The number at the dotted path in the element's own properties, else in its surface's.
    float GibEigenschaft(std::string_view pfad, float standard) const;
    // The same in the element's own properties only.
    float GibEigeneEigenschaft(std::string_view pfad, float standard) const;
    // Active, and every ancestor too.
    bool IstEffektivAktiv() const;
    float UIScale() const;
    // Position summed over all ancestors, and that plus half the size.
    BVektor AbsolutePosition() const;
    BVektor Mitte() const;

    Oberflaeche* GibOberflaeche() const { return mOberflaeche; }
    VaterBasis* Vater() const { return mVater; }
    const BVektor& Position() const { return mPosition; }
    const BVektor& Groesse() const { return mGroesse; }
    bool PositionDurchLayout() const { return mPositionDurchLayout; }
    bool AutomatischeGroesse() const { return mAutomatischeGroesse; }
    const BVektor& Dehnung() const { return mDehnung; }
    void SetDehnung(const BVektor& dehnung) { mDehnung = dehnung; }
    bool IstAktiv() const { return mAktiv; }
    uint64_t VersteckZeit() const { return mVersteckZeit; }
    uint64_t ZeigeZeit() const { return mZeigeZeit; }
    bool HatFokus() const { return mFokussiert; }
    uint64_t FokusGewonnenZeit() const { return mFokusGewonnen; }
    uint64_t FokusVerlorenZeit() const { return mFokusVerloren; }
    const std::string& HinweisText() const { return mHinweisText; }
    void SetHinweisText(std::string text) { mHinweisText = std::move(text); }
    TEigenschaften& Eigenschaften() { return mEigenschaften; }
    const TEigenschaften& Eigenschaften() const { return mEigenschaften; }

    // Fired with true when the element gains the focus, false when it loses it.
    boost::signals2::signal<void(bool)> mFokusSignal;

protected:
    // Stores the flag and the fade stamps and asks for a layout pass; false when nothing changed.
    bool SetzeAktiv(bool aktiv);

    Oberflaeche* mOberflaeche = nullptr; // the surface points to itself
    VaterBasis* mVater = nullptr;

private:
    BVektor mPosition;
    BVektor mGroesse{100, 50, 0};
    bool mPositionDurchLayout = true;
    bool mAutomatischeGroesse = true;
    BVektor mDehnung;
    bool mAktiv = true;
    uint64_t mVersteckZeit = 0;
    uint64_t mZeigeZeit;
    bool mFokussiert = false;
    uint64_t mFokusGewonnen = 0;
    uint64_t mFokusVerloren = 0;
    std::string mHinweisText;
    TEigenschaften mEigenschaften;
};

class VaterBasis : public Basis {
public:
    VaterBasis();
    // Deletes the children, the last first.
    ~VaterBasis() override;

    // Draws the children in order; a container has no look of its own.
    void Zeichne(Renderer& renderer) const override;
    void SetAktiv(bool aktiv) override;
    // The layout's preferred size; (100, 40, 0) without a layout, not scaled.
    BVektor GibWunschGroesse() const override;
    void SetVater(VaterBasis* vater, Oberflaeche* oberflaeche) override;

    // Takes ownership of the element; an element of another container moves here.
    virtual void AddKind(Basis* kind);
    // Detaches the element and hands ownership back to the caller; not a child: nothing.
    virtual void EntferneKind(Basis* kind);
    virtual void SetLayout(std::unique_ptr<Anordnung> anordnung);
    // While a modal container is its parent's last child and visible, everything under that
    // parent is hidden from the pointer and from the focus.
    virtual bool IstModal() const { return false; }

    // Runs the own layout once, without descending; the surface's layout pass descends.
    void OrdneAn();

    const std::vector<Basis*>& Kinder() const { return mKinder; }

protected:
    void LoescheKinder();

private:
    std::vector<Basis*> mKinder; // owned, in drawing order: the last is on top
    std::unique_ptr<Anordnung> mAnordnung;
    bool mOrdnetAn = false;
};

} // namespace Gui
