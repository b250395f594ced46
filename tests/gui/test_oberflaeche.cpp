// The element tree, the surface's keys, pointer, focus and bindings, and the box layout, without a
// window and with the global timer stepped by hand.

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

TEST_F(Flaeche, EigenschaftenFallenAufDieOberflaecheZurueck) {
    SetzeZahl(mFlaeche->Eigenschaften(), "text.groesse.x", 120);
    SetzeZahl(mFlaeche->Eigenschaften(), "text.groesse.y", 30);
    auto* text = Neu(new Gui::Text("t", true));
    SetzeZahl(text->Eigenschaften(), "text.groesse.y", 25);
    EXPECT_EQ(text->GibWunschGroesse(), (BVektor{120, 25, 0}));
    EXPECT_EQ(text->GibEigenschaft("fehlt", 7), 7);
}

TEST_F(Flaeche, KinderWandernVerbergenUndGehen) {
    const size_t vorher = Velm_Zeitgeber::Global().AnzahlAufrufe();
    auto* a = Neu(new Gui::VaterBasis);
    auto* b = Neu(new Gui::VaterBasis);
    auto* kind = Neu(new Kasten, a);
    b->AddKind(kind);
    EXPECT_TRUE(a->Kinder().empty());
    EXPECT_EQ(kind->Vater(), b);

    b->SetAktiv(false);
    EXPECT_FALSE(kind->IstAktiv()) << "a container passes its flag on";
    EXPECT_EQ(Velm_Zeitgeber::Global().AnzahlAufrufe(), vorher + 1) << "one layout pass for all changes";
    // Deleted with its container, a focused button leaves neither focus nor binding behind.
    auto* knopf = Knopf("k", 0, 0, a);
    knopf->SetTastenkuerzel(40);
    mFlaeche->SetFokus(knopf);
    delete a;
    EXPECT_EQ(mFlaeche->Fokus(), nullptr);
    EXPECT_TRUE(mFlaeche->Bindungen(40).empty());
    EXPECT_EQ(mFlaeche->Kinder(), (std::vector<Gui::Basis*>{b}));
}

// One child of a layout case: preferred size, stretch, active, placed by layout.
struct Kind {
    BVektor wunsch;
    BVektor dehnung;
    bool aktiv = true;
    bool durchLayout = true;
};
struct Ergebnis {
    BVektor position, groesse;
};
struct LayoutFall {
    const char* name;
    uint32_t art;
    BVektor ausrichtung;
    BVektor vaterGroesse;
    std::vector<Kind> kinder;
    std::vector<Ergebnis> erwartet;
    BVektor wunsch;
};

TEST_F(Flaeche, ZeilenUndSpalten) {
    const BVektor x40{100, 40, 0};
    // clang-format off
    const std::vector<LayoutFall> faelle = {
        {"spalte dehnt", 1, {0.5f, 0.5f}, {200, 200}, {{x40, {0, 1}}, {x40, {0, 0}}},
         {{{50, 10}, {100, 130}}, {{50, 150}, {100, 40}}}, {120, 110}},
        {"spalte ohne dehnung", 1, {0, 1}, {200, 200}, {{x40, {}}, {x40, {}}},
         {{{10, 100}, {100, 40}}, {{10, 150}, {100, 40}}}, {120, 110}},
        {"zu gross schrumpft", 1, {0.5f, 0}, {200, 100}, {{x40, {1, 1}}, {x40, {0, 1}}},
         {{{10, 10}, {180, 35}}, {{50, 55}, {100, 35}}}, {120, 110}},
        {"fest platziert", 1, {0.5f, 0}, {200, 200}, {{x40, {}, true, false}, {x40, {}}},
         {{{7, 7}, {100, 40}}, {{50, 60}, {100, 40}}}, {120, 110}},
        // The spacing before the first active child stays: 180 free, 40 and 10 taken.
        {"inaktiv zaehlt nur im wunsch", 1, {0.5f, 0}, {200, 200}, {{x40, {}, false}, {x40, {0, 1}}},
         {{{0, 0}, {100, 50}}, {{50, 10}, {100, 170}}}, {120, 110}},
        {"zeile dehnt", 0, {0.5f, 0.5f}, {300, 100}, {{x40, {1, 0}}, {x40, {0, 1}}},
         {{{10, 30}, {170, 40}}, {{190, 10}, {100, 80}}}, {230, 60}},
        {"leere zeile", 0, {0.5f, 0.5f}, {300, 100}, {}, {}, {10, 20}},
        {"leere spalte", 1, {0.5f, 0.5f}, {300, 100}, {}, {}, {20, 10}},
    };
    // clang-format on
    for (const LayoutFall& fall : faelle) {
        SCOPED_TRACE(fall.name);
        auto* vater = Neu(new Gui::VaterBasis);
        SetzeZahl(vater->Eigenschaften(), "elmAbstand.x", 10);
        SetzeZahl(vater->Eigenschaften(), "elmAbstand.y", 10);
        vater->SetGroesse(fall.vaterGroesse, false);
        vater->SetLayout(std::make_unique<Gui::Anordnung>(fall.art, fall.ausrichtung.x, fall.ausrichtung.y));
        std::vector<Kasten*> kinder;
        for (const Kind& k : fall.kinder) {
            Kasten* kasten = Neu(new Kasten(k.wunsch), vater);
            kasten->SetDehnung(k.dehnung);
            kasten->SetAktiv(k.aktiv);
            if (!k.durchLayout)
                kasten->SetPosition({7, 7, 0}, false);
            kinder.push_back(kasten);
        }
        Schritt(0.01f);
        for (size_t i = 0; i < kinder.size(); ++i) {
            EXPECT_EQ(kinder[i]->Position(), fall.erwartet[i].position) << i;
            EXPECT_EQ(kinder[i]->Groesse(), fall.erwartet[i].groesse) << i;
        }
        EXPECT_EQ(vater->GibWunschGroesse(), fall.wunsch);
        delete vater;
    }
}

} // namespace
