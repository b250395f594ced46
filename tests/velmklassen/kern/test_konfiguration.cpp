#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_programmvariablen.h"
#include "velmklassen/kern/velm_variable.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using Liste = std::vector<std::string>;

namespace {

// Read-only, not saved, with a callback that records what reached it and vetoes "verboten".
Liste gGemeldet;
bool Beobachte(Velm_Variable&, bool nachher, const std::string& vorschlag) {
    if (nachher)
        gGemeldet.push_back(vorschlag);
    return vorschlag != "verboten";
}
Velm_Variable gBeobachtet("test_beobachtet", "anfang", Velm_Variable::kSchreibgeschuetzt, &Beobachte);

// A saved file with these variables, given as "name value name value ...".
std::string Datei(const std::string& paare) {
    std::istringstream woerter(paare);
    std::string text = "<?xml version=\"1.0\" ?>\n<config>\n";
    for (std::string name, wert; woerter >> name >> wert;)
        text += "    <var name=\"" + name + "\" wert=\"" + wert + "\" />\n";
    return text + "</config>\n";
}

// The ten saved variables with their initial values, in byte-wise name order.
const std::string kStandardDatei =
    Datei("debugShader ja displaydepth 32 displayheight 0 displaywidth 0 fullscreen ja "
          "sprache -1 t_debug ja t_logfile ja vsync ja zeigeFps ja");

void StelleStandardWiederHer() {
    for (Velm_Variable* v : {&debugShader, &fullscreen, &t_debug, &t_logfile, &vsync, &zeigeFps})
        v->SetBool(true);
    displaydepth.SetInt(32);
    displayheight.SetInt(0);
    displaywidth.SetInt(0);
    sprache.SetInt(-1);
    gBeobachtet.SetText("anfang");
    gGemeldet.clear();
}

const Liste kKeineDatei{"?Keine Konfig-Datei gefunden, benutze Standardwerte."};
const Liste kFehlerhaft{"?Konfig-Datei fehlerhaft, benutze Standardwerte."};

class Konfiguration : public TLogTest {
protected:
    void SetUp() override { StelleStandardWiederHer(); }
    void TearDown() override { StelleStandardWiederHer(); }

    // Loads the text (nullptr: no file) as "spiel.cfg" and returns the lines the load wrote.
    Liste Lade(const std::string* inhalt, const char* name = "spiel.cfg") {
        if (inhalt)
            std::ofstream(mKonfig.Pfad() / name, std::ios::binary) << *inhalt;
        TLogMitschrift mitschrift;
        Velm_Variable::LadeKonfiguration(mKonfig.Pfad(), name);
        return mitschrift.Texte();
    }
    Liste Lade(const std::string& inhalt) { return Lade(&inhalt); }

    TTempOrdner mKonfig;
    const fs::path mDatei = mKonfig.Pfad() / "spiel.cfg";
};

} // namespace

// Runs first: no load has named a path yet.
TEST(KonfigurationVorDemLaden, SpeichernSchreibtNichts) {
    TTempOrdner ordner;
    const fs::path vorher = fs::current_path();
    fs::current_path(ordner.Pfad());
    Velm_Variable::SpeichereKonfiguration();
    EXPECT_TRUE(fs::is_empty(ordner.Pfad()));
    fs::current_path(vorher);
}

