#include "plattform/system/plattform_faden.h"
#include "plattform/system/plattform_speicherseiten.h"
#include "plattform/system/plattform_system.h"
#include "testhilfen/testhilfen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <pthread.h>
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

// Longer names keep their first 15 characters instead of being refused.
TEST(Faden, TraegtDieErstenFuenfzehnZeichenSeinesNamens) {
    std::atomic<bool> weiter{false};
    std::thread faden = Plattform::StarteFaden("velm-ein-sehr-langer-name", [&] {
        while (!weiter)
            std::this_thread::yield();
    });
    char name[32] = {};
    pthread_getname_np(faden.native_handle(), name, sizeof name);
    weiter = true;
    faden.join();
    EXPECT_STREQ(name, "velm-ein-sehr-l");
}

TEST(Speicherseiten, GesperrteSeiteFaengtJedenZugriffIhreNachbarnNicht) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const size_t seite = Plattform::SeitenGroesse();
    std::byte* const block = static_cast<std::byte*>(Plattform::ReserviereSeiten(3 * seite));
    ASSERT_NE(block, nullptr);
    // Not page aligned: refused, and the page before stays writable.
    EXPECT_FALSE(Plattform::SperreSeiten(block + 1, seite));
    ASSERT_TRUE(Plattform::SperreSeiten(block + seite, seite));
    // The neighbours stay usable up to the last byte before and from the first byte after it.
    block[seite - 1] = std::byte{1};
    block[2 * seite] = std::byte{2};
    volatile std::byte* const gesperrt = block + seite;
    EXPECT_EXIT(gesperrt[0] = std::byte{3}, kSpeicherschutzFehler, "");
    EXPECT_EXIT(std::exit(int(gesperrt[seite - 1])), kSpeicherschutzFehler, "");
    Plattform::GibSeitenFrei(block, 3 * seite);
}
