// The widgets on their own: a button's keys, and where a tooltip places itself and how large it is.

#include "testhilfe.h"

using namespace guitest;

namespace {

TEST(Button, ReagiertAufZeigerBestaetigenUndKuerzel) {
    const struct {
        int64_t code;
        uint64_t zustand;
        int klicks;
        bool behandelt;
    } faelle[] = {{256, Gui::kGedrueckt, 1, true}, {265, Gui::kGedrueckt, 1, true},
                  {50, Gui::kGedrueckt, 1, true},  {265, Gui::kLosgelassen, 0, true},
                  {51, Gui::kGedrueckt, 0, false}, {257, Gui::kGedrueckt, 0, false}};
    Gui::Button knopf("k");
    knopf.SetTastenkuerzel(50);
    int klicks = 0;
    knopf.mKlickSignal.connect([&] { ++klicks; });
    for (const auto& fall : faelle) {
        klicks = 0;
        Gui::TasteEreignis ereignis(fall.code, fall.zustand, false);
        knopf.BeiTaste(ereignis);
        EXPECT_EQ(klicks, fall.klicks) << fall.code;
        EXPECT_EQ(ereignis.mBehandelt, fall.behandelt) << fall.code;
    }
}

TEST_F(Flaeche, HinweisGroesseUndPlatz) {
    const struct {
        BVektor position, groesse;
        size_t textLaenge;
        BVektor erwartet, hinweisGroesse;
    } faelle[] = {
        {{600, 450}, {100, 50}, 25, {290, 305}, {300, 140}}, // lower right: above and to the left
        {{0, 0}, {100, 50}, 0, {110, 55}, {150, 70}},
        {{200, 0}, {300, 50}, 25, {500, 55}, {300, 140}},   // pushed back inside on the right
        {{300, 500}, {300, 100}, 25, {0, 350}, {300, 140}}, // and on the left
    };
    for (const auto& fall : faelle) {
        auto* besitzer = Neu(new Kasten);
        besitzer->SetGroesse(fall.groesse, false);
        besitzer->SetPosition(fall.position, false);
        Gui::Hinweis hinweis(std::string(fall.textLaenge, 'x'), besitzer);
        EXPECT_EQ(hinweis.Position(), fall.erwartet) << fall.position.x;
        EXPECT_EQ(hinweis.Groesse(), fall.hinweisGroesse);
        delete besitzer;
    }
}

} // namespace
