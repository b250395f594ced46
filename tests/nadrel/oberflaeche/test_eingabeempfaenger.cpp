// The game's input receiver: only Escape, the left mouse button and the pointer reach the surface,
// the pointer from the first mouse whatever the event says, and without the surface's file there
// is no receiver.

#include "testhilfe.h"
#include "velmklassen/kern/velm_ausnahme.h"

#include <tuple>
#include <vector>

namespace {

class EingabeempfaengerTest : public oberflaechetest::SpielOberflaeche {
protected:
    std::vector<uint64_t> Zustaende() {
        std::vector<uint64_t> zustaende;
        for (int64_t code = 0; code < Gui::kAnzahlTasten; ++code)
            zustaende.push_back(F().TastenZustand(code));
        return zustaende;
    }
};

// Key 1 (Escape) and mouse button 0 reach the surface as "back" and "confirm", pressed (3) and
// released (4); every other key and button is swallowed (kTasteKeine: the surface sees nothing).
TEST_F(EingabeempfaengerTest, NurEscapeLinksklickUndZeigerErreichenDieOberflaeche) {
    const std::tuple<bool, uint32_t, bool, int64_t, uint64_t> faelle[] = {
        {true, 1, true, Gui::kTasteZurueck, 3},       {true, 1, false, Gui::kTasteZurueck, 4},
        {true, 28, true, Gui::kTasteKeine, 0},        {false, 0, true, Gui::kTasteBestaetigen, 3},
        {false, 0, false, Gui::kTasteBestaetigen, 4}, {false, 1, true, Gui::kTasteKeine, 0},
    };
    for (auto [taste, code, gedrueckt, guiCode, zustand] : faelle) {
        SCOPED_TRACE(testing::Message() << taste << " " << code);
        std::vector<uint64_t> soll = Zustaende();
        if (guiCode != Gui::kTasteKeine)
            soll[size_t(guiCode)] = zustand;
        EXPECT_TRUE(taste ? mButtons->HandleKey(nullptr, code, gedrueckt)
                          : mButtons->HandleMouseButton(nullptr, code, gedrueckt));
        EXPECT_EQ(Zustaende(), soll);
    }
    EXPECT_TRUE(F().Kinder().empty()) << "Escape opens no menu here";

    // The first mouse's position, whatever the event says; (0, 0) without an input system.
    EXPECT_TRUE(Zeige(600, 450));
    EXPECT_EQ(F().ZeigerPosition().x + F().ZeigerPosition().y, 1050);
    Omvu::Shutdown();
    EXPECT_TRUE(mButtons->HandleMouseMove(nullptr, 5, 6));
    EXPECT_EQ(F().ZeigerPosition().x + F().ZeigerPosition().y, 0);
}

TEST_F(EingabeempfaengerTest, OhneGuiKonfigKeinEmpfaenger) {
    Velm_System::Global().mAnwendungsOrdner = NADREL_WURZEL "/fehlt";
    EXPECT_THROW(Spiel::Buttons{&mSpielZeit}, Velm_Ausnahme);
}

} // namespace
