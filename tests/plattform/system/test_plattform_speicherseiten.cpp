#include "plattform/system/plattform_speicherseiten.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstddef>
#include <cstring>

// Without AddressSanitizer the kernel ends the process with SIGSEGV; with it, its own handler
// reports the fault and exits.
#if defined(__SANITIZE_ADDRESS__)
const auto kSpeicherschutzFehler = [](int status) { return status != 0; };
#else
const auto kSpeicherschutzFehler = ::testing::KilledBySignal(SIGSEGV);
#endif

TEST(Speicherseiten, GesperrteSeiteFaengtJedenZugriffIhreNachbarnNicht) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const size_t seite = Plattform::SeitenGroesse();
    ASSERT_EQ(seite & (seite - 1), 0u);
    std::byte* const block = static_cast<std::byte*>(Plattform::ReserviereSeiten(3 * seite));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % seite, 0u);
    EXPECT_EQ(block[3 * seite - 1], std::byte{0});
    // Not page aligned: refused, and the page stays writable.
    EXPECT_FALSE(Plattform::SperreSeiten(block + 1, seite));
    std::memset(block, 0x5A, 3 * seite);
    ASSERT_TRUE(Plattform::SperreSeiten(block + seite, seite));

    // The neighbours stay usable up to the last byte before and from the first byte after it.
    block[seite - 1] = std::byte{1};
    block[2 * seite] = std::byte{2};
    EXPECT_EXIT(
        {
            volatile std::byte* gesperrt = block + seite;
            gesperrt[0] = std::byte{3};
        },
        kSpeicherschutzFehler, "");
    EXPECT_EXIT(
        {
            volatile std::byte* gesperrt = block + seite;
            std::exit(int(gesperrt[seite - 1]));
        },
        kSpeicherschutzFehler, "");
    Plattform::GibSeitenFrei(block, 3 * seite);
}
