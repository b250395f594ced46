// The box layout: rows and columns with their spacing, stretch, alignment and the preferred size.

#include "testhilfe.h"

using namespace guitest;

namespace {

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
