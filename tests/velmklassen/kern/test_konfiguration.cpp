#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_variable.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>

namespace fs = std::filesystem;
using Liste = std::vector<std::string>;

namespace {

// Read-only and not saved: a file sets it all the same, and it is never written back.
Velm_Variable gText("test_text", "anfang", Velm_Variable::kSchreibgeschuetzt);
// Saved, of both kinds the file holds besides the log's two switches.
constexpr uint32_t kGespeichert = Velm_Variable::kGespeichert;
Velm_Variable gBreite("test_breite", 0, kGespeichert);
Velm_Variable gHoehe("test_hoehe", 0, kGespeichert);
Velm_Variable gTiefe("test_tiefe", 32, kGespeichert);
Velm_Variable gSprache("test_sprache", -1, kGespeichert);
Velm_Variable gVsync("test_vsync", true, kGespeichert);
Velm_Variable gFps("test_fps", true, kGespeichert);

// A saved file with these variables, given as "name value name value ...".
std::string Datei(const std::string& paare) {
    std::istringstream woerter(paare);
    std::string text = "<?xml version=\"1.0\" ?>\n<config>\n";
    for (std::string name, wert; woerter >> name >> wert;)
        text += "    <var name=\"" + name + "\" wert=\"" + wert + "\" />\n";
    return text + "</config>\n";
}

// The eight saved variables with their initial values, in byte-wise name order.
const std::string kStandardDatei = Datei("t_debug ja t_logfile ja test_breite 0 test_fps ja test_hoehe 0 "
                                         "test_sprache -1 test_tiefe 32 test_vsync ja");

const Liste kKeineDatei{"?Keine Konfig-Datei gefunden, benutze Standardwerte."};
const Liste kFehlerhaft{"?Konfig-Datei fehlerhaft, benutze Standardwerte."};

class Konfiguration : public TLogTest {
protected:
    // Every test leaves the initial values behind.
    void TearDown() override { Lade(kStandardDatei); }

    // Loads the text (none: no file) as the named file and returns the lines the load wrote.
    Liste Lade(const std::optional<std::string>& inhalt, const char* name = "spiel.cfg") {
        if (inhalt)
            std::ofstream(mKonfig.Pfad() / name, std::ios::binary) << *inhalt;
        TLogMitschrift mitschrift;
        Velm_Variable::LadeKonfiguration(mKonfig.Pfad(), name);
        return mitschrift.Texte();
    }

    TTempOrdner mKonfig;
    const fs::path mDatei = mKonfig.Pfad() / "spiel.cfg";
};

} // namespace

TEST_F(Konfiguration, SpeichernUndLadenGebenDieselbenBytes) {
    EXPECT_EQ(Lade(std::nullopt), kKeineDatei);
    Velm_Variable::SpeichereKonfiguration();
    EXPECT_EQ(TextDerDatei(mDatei), kStandardDatei);

    const std::string geaendert =
        Datei("t_debug ja t_logfile ja test_breite 1280 test_fps nein test_hoehe 0 test_sprache 2 "
              "test_tiefe 32 test_vsync ja");
    EXPECT_EQ(Lade(geaendert), Liste{});
    // Saved again, with the values loaded, to the path the load remembered.
    fs::remove(mDatei);
    Velm_Variable::SpeichereKonfiguration();
    EXPECT_EQ(TextDerDatei(mDatei), geaendert);
}

