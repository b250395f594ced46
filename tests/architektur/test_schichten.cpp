// The layers of the tree: every #include of source/ and sourceext/ is one that the README's
// Architecture section allows, and the README's tables name the folders that exist.

#include "testhilfen/testhilfen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const fs::path kWurzel = VELM_WURZEL;

// A table of the README's Architecture section: first cell → the names of the second, each
// between backticks ("–" names none).
using Tabelle = std::map<std::string, std::set<std::string>>;

std::vector<std::string> InBackticks(const std::string& zelle) {
    std::vector<std::string> namen;
    for (size_t a = zelle.find('`'); a != std::string::npos; a = zelle.find('`', a + 1)) {
        const size_t e = zelle.find('`', a + 1);
        if (e == std::string::npos)
            break;
        namen.push_back(zelle.substr(a + 1, e - a - 1));
        a = e;
    }
    return namen;
}

// The rows below the header line `kopf` up to the first line that is not a row.
Tabelle LiesTabelle(const std::string& kopf) {
    std::istringstream readme(TextDerDatei(kWurzel / "README.md"));
    Tabelle tabelle;
    bool drin = false;
    for (std::string zeile; std::getline(readme, zeile);) {
        if (zeile == kopf) {
            drin = true;
            continue;
        }
        if (!drin || zeile.rfind("|---", 0) == 0)
            continue;
        if (zeile.empty() || zeile[0] != '|')
            break;
        const size_t trenner = zeile.find('|', 1);
        const std::vector<std::string> links = InBackticks(zeile.substr(0, trenner));
        if (links.size() != 1 || trenner == std::string::npos) {
            ADD_FAILURE() << "README: a row of \"" << kopf << "\" that is not `name` | `a`, `b`: " << zeile;
            continue;
        }
        const std::vector<std::string> rechts = InBackticks(zeile.substr(trenner));
        tabelle[links[0]] = {rechts.begin(), rechts.end()};
    }
    EXPECT_FALSE(tabelle.empty()) << "README has no table headed " << kopf;
    return tabelle;
}

struct Include {
    fs::path datei; // relative to the repository
    int zeile;
    std::string name; // as written between the quotes or angle brackets
    bool system;      // <...> naming no header of the tree
};

// The include of one line, blanks allowed before and after the "#"; nothing for any other line.
// The include roots find the tree's headers in angle brackets as well, so those count as the
// tree's own, not as the system's.
std::optional<Include> LiesInclude(const std::string& zeile) {
    size_t a = zeile.find_first_not_of(" \t");
    if (a == std::string::npos || zeile[a] != '#')
        return std::nullopt;
    a = zeile.find_first_not_of(" \t", a + 1);
    if (a == std::string::npos || zeile.compare(a, 7, "include") != 0)
        return std::nullopt;
    const size_t auf = zeile.find_first_of("\"<", a + 7);
    const size_t zu = auf == std::string::npos ? auf : zeile.find(zeile[auf] == '"' ? '"' : '>', auf + 1);
    if (zu == std::string::npos)
        return std::nullopt;
    const std::string name = zeile.substr(auf + 1, zu - auf - 1);
    const bool eigenes =
        fs::is_regular_file(kWurzel / "sourceext" / name) || fs::is_regular_file(kWurzel / "source" / name);
    return Include{{}, 0, name, zeile[auf] == '<' && !eigenes};
}

// Every source file's folder as its includes name it ("velmklassen/kern"), with its includes.
std::map<std::string, std::vector<Include>> LiesQuellen() {
    std::map<std::string, std::vector<Include>> ordner;
    for (const char* baum : {"source", "sourceext"}) {
        for (const auto& eintrag : fs::recursive_directory_iterator(kWurzel / baum)) {
            const fs::path& pfad = eintrag.path();
            if (!eintrag.is_regular_file() || (pfad.extension() != ".h" && pfad.extension() != ".cpp"))
                continue;
            std::vector<Include>& includes =
                ordner[fs::relative(pfad.parent_path(), kWurzel / baum).generic_string()];
            std::istringstream text(TextDerDatei(pfad));
            int nummer = 0;
            for (std::string zeile; std::getline(text, zeile);) {
                ++nummer;
                if (std::optional<Include> include = LiesInclude(zeile)) {
                    include->datei = fs::relative(pfad, kWurzel);
                    include->zeile = nummer;
                    includes.push_back(std::move(*include));
                }
            }
        }
    }
    return ordner;
}

