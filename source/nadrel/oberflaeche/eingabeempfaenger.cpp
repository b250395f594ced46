#include "nadrel/oberflaeche/eingabeempfaenger.h"

#include "nadrel/oberflaeche/overlay.h"
#include "omvu/omvu_inputsystem.h"

namespace Spiel {

namespace {

constexpr uint32_t kEscape = 1;

uint64_t Zustand(bool gedrueckt) {
    return gedrueckt ? Gui::kGedrueckt : Gui::kLosgelassen;
}

} // namespace

Buttons::Buttons(Velm_Zeitgeber* spielZeit)
    : mOberflaeche(std::make_unique<Gui::Oberflaeche>(DatenOrdner() / "GuiKonfig.xml")),
      mRenderer(std::make_unique<Gui::SimpelRenderer>(gOverlayAtlas, gOverlayFont)), mSpielZeit(spielZeit) {}

bool Buttons::HandleKey(Omvu::Keyboard*, uint32_t code, bool pressed) {
    if (code == kEscape) {
        mOberflaeche->VerarbeiteTaste(Gui::kTasteZurueck, Zustand(pressed));
    }
    return true;
}

bool Buttons::HandleMouseMove(Omvu::Mouse*, float, float) {
    const Omvu::Mouse* maus = Omvu::gInstance != nullptr ? Omvu::gInstance->GetFirstMouse() : nullptr;
    const float x = maus != nullptr ? maus->GetPositionX() : 0;
    const float y = maus != nullptr ? maus->GetPositionY() : 0;
    mOberflaeche->VerarbeiteMausBewegung({x, y, 0});
    return true;
}

bool Buttons::HandleMouseButton(Omvu::Mouse*, size_t button, bool pressed) {
    if (button == 0) {
        mOberflaeche->VerarbeiteTaste(Gui::kTasteBestaetigen, Zustand(pressed));
    }
    return true;
}

} // namespace Spiel
