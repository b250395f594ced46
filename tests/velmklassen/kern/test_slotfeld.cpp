#include "velmklassen/kern/velm_slotfeld.h"

#include <gtest/gtest.h>

TEST(SlotFeld, WaechstAufVierundsechzigUndVerdoppeltMitInhalt) {
    TSlotFeld<int> feld;
    EXPECT_EQ(feld.Kapazitaet(), 0u);
    for (int i = 0; i <= 128; ++i) {
        EXPECT_EQ(feld.Einfuegen(i), uint64_t(i));
        EXPECT_EQ(feld.Kapazitaet(), i < 64 ? 64u : i < 128 ? 128u : 256u) << i;
    }
    for (int i = 0; i <= 128; ++i)
        EXPECT_TRUE(feld.IstBelegt(i) && feld[i] == i) << i;
    EXPECT_FALSE(feld.IstBelegt(129));
    EXPECT_FALSE(feld.IstBelegt(100000));

    // A freed slot is given out again, also one below the hint inside the hint's word.
    feld.Entfernen(5);
    EXPECT_FALSE(feld.IstBelegt(5));
    EXPECT_EQ(feld.Einfuegen(0), 5u);
    EXPECT_EQ(feld.Einfuegen(0), 129u);
    feld.Entfernen(70);
    feld.Entfernen(66);
    EXPECT_EQ(feld.Einfuegen(0), 66u);
    EXPECT_EQ(feld.Einfuegen(0), 70u);

    // Setting a slot grows to the next power of two.
    TSlotFeld<int> gesetzt;
    for (const auto& [index, kapazitaet] : {std::pair{0, 64u}, {64, 128u}, {100, 128u}, {128, 256u}}) {
        gesetzt.Setze(index, index);
        EXPECT_EQ(gesetzt.Kapazitaet(), kapazitaet);
    }
    EXPECT_EQ(gesetzt[128], 128);
    EXPECT_EQ(gesetzt.FindeFreienSlot(), 1u);

    // Elements keep their alignment through every growth.
    struct alignas(16) Block {
        float v[4];
    };
    TSlotFeld<Block> bloecke;
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(reinterpret_cast<uintptr_t>(&bloecke[bloecke.Einfuegen(Block{{float(i)}})]) % 16, 0u);
    EXPECT_EQ(bloecke[199].v[0], 199.0f);
}

TEST(SlotFeld, KapazitaetOhneBehaltenLeertNurWerteNichtZeiger) {
    TSlotFeld<int> feld;
    feld.Setze(3, 3);
    feld.SetKapazitaet(100, false);
    EXPECT_EQ(feld.Kapazitaet(), 128u);
    EXPECT_FALSE(feld.IstBelegt(3));
    feld.Setze(70, 70);
    feld.SetKapazitaet(64, true);
    EXPECT_FALSE(feld.IstBelegt(70));

    int a = 1, b = 2;
    TSlotFeld<int*> zeiger;
    zeiger.Setze(3, &a);
    zeiger.Setze(70, &b);
    zeiger.SetKapazitaet(100, false);
    EXPECT_TRUE(zeiger.IstBelegt(3) && zeiger[3] == &a);
    EXPECT_TRUE(zeiger.IstBelegt(70) && zeiger[70] == &b);
    zeiger.SetKapazitaet(64, false);
    EXPECT_TRUE(zeiger.IstBelegt(3));
    EXPECT_FALSE(zeiger.IstBelegt(70));
}