TEST_F(Konfiguration, WasGelesenWirdUndWasNicht) {
    // Only named values of "var" elements directly below the root count; read-only ones are set too.
    // Line ends are made "\n", as TinyXML's own file loader makes them.
    EXPECT_EQ(
        Lade(
            "<einstellungen><var name=\"gibtsnicht\" wert=\"1\"/><var name=\"test_breite\"/>\r\n"
            "<var wert=\"7\"/><var Name=\"test_hoehe\" wert=\"8\"/><anders name=\"test_sprache\" wert=\"3\"/>\r"
            "<var name=\"test_tiefe\" wert=\"16\"/><var name=\"test_text\" wert=\"a\r\nb\rc\nd\"/>\r\n"
            "<var name=\"test_vsync\" wert=\"nein\"><var name=\"test_fps\" wert=\"nein\"/></var>"
            "</einstellungen>"),
        Liste{});
    EXPECT_EQ(gBreite.Text() + gHoehe.Text() + gSprache.Text() + gTiefe.Text(), "00-116");
    EXPECT_EQ(gVsync.Text() + gFps.Text() + gText.Text(), "neinjaa\nb\nc\nd");
}

// Each of these is refused before the parser can crash, overflow its stack or read past the text.
TEST_F(Konfiguration, KaputteUndGefaehrlicheDateienLassenDieStandardwerte) {
    std::string viele = "<config>", gross = "<config><var name=\"test_vsync\" wert=\"nein\"/>";
    for (int i = 0; i < 1999; ++i)
        viele += "<var name=\"test_sprache\" wert=\"" + std::to_string(i) + "\"/>";
    gross += std::string((1 << 20) - gross.size() - 9, ' ');
    const std::pair<std::string, Liste> faelle[] = {
        {"", kKeineDatei},
        {"<config><var name=\"test_vsync\" wert=\"nein\"/>", kKeineDatei},
        {viele + "<var/></config>", kKeineDatei}, // 2001 elements
        {gross + " </config>", kKeineDatei},      // one byte over 1 MiB
        {"\xEF\xBB\xBF<config><var name=\"test_vsync\" wert=\"\xF0", kKeineDatei},
        {"\xEF\xBB\xBF<config><var name=\"test_vsync\" wert=\"\xE0\x80", kKeineDatei},
        {"\xEF\xBB\xBF<config>\xC3", kKeineDatei},
        {"<?xml version=\"1.0\" ?>\n<config>\n</config>\n", kFehlerhaft},
        {"<?xml version=\"1.0\" ?>\n<!-- nur ein Kommentar -->\n", kFehlerhaft},
        // The first element is the root, even when a later one holds the variables.
        {"<leer/><config><var name=\"test_vsync\" wert=\"nein\"/></config>", kFehlerhaft},
    };
    for (const auto& [inhalt, zeilen] : faelle) {
        EXPECT_EQ(Lade(inhalt), zeilen) << inhalt.substr(0, 60);
        EXPECT_TRUE(gVsync.Bool()) << inhalt.substr(0, 60);
        EXPECT_EQ(gSprache.Int(), -1);
    }
    // Just inside the limits the file is read.
    EXPECT_EQ(Lade(viele + "<!-- --></config>"), Liste{});
    EXPECT_EQ(gSprache.Int(), 1998);
    EXPECT_EQ(Lade(gross + "</config>"), Liste{});
    EXPECT_FALSE(gVsync.Bool());
}

// The new file is written beside the old one and renamed over it: when it cannot be written or
// put in place, the old file stays as it was and nothing is left beside it.
TEST_F(Konfiguration, GescheitertesSpeichernLaesstDieAlteDatei) {
    const std::string alt = kStandardDatei + "<!-- alt -->\n";
    Lade(alt);
    fs::create_directory(mKonfig.Pfad() / "spiel.cfg.neu");
    Velm_Variable::SpeichereKonfiguration();
    EXPECT_EQ(TextDerDatei(mDatei), alt);

    // A folder in the file's place is not read and not written over.
    fs::create_directory(mKonfig.Pfad() / "ordner.cfg");
    EXPECT_EQ(Lade(std::nullopt, "ordner.cfg"), kKeineDatei);
    Velm_Variable::SpeichereKonfiguration();
    EXPECT_TRUE(fs::is_empty(mKonfig.Pfad() / "ordner.cfg"));
    EXPECT_FALSE(fs::exists(mKonfig.Pfad() / "ordner.cfg.neu"));
}
