#pragma once
// Shared by the filter tests and the scene renderer's: shaders that compile for effect texts
// written inline, the check of log lines, a filter set with one effect active, and the fixture on
// the headless device that fails a test in which the engine breaks into the debugger.

#include "nadrel/filter/filterverwaltung.h"
#include "testhilfen/testhilfen.h"
#include "velmklassen/render/testhilfe.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Shaders that compile, for effect texts written inline.
#define VS                                                                                                   \
    "<vertexShader>$rein float4 ecke; $raus float4 position; $main() { position = ecke; }</vertexShader>"
#define PS "<pixelShader>$raus float4 farbe; $main() { farbe = float4( 0, 0, 0, 1); }</pixelShader>"

namespace filtertest {

// Every line holds its expected text, in order.
inline void ErwarteZeilen(const std::vector<std::string>& ist, const std::vector<std::string>& soll) {
    ASSERT_EQ(ist.size(), soll.size()) << ::testing::PrintToString(ist);
    for (size_t i = 0; i < ist.size(); ++i)
        EXPECT_NE(ist[i].find(soll[i]), std::string::npos) << ist[i];
}

// A set with the one effect active, its chain computed.
inline Spiel::FilterSatz Satz(const std::vector<Spiel::FilterEffekt>& effekte, const std::string& name) {
    Spiel::FilterSatz satz(effekte);
    satz.AddFilter(name, 7);
    Spiel::FilterVerwaltung::BerechneFilterkette(satz);
    return satz;
}

// A test on the headless device with a temporary folder; a debugger break fails it.
class FilterTest : public rendertest::Kontext {
protected:
    void TearDown() override {
        EXPECT_EQ(mBrueche.Anzahl(), 0);
        Kontext::TearDown();
    }

    TTempOrdner mOrdner;
};

} // namespace filtertest
