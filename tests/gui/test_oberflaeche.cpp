// The surface without a window and with the global timer stepped by hand: its keys, pointer,
// focus, navigation and modal containers, the key bindings, the tooltips and its end.

#include "testhilfe.h"

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

// A binding is appended unless it is the list's last already; codes outside 0..269 are ignored. A
// shortcut binds once its button reaches the surface; the latest binding is served first.
TEST_F(Flaeche, TastenBindungen) {
    Gui::Basis* a = Neu(new Kasten);
    Gui::Basis* b = Neu(new Kasten);
    for (Gui::Basis* element : {a, a, b, a})
        mFlaeche->BindeTaste(7, element);
    EXPECT_EQ(mFlaeche->Bindungen(7), (std::vector<Gui::Basis*>{a, b, a}));
    mFlaeche->LoeseTaste(7, a);
    EXPECT_EQ(mFlaeche->Bindungen(7), (std::vector<Gui::Basis*>{b}));
    mFlaeche->BindeTaste(300, a);
    mFlaeche->VerarbeiteTaste(-1, Gui::kGedrueckt);
    mFlaeche->VerarbeiteTaste(270, Gui::kGedrueckt);

    std::vector<std::string> klicks;
    auto* vater = new Gui::VaterBasis;
    auto* erster = Knopf("erster", 0, 0, vater);
    erster->SetTastenkuerzel(45);
    erster->mKlickSignal.connect([&] { klicks.push_back("erster"); });
    EXPECT_TRUE(mFlaeche->Bindungen(45).empty());
    Neu(vater);
    auto* zweiter = Knopf("zweiter", 0, 100);
    zweiter->SetTastenkuerzel(45);
    zweiter->mKlickSignal.connect([&] { klicks.push_back("zweiter"); });
    mFlaeche->VerarbeiteTaste(45, Gui::kGedrueckt);
    mFlaeche->VerarbeiteTaste(45, Gui::kLosgelassen);
    delete zweiter;
    mFlaeche->VerarbeiteTaste(45, Gui::kGedrueckt);
    EXPECT_EQ(klicks, (std::vector<std::string>{"zweiter", "erster"}));
}

// A tooltip shows once the pointer rested 0.5 s on its owner and stays while the pointer moves
// within it; it fades for 0.5 s once the pointer leaves, and forgets an owner deleted meanwhile.
TEST_F(Flaeche, Hinweise) {
    Gui::Basis* besitzer[2];
    for (int i = 0; i < 2; ++i) {
        besitzer[i] = Knopf("k", 200.0f * float(i), 0);
        besitzer[i]->SetHinweisText("Hinweis " + std::to_string(i));
    }
    mFlaeche->VerarbeiteMausBewegung({10, 10, 0});
    Schritt(0.3f);
    mFlaeche->VerarbeiteMausBewegung({10, 10, 0}); // a move of length 0 restarts nothing
    EXPECT_EQ(mFlaeche->GibHinweisZustand(), Gui::Oberflaeche::kHinweisGeplant);
    Schritt(0.25f);
    Gui::Hinweis* hinweis = mFlaeche->HinweisElement();
    ASSERT_NE(hinweis, nullptr);
    EXPECT_EQ(mFlaeche->Kinder().back(), hinweis);
    EXPECT_EQ(hinweis->GibText(), "Hinweis 0");
    mFlaeche->VerarbeiteMausBewegung({20, 20, 0});
    EXPECT_EQ(mFlaeche->HinweisElement(), hinweis);

    mFlaeche->VerarbeiteMausBewegung({210, 10, 0});
    EXPECT_FALSE(hinweis->IstAktiv());
    delete besitzer[0];
    EXPECT_EQ(hinweis->Besitzer(), nullptr);
    Schritt(0.4f);
    EXPECT_EQ(mFlaeche->Kinder().size(), 2u) << "the old one still fades";
    Schritt(0.2f);
    EXPECT_EQ(mFlaeche->Kinder().size(), 2u) << "the old one went, the new one came";
    EXPECT_EQ(mFlaeche->HinweisElement()->GibText(), "Hinweis 1");

    mFlaeche->HinweisElement()->Ausblenden();
    delete besitzer[1];
    EXPECT_EQ(mFlaeche->HinweisElement(), nullptr);
    EXPECT_TRUE(mFlaeche->Kinder().empty()) << "the shown tooltip goes with its owner";
    Schritt(1);
}

TEST_F(Flaeche, AbbauMitOffenenAufrufen) {
    mFlaeche.reset();
    Schritt(1);
    const size_t vorher = Velm_Zeitgeber::Global().AnzahlAufrufe();
    // What each case leaves behind when the surface goes: a tooltip about to show, one shown and
    // fading on its own, one fading after the pointer left, a pending layout.
    // Pointer positions along x; 0 stands for resting 0.6 s.
    const std::vector<std::vector<float>> zeigerWege = {{10}, {10, 0}, {10, 0, 210}};
    for (size_t fall = 0; fall < zeigerWege.size(); ++fall) {
        mFlaeche = std::make_unique<Gui::Oberflaeche>("");
        for (float x : {0.0f, 200.0f}) {
            Gui::Button* knopf = Knopf("k", x, 0);
            knopf->SetTastenkuerzel(40);
            knopf->SetHinweisText("h");
        }
        for (float x : zeigerWege[fall]) {
            if (x == 0)
                Schritt(0.6f);
            else
                mFlaeche->VerarbeiteMausBewegung({x, 10, 0});
        }
        if (fall == 1)
            mFlaeche->HinweisElement()->Ausblenden();
        mFlaeche->Kinder()[0]->SetGroesse({90, 50, 0}, false);
        mFlaeche.reset();
        EXPECT_EQ(Velm_Zeitgeber::Global().AnzahlAufrufe(), vorher) << fall;
        Schritt(1);
    }
}

} // namespace
