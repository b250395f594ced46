#include "velmklassen/kern/velm_slotfeld.h"

#include <gtest/gtest.h>

TEST(SlotFeld, WaechstVonLeerAufVierundsechzigUndVerdoppelt) {
    TSlotFeld<int> feld;
    EXPECT_EQ(feld.Kapazitaet(), 0u);
    EXPECT_EQ(feld.FindeFreienSlot(), 0u);
    EXPECT_EQ(feld.Kapazitaet(), 64u);
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(feld.Einfuegen(i), uint64_t(i));
    EXPECT_EQ(feld.Einfuegen(64), 64u);
    EXPECT_EQ(feld.Kapazitaet(), 128u);
    for (int i = 65; i < 128; ++i)
        feld.Einfuegen(i);
    EXPECT_EQ(feld.Einfuegen(128), 128u);
    EXPECT_EQ(feld.Kapazitaet(), 256u);
    for (int i = 0; i <= 128; ++i) {
        EXPECT_TRUE(feld.IstBelegt(i));
        EXPECT_EQ(feld[i], i); // the content survives every growth
    }
    EXPECT_FALSE(feld.IstBelegt(129));
    EXPECT_FALSE(feld.IstBelegt(100000));
}

TEST(SlotFeld, FreigegebenerSlotWirdWiederVergeben) {
    TSlotFeld<void*> feld;
    for (int i = 0; i < 100; ++i)
        feld.Einfuegen(nullptr);
    feld.Entfernen(5);
    EXPECT_EQ(feld.Hinweis(), 5u);
    EXPECT_FALSE(feld.IstBelegt(5));
    EXPECT_EQ(feld.Einfuegen(nullptr), 5u);
    EXPECT_EQ(feld.Einfuegen(nullptr), 100u);
    // A free slot below the hint but inside the hint's word is found too.
    feld.Entfernen(70);
    feld.Entfernen(66);
    EXPECT_EQ(feld.Einfuegen(nullptr), 66u);
    EXPECT_EQ(feld.Einfuegen(nullptr), 70u);
}

TEST(SlotFeld, SetzeWaechstAufDieNaechsteZweierpotenz) {
    struct Wert {
        uint64_t a, b;
    };
    TSlotFeld<Wert> feld;
    feld.Setze(0, {1, 2});
    EXPECT_EQ(feld.Kapazitaet(), 64u);
    feld.Setze(64, {3, 4});
    EXPECT_EQ(feld.Kapazitaet(), 128u);
    feld.Setze(100, {5, 6});
    EXPECT_EQ(feld.Kapazitaet(), 128u);
    feld.Setze(128, {7, 8});
    EXPECT_EQ(feld.Kapazitaet(), 256u);
    EXPECT_EQ(feld.Hinweis(), 0u);
    EXPECT_EQ(feld[64].b, 4u);
    EXPECT_EQ(feld[128].a, 7u);
    EXPECT_TRUE(feld.IstBelegt(100));
    EXPECT_EQ(feld.FindeFreienSlot(), 1u);
}

TEST(SlotFeld, KapazitaetOhneBehaltenLeert) {
    TSlotFeld<int> feld;
    feld.Setze(3, 3);
    feld.SetKapazitaet(100, false);
    EXPECT_EQ(feld.Kapazitaet(), 128u);
    EXPECT_FALSE(feld.IstBelegt(3));
    feld.Setze(70, 70);
    feld.SetKapazitaet(64, true);
    EXPECT_EQ(feld.Kapazitaet(), 64u);
    EXPECT_FALSE(feld.IstBelegt(70));
}

TEST(SlotFeld, ZeigerBehaltenIhrenInhaltImmer) {
    int a = 1, b = 2;
    TSlotFeld<int*> feld;
    feld.Setze(3, &a);
    feld.Setze(70, &b);
    feld.SetKapazitaet(100, false);
    EXPECT_EQ(feld.Kapazitaet(), 128u);
    ASSERT_TRUE(feld.IstBelegt(3));
    ASSERT_TRUE(feld.IstBelegt(70));
    EXPECT_EQ(feld[3], &a);
    EXPECT_EQ(feld[70], &b);
    feld.SetKapazitaet(64, false);
    EXPECT_TRUE(feld.IstBelegt(3));
    EXPECT_FALSE(feld.IstBelegt(70));
    feld.SetKapazitaet(0, false);
    EXPECT_EQ(feld.Kapazitaet(), 0u);
}

TEST(SlotFeld, ElementeMitGrosserAusrichtung) {
    struct alignas(16) Block {
        float v[4];
    };
    TSlotFeld<Block> feld;
    for (int i = 0; i < 200; ++i) {
        const uint64_t index = feld.Einfuegen(Block{{float(i), 0, 0, 0}});
        EXPECT_EQ(reinterpret_cast<uintptr_t>(&feld[index]) % 16, 0u);
    }
    EXPECT_EQ(feld[199].v[0], 199.0f);
}
