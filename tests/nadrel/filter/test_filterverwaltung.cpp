// The filter manager's folder: only files named exactly "filter.<name>.xml" directly in it are
// loaded, and a folder that cannot be read leaves the manager without effects.

#include "testhilfe.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

using namespace Spiel;
using FilterVerwaltungTest = filtertest::FilterTest;

TEST_F(FilterVerwaltungTest, NurDateienMitGenauDiesenNamen) {
    std::filesystem::create_directories(mOrdner.Pfad() / "unter");
    for (const char* datei : {"filter.a.xml", "Filter.b.xml", "filter.c.XML", "unter/filter.d.xml",
                              "filter.xml", "filter.e.xml.alt", "filter..xml"})
        std::ofstream(mOrdner.Pfad() / datei) << "<e><filter>" VS PS "</filter></e>";
    FilterVerwaltung verwaltung(mOrdner.Pfad());
    std::vector<std::string> namen;
    for (const FilterEffekt& e : verwaltung.mEffekte)
        namen.push_back(e.mName);
    std::sort(namen.begin(), namen.end());
    EXPECT_EQ(namen, (std::vector<std::string>{"", "a"}));
    EXPECT_EQ(mLog.Anzahl("filter.xml\" benennt keinen Effekt."), 1);

    EXPECT_TRUE(FilterVerwaltung(mOrdner.Pfad() / "fehlt").mEffekte.empty());
    EXPECT_EQ(mLog.Anzahl("!FilterVerwaltung::FilterVerwaltung(): Ordner \"" +
                          (mOrdner.Pfad() / "fehlt").string() + "\" ist nicht lesbar"),
              1);
}

} // namespace
