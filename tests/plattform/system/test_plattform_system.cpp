#include "plattform/system/plattform_system.h"

#include <gtest/gtest.h>

#include <set>

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
    std::set<int> gesehen;
    for (int i = 0; i < 100000; ++i)
        gesehen.insert(Plattform::Zufall());
    EXPECT_GE(*gesehen.begin(), 0);
    EXPECT_LE(*gesehen.rbegin(), Plattform::kZufallMax);
    EXPECT_GT(gesehen.size(), 30000u);
}
