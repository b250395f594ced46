#include "velmklassen/kern/velm_befehlszeile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Liste = std::vector<std::string>;

} // namespace

TEST(Befehlszeile, BlankKommaUndAnfuehrungszeichenTrennen) {
    const std::pair<const char*, Liste> faelle[] = {
        {"1, 2, 3", {"1", "2", "3"}}, {"a,,b", {"a", "", "b"}},
        {"a , b", {"a", "", "b"}},    {"a,", {"a"}},
        {"   a   b   ", {"a", "b"}},  {"", {}},
        {"a\tb", {"a\tb"}},           {"\"x y\", z", {"x y", "z"}},
        {"ab\"c d\"", {"c d"}},       {"\"\"", {""}},
        {"\"a\"b", {"a", "b"}},       {"\"offen bis zum Ende", {"offen bis zum Ende"}},
    };
    for (const auto& [text, erwartet] : faelle) {
        const Velm_Befehlszeile zeile = Velm_Befehlszeile::Zerlege(text);
        Liste tokens;
        for (size_t i = 0; i < zeile.Anzahl(); ++i)
            tokens.push_back(zeile.Token(i));
        EXPECT_EQ(tokens, erwartet) << text;
    }
    const Velm_Befehlszeile zeile = Velm_Befehlszeile::Zerlege("1.5 -2e1 abc 7x");
    EXPECT_EQ(std::vector<float>({zeile.Wert(0), zeile.Wert(1), zeile.Wert(2), zeile.Wert(3), zeile.Wert(4)}),
              std::vector<float>({1.5f, -20.0f, 0.0f, 7.0f, 0.0f}));
    EXPECT_EQ(zeile.Token(4), "");
}
