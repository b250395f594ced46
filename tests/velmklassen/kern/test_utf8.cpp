#include "velmklassen/kern/velm_utf8.h"

#include <gtest/gtest.h>

#include <string_view>

using namespace std::string_view_literals;

TEST(Utf8, JederBereichUndErsatzpaare) {
    // clang-format off
    const std::pair<uint32_t, const char*> faelle[] = {
        {0, ""}, {0x7F, "\x7F"}, {0x80, "\xC2\x80"}, {0x7FF, "\xDF\xBF"}, {0x800, "\xE0\xA0\x80"},
        {0xFFFF, "\xEF\xBF\xBF"}, {0x10000, "\xF0\x90\x80\x80"}};
    // clang-format on
    for (const auto& [zeichen, utf8] : faelle)
        EXPECT_EQ(Velm_KodiereUtf8(zeichen), utf8) << zeichen;
    // A lone high surrogate at the end and a zero are left out.
    const std::u16string_view text = u"Grü\0ße 😀\xD83D"sv;
    EXPECT_EQ(Velm_WandleUtf16InUtf8(text.data(), text.data() + text.size()), "Grüße 😀");
}
