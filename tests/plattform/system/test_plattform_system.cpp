#include "plattform/system/plattform_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <vector>

TEST(PlattformSystem, ZaehlerZaehltNanosekunden) {
    const int64_t vorher = Plattform::LiesZaehler();
    Plattform::Schlafe(20);
    const int64_t dauer = Plattform::LiesZaehler() - vorher;
    EXPECT_GE(dauer, 20'000'000);
    EXPECT_LT(dauer, 2'000'000'000);
}

TEST(PlattformSystem, ZufallHatFuenfzehnBitUndDieBekannteFolge) {
    Plattform::SetzeZufallsSaat(1);
    EXPECT_EQ(std::vector<int>({Plattform::Zufall(), Plattform::Zufall(), Plattform::Zufall()}),
              std::vector<int>({41, 18467, 6334}));
    // Fifteen bits, every one of them used.
    int groesste = 0;
    for (int i = 0; i < 100000; ++i)
        groesste = std::max(groesste, Plattform::Zufall());
    EXPECT_EQ(groesste, Plattform::kZufallMax);
}

TEST(PlattformSystem, HaltepunktOhneHakenBeendetDenProzess) {
    EXPECT_EXIT(Plattform::Haltepunkt(), testing::KilledBySignal(SIGTRAP), "Haltepunkt ohne Debugger");
}
