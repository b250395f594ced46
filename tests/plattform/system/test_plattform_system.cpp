#include "plattform/system/plattform_system.h"

#include <gtest/gtest.h>

#include <csignal>
#include <set>
#include <thread>

TEST(PlattformSystem, ZaehlerLaeuftInNanosekunden) {
    const int64_t vorher = Plattform::LiesZaehler();
    Plattform::Schlafe(20);
    const int64_t nachher = Plattform::LiesZaehler();
    EXPECT_GE(nachher - vorher, 20'000'000);
    EXPECT_LT(nachher - vorher, 2'000'000'000);
    EXPECT_EQ(Plattform::kZaehlerFrequenz, 1'000'000'000);
}

TEST(PlattformSystem, FadenIdsUndProzessoren) {
    const uint32_t haupt = Plattform::FadenId();
    uint32_t anderer = haupt;
    std::thread([&] { anderer = Plattform::FadenId(); }).join();
    EXPECT_NE(haupt, anderer);
    EXPECT_EQ(haupt, Plattform::FadenId());
    EXPECT_GE(Plattform::ProzessorAnzahl(), 1u);
}

TEST(PlattformSystem, ZufallHatFuenfzehnBitUndDieBekannteFolge) {
    Plattform::SetzeZufallsSaat(1);
    EXPECT_EQ(Plattform::Zufall(), 41);
    EXPECT_EQ(Plattform::Zufall(), 18467);
    EXPECT_EQ(Plattform::Zufall(), 6334);
    std::set<int> gesehen;
    for (int i = 0; i < 100000; ++i) {
        const int wert = Plattform::Zufall();
        ASSERT_GE(wert, 0);
        ASSERT_LE(wert, Plattform::kZufallMax);
        gesehen.insert(wert);
    }
    EXPECT_GT(gesehen.size(), 30000u);
    Plattform::SetzeZufallsSaat(1);
    EXPECT_EQ(Plattform::Zufall(), 41);
}

namespace {
int gBrueche = 0;
void Zaehle() {
    ++gBrueche;
}
} // namespace

TEST(PlattformSystem, HaltepunktHakenFaengtDenBruch) {
    const Plattform::HaltepunktHaken vorher = Plattform::SetzeHaltepunktHaken(&Zaehle);
    Plattform::Haltepunkt();
    Plattform::Haltepunkt();
    EXPECT_EQ(gBrueche, 2);
    EXPECT_EQ(Plattform::SetzeHaltepunktHaken(vorher), &Zaehle);
    EXPECT_EXIT(Plattform::Haltepunkt(), testing::KilledBySignal(SIGTRAP), "");
}
