#include "gui_testhilfe.h"

using namespace guitest;

namespace {

TEST_F(Flaeche, Doppelklick) {
    const struct {
        int64_t zweiter;
        float weg, pause;
        bool doppelt;
    } faelle[] = {
        {265, 19, 0.2f, true}, {265, 20, 0.2f, false}, {256, 0, 0.2f, false}, {265, 0, 0.31f, false}};
    auto* horcher = Neu(new Horcher);
    horcher->SetGroesse({800, 600, 0}, false);
    for (const auto& fall : faelle) {
        mFlaeche->VerarbeiteMausBewegung({100, 100, 0}); // the focus follows the pointer
        Schritt(1);
        mFlaeche->VerarbeiteTaste(265, Gui::kGedrueckt);
        mFlaeche->VerarbeiteTaste(265, Gui::kLosgelassen);
        mFlaeche->VerarbeiteMausBewegung({100 + fall.weg, 100, 0});
        Schritt(fall.pause);
        horcher->mTasten.clear();
        mFlaeche->VerarbeiteTaste(fall.zweiter, Gui::kGedrueckt);
        ASSERT_EQ(horcher->mTasten.size(), 1u);
        EXPECT_EQ(horcher->mTasten[0].mDoppelklick, fall.doppelt) << fall.weg << " " << fall.pause;
    }
}

TEST_F(Flaeche, NavigationMitUmlauf) {
    // Three buttons in a row, a fourth below the middle one.
    Gui::Basis* knoepfe[] = {Knopf("0", 0, 100), Knopf("1", 200, 100), Knopf("2", 400, 100),
                             Knopf("3", 200, 300)};
    const struct {
        int von;
        int64_t code;
        int nach;
    } faelle[] = {
        {-1, Gui::kTasteHoch, 0}, {0, Gui::kTasteRechts, 1}, {2, Gui::kTasteRechts, 0},
        {0, Gui::kTasteLinks, 2}, {1, Gui::kTasteRunter, 3}, {0, Gui::kTasteRunter, 3},
        {1, Gui::kTasteHoch, 3},  {3, Gui::kTasteRunter, 1},
    };
    for (const auto& fall : faelle) {
        mFlaeche->SetFokus(fall.von < 0 ? nullptr : knoepfe[fall.von]);
        mFlaeche->VerarbeiteTaste(fall.code, Gui::kGedrueckt);
        EXPECT_EQ(mFlaeche->Fokus(), knoepfe[fall.nach]) << fall.von << " " << fall.code;
    }
}

TEST_F(Flaeche, ModalerContainerSperrtFruehereGeschwister) {
    int klicksA = 0, klicksC = 0;
    Gui::Button* a = Knopf("a", 0, 0);
    a->mKlickSignal.connect([&] { ++klicksA; });
    auto* modal = Neu(new Modal);
    modal->SetGroesse({200, 200, 0}, false);
    modal->SetPosition({300, 300, 0}, false);
    Gui::Button* c = Knopf("c", 10, 10, modal);
    c->mKlickSignal.connect([&] { ++klicksC; });
    c->SetTastenkuerzel(40);
    a->SetTastenkuerzel(40);

    EXPECT_EQ(mFlaeche->ElementAnPosition({10, 10, 0}), nullptr);
    EXPECT_EQ(mFlaeche->ElementAnPosition({320, 320, 0}), c);
    mFlaeche->VerarbeiteTaste(Gui::kTasteHoch, Gui::kGedrueckt);
    EXPECT_EQ(mFlaeche->Fokus(), c);
    mFlaeche->SetFokus(nullptr);
    mFlaeche->VerarbeiteTaste(40, Gui::kGedrueckt);
    EXPECT_EQ(klicksA, 0);
    EXPECT_EQ(klicksC, 1) << "the covered later binding is skipped for the earlier one";

    modal->SetAktiv(false);
    mFlaeche->VerarbeiteTaste(40, Gui::kGedrueckt);
    EXPECT_EQ(klicksA, 1) << "a hidden modal container blocks no keys";
}

} // namespace