const std::map<std::string, std::vector<Include>>& Quellen() {
    static const std::map<std::string, std::vector<Include>> quellen = LiesQuellen();
    return quellen;
}

std::string Ort(const Include& include) {
    return include.datei.generic_string() + ":" + std::to_string(include.zeile);
}

} // namespace

TEST(Schichten, JedesIncludeIstErlaubt) {
    const Tabelle erlaubt = LiesTabelle("| folder | may include |");
    for (const auto& [ordner, includes] : Quellen()) {
        const auto zeile = erlaubt.find(ordner);
        if (zeile == erlaubt.end()) {
            ADD_FAILURE() << "README's table of layers has no row for the folder " << ordner;
            continue;
        }
        for (const Include& include : includes) {
            if (include.system)
                continue;
            const std::string von = fs::path(include.name).parent_path().generic_string();
            if (von != ordner && zeile->second.count(von) == 0)
                ADD_FAILURE() << Ort(include) << ": " << ordner << " may not include \"" << include.name
                              << "\"";
        }
    }
    for (const auto& [ordner, erlaubte] : erlaubt) {
        for (const std::string& name : erlaubte) {
            if (Quellen().count(name) == 0)
                ADD_FAILURE() << "README's table of layers names " << name << ", which holds no source";
        }
        if (Quellen().count(ordner) == 0)
            ADD_FAILURE() << "README's table of layers names " << ordner << ", which holds no source";
    }
}

TEST(Schichten, SystemkoepfeNurInDerLinuxSchicht) {
    const Tabelle nurIn = LiesTabelle("| system header | only in |");
    for (const auto& [ordner, includes] : Quellen()) {
        for (const Include& include : includes) {
            for (const auto& [kopf, ordnerListe] : nurIn) {
                // "<EGL/" names a folder of headers, "<signal.h>" one header.
                const std::string name = kopf.substr(1, kopf.size() - (kopf.back() == '>' ? 2 : 1));
                if (include.system && include.name.rfind(name, 0) == 0 && ordnerListe.count(ordner) == 0)
                    ADD_FAILURE() << Ort(include) << ": " << kopf << " belongs to "
                                  << ::testing::PrintToString(ordnerListe);
            }
        }
    }
}

// Every way of writing an include is read; one of the tree's headers is the tree's in angle
// brackets too, so that neither brackets nor blanks take an include past the table.
TEST(Schichten, JedeSchreibweiseEinesIncludes) {
    struct Fall {
        std::string zeile;
        std::optional<std::pair<std::string, bool>> include; // name, system
    };
    const Fall faelle[] = {
        {"#include \"gui/gui_basis.h\"", std::pair{"gui/gui_basis.h", false}},
        {"  #  include <gui/gui_basis.h>", std::pair{"gui/gui_basis.h", false}},
        {"#\tinclude\t<nadrel/welt/szene.h> // Welt", std::pair{"nadrel/welt/szene.h", false}},
        {"#include <vector>", std::pair{"vector", true}},
        {"#include <EGL/egl.h>", std::pair{"EGL/egl.h", true}},
        {"// #include \"gui/gui_basis.h\"", std::nullopt},
        {"#include KOPF", std::nullopt},
        {"#define INCLUDE \"gui/gui_basis.h\"", std::nullopt},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.zeile);
        const std::optional<Include> include = LiesInclude(fall.zeile);
        ASSERT_EQ(include.has_value(), fall.include.has_value());
        if (include) {
            EXPECT_EQ(include->name, fall.include->first);
            EXPECT_EQ(include->system, fall.include->second);
        }
    }
}