TEST_F(Konfiguration, SpeichernUndLadenGebenDieselbenBytes) {
    EXPECT_EQ(Lade(nullptr), kKeineDatei);
    Velm_Variable::SpeichereKonfiguration();
    EXPECT_EQ(TextDerDatei(mDatei), kStandardDatei);

    fullscreen.SetBool(false);
    displaywidth.SetInt(1280);
    sprache.SetInt(2);
    Velm_Variable::SpeichereKonfiguration();
    const std::string gespeichert = TextDerDatei(mDatei);
    // Neither the unsaved t_konfig nor the read-only test variable is written.
    EXPECT_EQ(gespeichert,
              Datei("debugShader ja displaydepth 32 displayheight 0 displaywidth 1280 fullscreen nein "
                    "sprache 2 t_debug ja t_logfile ja vsync ja zeigeFps ja"));

    StelleStandardWiederHer();
    EXPECT_EQ(Lade(gespeichert), Liste{});
    EXPECT_EQ(fullscreen.Text() + displaywidth.Text() + sprache.Text(), "nein12802");
    // Saving again writes the same bytes: the remembered path is the loaded one.
    fs::remove(mDatei);
    Velm_Variable::SpeichereKonfiguration();
    EXPECT_EQ(TextDerDatei(mDatei), gespeichert);
    // A longer file is replaced whole.
    Lade(kStandardDatei + "<!--" + std::string(5000, 'x') + "-->\n");
    StelleStandardWiederHer();
    Velm_Variable::SpeichereKonfiguration();
    EXPECT_EQ(TextDerDatei(mDatei), kStandardDatei);
}

TEST_F(Konfiguration, WasGelesenWirdUndWasNicht) {
    EXPECT_EQ(Lade("<?xml version=\"1.0\" ?>\n<einstellungen>\n"
                   "  <var name=\"gibtsnicht\" wert=\"1\" />\n"
                   "  <var name=\"displaywidth\" />\n"
                   "  <var wert=\"7\" />\n"
                   "  <var Name=\"displayheight\" wert=\"8\" />\n"
                   "  <anders name=\"sprache\" wert=\"3\" />\n"
                   "  <var name=\"displaydepth\" wert=\"16\" />\n"
                   "  <var name=\"vsync\" wert=\"nein\"><var name=\"zeigeFps\" wert=\"nein\" /></var>\n"
                   "  <var name=\"t_logfile\" wert=\"nein\"/><var name=\"test_beobachtet\" wert=\"neu\"/>\n"
                   "  <var name=\"test_beobachtet\" wert=\"verboten\"/>\n"
                   "</einstellungen>\n"),
              Liste{});
    // Only named values of direct children of the root count; read-only ones are set and their
    // callbacks run.
    EXPECT_EQ(displaywidth.Text() + displayheight.Text() + sprache.Text() + displaydepth.Text(), "00-116");
    EXPECT_FALSE(vsync.Bool());
    EXPECT_TRUE(zeigeFps.Bool());
    EXPECT_FALSE(t_logfile.Bool());
    EXPECT_EQ(gGemeldet, Liste{"neu"});

    // Entities and encoding as TinyXML's own file loader reads them: line ends made "\n", the
    // text ends at a zero byte.
    const std::pair<std::string, std::string> texte[] = {
        {"\xEF\xBB\xBF<config><var name=\"test_beobachtet\" wert=\"a &amp; &lt;b&gt; &quot;c&quot; "
         "\xC3\xA4\"/>"
         "</config>",
         "a & <b> \"c\" \xC3\xA4"},
        {"<config>\r\n<var name=\"test_beobachtet\" wert=\"a\r\nb\rc\nd\"/>\r</config>\r\n", "a\nb\nc\nd"},
        {"<config><var name=\"test_beobachtet\" wert=\"x\"/></config>" + std::string(1, '\0') + "<", "x"},
    };
    for (const auto& [inhalt, text] : texte) {
        EXPECT_EQ(Lade(inhalt), Liste{});
        EXPECT_EQ(gBeobachtet.Text(), text);
    }
}

