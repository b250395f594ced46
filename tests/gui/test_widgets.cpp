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
