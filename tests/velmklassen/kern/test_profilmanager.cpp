#include "velmklassen/kern/velm_profilmanager.h"

#include <gtest/gtest.h>

namespace {
// Asked from a static initialiser of this file: the manager and its root exist whatever the order
// in which the translation units are initialised.
const size_t gKnotenBeimStart = Velm_ProfilManager::Global().Knoten().size();
} // namespace

TEST(ProfilManager, NachDemStartNurDieWurzel) {
    EXPECT_EQ(gKnotenBeimStart, 1u);
    const Velm_ProfilManager& manager = Velm_ProfilManager::Global();
    ASSERT_EQ(manager.Knoten().size(), 1u);
    const Velm_ProfilKnoten& wurzel = manager.Wurzel();
    EXPECT_EQ(manager.Knoten()[0], &wurzel);
    EXPECT_EQ(wurzel.mIndex, 0u);
    EXPECT_EQ(wurzel.mName, "Gesamt");
    EXPECT_TRUE(wurzel.mDatei.ends_with("velm_profilmanager.cpp")) << wurzel.mDatei;
    EXPECT_EQ(wurzel.mZeile, 12);
    for (uint64_t zaehler : wurzel.mZaehler)
        EXPECT_EQ(zaehler, 0u);
    EXPECT_TRUE(wurzel.mKinder.empty());
    ASSERT_EQ(manager.OffeneKnoten().size(), 1u);
    EXPECT_EQ(manager.OffeneKnoten().front(), &wurzel);
}

TEST(ProfilManager, RegistrierenGibtDieLaufendeNummer) {
    Velm_ProfilManager manager;
    Velm_ProfilKnoten a, b;
    EXPECT_EQ(manager.Registriere(a), 1u);
    EXPECT_EQ(manager.Registriere(b), 2u);
    ASSERT_EQ(manager.Knoten().size(), 3u);
    EXPECT_EQ(manager.Knoten()[1], &a);
    EXPECT_EQ(manager.Knoten()[2], &b);
    EXPECT_EQ(manager.OffeneKnoten().size(), 1u);
}
