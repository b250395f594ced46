#pragma once
// The root of a GUI tree: covers the screen, owns the GUI's properties and turns key codes and
// pointer positions into events, focus moves, double clicks, key bindings and tooltips.

#include "gui/gui_basis.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace Gui {

class Hinweis;

class Oberflaeche : public VaterBasis {
public:
    // Tooltip states.
    enum HinweisZustand : uint32_t { kKeinHinweis = 0, kHinweisGeplant = 1, kHinweisSichtbar = 2 };

    // Loads the properties from the file unless the path is empty (a failed load throws).
    explicit Oberflaeche(const std::filesystem::path& eigenschaften);
    ~Oberflaeche() override;

    void Zeichne(Renderer& renderer) const override;

    // One key or pointer button: code 0..269, state kGedrueckt or kLosgelassen. Other codes are
    // ignored.
    void VerarbeiteTaste(int64_t code, uint64_t zustand);
    // One pointer position in surface coordinates (pixels, y downwards).
    void VerarbeiteMausBewegung(const BVektor& position);
    // Brackets the frame and each top-level element with the surface's rectangle.
    void ZeichneAlles(Renderer& renderer);

    // A null or non-activatable element clears the focus.
    void SetFokus(Basis* element);
    // From the focused element up to the surface, until a handler marks it handled.
    void VerteileEreignis(BasisEreignis& ereignis);
    // Appends unless the element is already the list's last entry.
    void BindeTaste(int64_t code, Basis* element);
    void LoeseTaste(int64_t code, Basis* element);
    // Drops every reference to the element: focus, hover, bindings and a tooltip it owns or is.
    void VergissElement(Basis* element);
    // One layout pass over the whole tree on the global timer's next step, however often asked.
    void FordereLayoutAn();
    void FuehreLayoutAus();
    // The container's own layout, then its child containers': parents before children.
    static void BerechneLayout(VaterBasis& vater);
    Basis* ElementAnPosition(const BVektor& position);
    // The position is relative to the element's own.
    static Basis* ElementAnPositionIn(const BVektor& position, Basis& element);
    // False when a modal container covers the element.
    static bool IstErreichbar(const Basis& element);
    // Moves the focus with one of the four navigation codes, wrapping at the screen's edge.
    void NavigiereFokus(int64_t code);
    // The visible elements, depth first, each before its children.
    void SammleElemente(std::vector<Basis*>& elemente);
    // Run by the global timer once the pointer has rested on the tooltip's owner.
    void ZeigeHinweis();

    Basis* Fokus() const { return mFokus; }
    Basis* Hover() const { return mHover; }
    const BVektor& ZeigerPosition() const { return mZeigerPosition; }
    uint64_t TastenZustand(int64_t code) const { return mTastenZustand[size_t(code)]; }
    const std::vector<Basis*>& Bindungen(int64_t code) const { return mBindungen[size_t(code)]; }
    uint32_t GibHinweisZustand() const { return mHinweisZustand; }
    Hinweis* HinweisElement() const { return mHinweisElement; }
    uint64_t LetzteAktivitaet() const { return mLetzteAktivitaet; }

    // Multiplies preferred sizes, spacings and the text height.
    const float mUIScale = 1.0f;

private:
    // Dispatches the lost focus to the focused element and clears the focus.
    void VerliereFokus();
    void SetzeHinweisZurueck();

    BVektor mZeigerPosition;
    BVektor mZeigerBewegung;
    Basis* mFokus = nullptr;
    Basis* mHover = nullptr;
    // The last state per code; a press is stored as 3, so bit 2 means held.
    std::array<uint64_t, kAnzahlTasten> mTastenZustand{};
    std::array<std::vector<Basis*>, kAnzahlTasten> mBindungen;
    uint32_t mHinweisZustand = kKeinHinweis;
    uint64_t mHinweisAufruf;
    Basis* mHinweisBesitzer = nullptr;
    Hinweis* mHinweisElement = nullptr;
    uint64_t mLetzteAktivitaet;
    uint64_t mLetzterDruck = 0;
    BVektor mLetzteDruckPosition;
    int64_t mLetzterCode = kTasteKeine;
    uint64_t mLayoutAufruf;
};

} // namespace Gui