// Each of these is refused before the parser can crash, overflow its stack or read past the text.
TEST_F(Konfiguration, KaputteUndGefaehrlicheDateienLassenDieStandardwerte) {
    std::string tief, viele = "<config>", gross = "<config><var name=\"vsync\" wert=\"nein\"/>";
    for (int i = 0; i < 200000; ++i)
        tief += "<config>";
    for (int i = 0; i < 1999; ++i)
        viele += "<var name=\"sprache\" wert=\"" + std::to_string(i) + "\"/>";
    gross += std::string((1 << 20) - gross.size() - 9, ' ');
    const std::string mitVsync = "<config><var name=\"vsync\" wert=\"nein\"/>";
    const std::pair<std::string, Liste> faelle[] = {
        {"", kKeineDatei},
        {"   \n", kKeineDatei},
        {mitVsync, kKeineDatei},
        {"<config><var name=\"vsync\" wert=\"nein", kKeineDatei},
        {mitVsync + "</konfig>", kKeineDatei},
        {std::string("<config>") + '\0' + "<var/></config>", kKeineDatei},
        {"\x89PNG\r\n\x1a\n\0\0\0\rIHDR", kKeineDatei},
        {tief, kKeineDatei},
        {mitVsync + tief + "</config>", kKeineDatei},
        {viele + "<var/></config>", kKeineDatei}, // 2001 elements
        {gross + " </config>", kKeineDatei},      // one byte over 1 MiB
        {"\xEF\xBB\xBF<config><var name=\"vsync\" wert=\"\xF0", kKeineDatei},
        {"\xEF\xBB\xBF<config><var name=\"vsync\" wert=\"\xE0\x80", kKeineDatei},
        {"\xEF\xBB\xBF<config>\xC3", kKeineDatei},
        {"<?xml version=\"1.0\" ?>\n<config>\n</config>\n", kFehlerhaft},
        {"<config><anders/></config>", kFehlerhaft},
        {"<?xml version=\"1.0\" ?>\n<!-- nur ein Kommentar -->\n", kFehlerhaft},
        // The first element is the root, even when a later one holds the variables.
        {"<leer/><config><var name=\"vsync\" wert=\"nein\"/></config>", kFehlerhaft},
    };
    for (const auto& [inhalt, zeilen] : faelle) {
        EXPECT_EQ(Lade(inhalt), zeilen) << inhalt.substr(0, 60);
        EXPECT_TRUE(vsync.Bool()) << inhalt.substr(0, 60);
        EXPECT_EQ(sprache.Int(), -1);
    }
    // Just inside the limits the file is read.
    EXPECT_EQ(Lade(viele + "<!-- --></config>"), Liste{});
    EXPECT_EQ(sprache.Int(), 1998);
    EXPECT_EQ(Lade(gross + "</config>"), Liste{});
    EXPECT_FALSE(vsync.Bool());
}

// The new file is written beside the old one and renamed over it: when it cannot be written or
// put in place, the old file stays as it was and nothing is left beside it.
TEST_F(Konfiguration, GescheitertesSpeichernLaesstDieAlteDatei) {
    const std::string alt = kStandardDatei + "<!-- alt -->\n";
    Lade(alt);
    vsync.SetBool(false);
    fs::create_directory(mKonfig.Pfad() / "spiel.cfg.neu");
    Velm_Variable::SpeichereKonfiguration();
    EXPECT_EQ(TextDerDatei(mDatei), alt);
    fs::remove(mKonfig.Pfad() / "spiel.cfg.neu");
    Velm_Variable::SpeichereKonfiguration();
    EXPECT_NE(TextDerDatei(mDatei).find("<var name=\"vsync\" wert=\"nein\" />"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(mKonfig.Pfad()), fs::directory_iterator()), 1);

    // A folder in the file's place is not read and not written over; a missing folder is not made.
    fs::create_directory(mKonfig.Pfad() / "ordner.cfg");
    EXPECT_EQ(Lade(nullptr, "ordner.cfg"), kKeineDatei);
    Velm_Variable::SpeichereKonfiguration();
    EXPECT_TRUE(fs::is_empty(mKonfig.Pfad() / "ordner.cfg"));
    EXPECT_FALSE(fs::exists(mKonfig.Pfad() / "ordner.cfg.neu"));
    Velm_Variable::LadeKonfiguration(mKonfig.Pfad() / "fehlt", "spiel.cfg");
    Velm_Variable::SpeichereKonfiguration();
    EXPECT_FALSE(fs::exists(mKonfig.Pfad() / "fehlt"));
}
