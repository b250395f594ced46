#include "plattform/system/plattform_speicherseiten.h"
#include "testhilfen/testhilfen.h"

#include <gtest/gtest.h>

#include <cstdlib>

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
