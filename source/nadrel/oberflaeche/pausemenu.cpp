#include "nadrel/oberflaeche/pausemenu.h"

#include "gui/gui_anordnung.h"
#include "gui/gui_widgets.h"
#include "velmklassen/kern/velm_system.h"
#include "velmklassen/render/velm_screen3d.h"

#include <memory>

namespace Spiel {

PauseMenu::PauseMenu(Velm_Zeitgeber* spielZeit) : mSpielZeit(spielZeit) {
    mSpielZeit->Pausiere();

    const float w = float(Velm_Screen3D::mDarstellung.mBreite);
    const float h = float(Velm_Screen3D::mDarstellung.mHoehe);
    SetGroesse({w / 2, h / 2, 0}, true);
    SetPosition({w / 4, h / 4, 0}, true);
    SetLayout(std::make_unique<Gui::Anordnung>(Gui::Anordnung::kSpalte, 0.5f, 0.5f));

    AddKind(new Gui::Abstand);
    AddKind(new Gui::Text("Pause", false));
    auto* weiter = new Gui::Button("Weiter");
    weiter->SetTastenkuerzel(Gui::kTasteZurueck);
    weiter->mKlickSignal.connect([this] { BeiWeiter(); });
    AddKind(weiter);
    auto* ende = new Gui::Button("Ende");
    ende->mKlickSignal.connect([this] { BeiEnde(); });
    AddKind(ende);
    AddKind(new Gui::Abstand);
}

PauseMenu::~PauseMenu() {
    // Deleted some other way (with its surface) while its own deletion was pending.
    if (mLoeschAufruf != Velm_Zeitgeber::kKeinAufruf) {
        Velm_Zeitgeber::EntferneAufruf(mLoeschAufruf);
    }
    if (mErgebnis == kWeiter) {
        mSpielZeit->SetzeFort();
    } else {
        Velm_System::Global().mBeenden = true;
    }
}

void PauseMenu::BeiWeiter() {
    Schliesse(kWeiter);
}

void PauseMenu::BeiEnde() {
    Schliesse(kEnde);
}

void PauseMenu::Schliesse(Ergebnis ergebnis) {
    // A second click or Escape before the deletion would schedule it twice.
    if (SchliesstSich()) {
        return;
    }
    mErgebnis = ergebnis;
    SetAktiv(false);
    mLoeschAufruf = Velm_Zeitgeber::PlaneAufruf(Gui::Ticks(0.1f), [this] {
        mLoeschAufruf = Velm_Zeitgeber::kKeinAufruf;
        delete this;
    });
}

} // namespace Spiel
