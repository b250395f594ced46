#pragma once
// Shared by the tests of the game's surface: the input receiver with the surface it loads from the
// game's GuiKonfig.xml on a 1280 x 720 screen, the global timer stepped by hand, the game timer on
// a counter of its own and a stand-in input system with one mouse.

#include "gui/testhilfe.h"
#include "nadrel/oberflaeche/eingabeempfaenger.h"
#include "omvu/testhilfe.h"
#include "velmklassen/kern/velm_system.h"
#include "velmklassen/kern/velm_zeitgeber.h"
#include "velmklassen/render/velm_screen3d.h"

#include <cstdint>
#include <filesystem>
#include <memory>

namespace oberflaechetest {

inline int64_t gUhr = 0;
inline int64_t Uhr() {
    return gUhr;
}

class SpielOberflaeche : public OmvuTest::Umgebung {
protected:
    void SetUp() override {
        Umgebung::SetUp();
        Starte();
        Velm_Screen3D::mDarstellung = {1280, 720, 0, 0};
        Velm_System::Global().mAnwendungsOrdner = NADREL_WURZEL;
        mButtons = std::make_unique<Spiel::Buttons>(&mSpielZeit);
        guitest::Schritt(0.01f);
    }
    void TearDown() override {
        Velm_System::Global().mBeenden = false;
        Velm_System::Global().mAnwendungsOrdner = mOrdner;
        Umgebung::TearDown();
    }

    Gui::Oberflaeche& F() { return *mButtons->mOberflaeche; }

    // The game's first mouse at (x, y) as the input system reports it, and the receiver told of a move.
    bool Zeige(float x, float y) {
        Cursor(x, y);
        Frame();
        return mButtons->HandleMouseMove(nullptr, 5, 6);
    }

    const std::filesystem::path mOrdner = Velm_System::Global().mAnwendungsOrdner;
    Velm_Zeitgeber mSpielZeit{&Uhr};
    std::unique_ptr<Spiel::Buttons> mButtons;
};

} // namespace oberflaechetest
