#include "velmklassen/kern/velm_slotfeld.h"

#include <gtest/gtest.h>

#include <vector>

TEST(SlotFeld, WaechstAufVierundsechzigUndVerdoppeltMitInhalt) {
    TSlotFeld<int> feld;
    for (int i = 0; i <= 128; ++i)
        EXPECT_EQ(feld.Einfuegen(i), uint64_t(i));
    EXPECT_EQ(feld.Kapazitaet(), 256u);
    for (int i = 0; i <= 128; ++i)
        EXPECT_TRUE(feld.IstBelegt(i) && feld[i] == i) << i;
    EXPECT_FALSE(feld.IstBelegt(129) || feld.IstBelegt(100000));

    // Freed slots are given out again, lowest first.
    for (uint64_t i : {70, 5, 66})
        feld.Entfernen(i);
    EXPECT_EQ((std::vector{feld.Einfuegen(0), feld.Einfuegen(0), feld.Einfuegen(0), feld.Einfuegen(0)}),
              (std::vector<uint64_t>{5, 66, 70, 129}));

    // Setting a slot grows to the next power of two above it.
    TSlotFeld<int> gesetzt;
    for (int index : {0, 64, 100, 128})
        gesetzt.Setze(index, index);
    EXPECT_EQ(gesetzt.Kapazitaet(), 256u);
    EXPECT_EQ(gesetzt[128], 128);
    EXPECT_EQ(gesetzt.FindeFreienSlot(), 1u);

    // Elements keep their alignment through every growth.
    struct alignas(16) Block {
        float v[4];
    };
    TSlotFeld<Block> bloecke;
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(reinterpret_cast<uintptr_t>(&bloecke[bloecke.Einfuegen(Block{{float(i)}})]) % 16, 0u);
}

TEST(SlotFeld, KapazitaetOhneBehaltenLeertNurWerteNichtZeiger) {
    TSlotFeld<int> werte;
    TSlotFeld<int*> zeiger;
    int a = 1, b = 2;
    werte.Setze(3, 3);
    zeiger.Setze(3, &a);
    zeiger.Setze(70, &b);
    werte.SetKapazitaet(100, false);
    zeiger.SetKapazitaet(100, false);
    EXPECT_EQ(werte.Kapazitaet(), 128u);
    EXPECT_FALSE(werte.IstBelegt(3));
    EXPECT_TRUE(zeiger.IstBelegt(3) && zeiger[3] == &a && zeiger.IstBelegt(70) && zeiger[70] == &b);
    // Taken down, the slots above the new capacity go.
    zeiger.SetKapazitaet(64, false);
    EXPECT_TRUE(zeiger.IstBelegt(3) && !zeiger.IstBelegt(70));
}
