#include "velmklassen/kern/velm_profilmanager.h"

#include <gtest/gtest.h>

namespace {
// Asked from a static initialiser of this file: the manager and its root exist whatever the order
// in which the translation units are initialised.
const size_t gKnotenBeimStart = Velm_ProfilManager::Global().Knoten().size();
} // namespace

TEST(ProfilManager, NachDemStartNurDieWurzelDanachLaufendeNummern) {
    EXPECT_EQ(gKnotenBeimStart, 1u);
    Velm_ProfilKnoten knoten;
    EXPECT_EQ(Velm_ProfilManager::Global().Registriere(knoten), 1u);
}
