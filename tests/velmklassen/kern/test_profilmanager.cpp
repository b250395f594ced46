#include "velmklassen/kern/velm_profilmanager.h"

#include <gtest/gtest.h>

namespace {
// Asked from a static initialiser of this file: the manager and its root exist whatever the order
// in which the translation units are initialised.
const size_t gKnotenBeimStart = Velm_ProfilManager::Global().Knoten().size();
} // namespace

TEST(ProfilManager, NachDemStartNurDieWurzelDanachLaufendeNummern) {
    EXPECT_EQ(gKnotenBeimStart, 1u);
    EXPECT_EQ(Velm_ProfilManager::Global().Wurzel().mName, "Gesamt");
    Velm_ProfilManager manager;
    Velm_ProfilKnoten a, b;
    EXPECT_EQ(manager.Registriere(a), 1u);
    EXPECT_EQ(manager.Registriere(b), 2u);
    EXPECT_EQ(manager.Knoten()[2], &b);
}
