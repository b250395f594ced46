#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_programmvariablen.h"
#include "velmklassen/kern/velm_variable.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// Read-only, not saved, with a callback that records what reached it and vetoes "verboten".
std::vector<std::string> gGemeldet;
bool Beobachte(Velm_Variable&, bool nachher, const std::string& vorschlag) {
    if (nachher)
        gGemeldet.push_back(vorschlag);
    return vorschlag != "verboten";
}
Velm_Variable gBeobachtet("test_beobachtet", "anfang", Velm_Variable::kSchreibgeschuetzt, &Beobachte);

std::string LiesDatei(const fs::path& pfad) {
    std::ifstream datei(pfad, std::ios::binary);
    std::stringstream inhalt;
    inhalt << datei.rdbuf();
    return inhalt.str();
}

void SchreibeDatei(const fs::path& pfad, const std::string& inhalt) {
    std::ofstream(pfad, std::ios::binary) << inhalt;
}

// The ten saved variables with their initial values, in the file's byte-wise name order.
const char kStandardDatei[] = "<?xml version=\"1.0\" ?>\n"
                              "<config>\n"
                              "    <var name=\"debugShader\" wert=\"ja\" />\n"
                              "    <var name=\"displaydepth\" wert=\"32\" />\n"
                              "    <var name=\"displayheight\" wert=\"0\" />\n"
                              "    <var name=\"displaywidth\" wert=\"0\" />\n"
                              "    <var name=\"fullscreen\" wert=\"ja\" />\n"
                              "    <var name=\"sprache\" wert=\"-1\" />\n"
                              "    <var name=\"t_debug\" wert=\"ja\" />\n"
                              "    <var name=\"t_logfile\" wert=\"ja\" />\n"
                              "    <var name=\"vsync\" wert=\"ja\" />\n"
                              "    <var name=\"zeigeFps\" wert=\"ja\" />\n"
                              "</config>\n";

void StelleStandardWiederHer() {
    debugShader.SetBool(true);
    displaydepth.SetInt(32);
    displayheight.SetInt(0);
    displaywidth.SetInt(0);
    fullscreen.SetBool(true);
    sprache.SetInt(-1);
    t_debug.SetBool(true);
    t_logfile.SetBool(true);
    vsync.SetBool(true);
    zeigeFps.SetBool(true);
    gBeobachtet.SetText("anfang");
    gGemeldet.clear();
}

class Konfiguration : public ::testing::Test {
protected:
    void SetUp() override {
        Velm_Konsole::Starte(mLogOrdner.Pfad(), "konfiguration.log");
        StelleStandardWiederHer();
    }
    void TearDown() override { StelleStandardWiederHer(); }

    // Loads the text as "spiel.cfg" and returns the lines the load wrote.
    std::vector<std::string> Lade(const std::string& inhalt) {
        SchreibeDatei(mDatei, inhalt);
        TLogMitschrift mitschrift;
        Velm_Variable::LadeKonfiguration(mOrdner.Pfad(), "spiel.cfg");
        std::vector<std::string> texte;
        for (const std::string& zeile : mitschrift.mZeilen)
            texte.push_back(zeile.substr(21, zeile.size() - 22));
        return texte;
    }

    TTempOrdner mLogOrdner;
    TTempOrdner mOrdner;
    const fs::path mDatei = mOrdner.Pfad() / "spiel.cfg";
};

const std::vector<std::string> kKeineDatei{"?Keine Konfig-Datei gefunden, benutze Standardwerte."};
const std::vector<std::string> kFehlerhaft{"?Konfig-Datei fehlerhaft, benutze Standardwerte."};

} // namespace

// Runs first: no load has named a path yet.
TEST(KonfigurationVorDemLaden, SpeichernSchreibtNichts) {
    ASSERT_NE(Velm_Variable::Register(), nullptr);
    EXPECT_TRUE(Velm_Variable::Register()->mKonfigPfad.empty());
    TTempOrdner ordner;
    const fs::path vorher = fs::current_path();
    fs::current_path(ordner.Pfad());
    Velm_Variable::SpeichereKonfiguration();
    EXPECT_TRUE(fs::is_empty(ordner.Pfad()));
    fs::current_path(vorher);
}

TEST_F(Konfiguration, OhneDateiBleibtAllesUndSpeichernLegtSieAn) {
    TLogMitschrift mitschrift;
    Velm_Variable::LadeKonfiguration(mOrdner.Pfad(), "spiel.cfg");
    ASSERT_EQ(mitschrift.mZeilen.size(), 1u);
    EXPECT_EQ(mitschrift.mZeilen[0].substr(21), kKeineDatei[0] + "\n");
    EXPECT_EQ(Velm_Variable::Register()->mKonfigPfad, mDatei);
    EXPECT_TRUE(zeigeFps.Bool());

    Velm_Variable::SpeichereKonfiguration();
    EXPECT_EQ(LiesDatei(mDatei), kStandardDatei);
}

TEST_F(Konfiguration, GespeicherteWerteKommenZurueck) {
    Velm_Variable::LadeKonfiguration(mOrdner.Pfad(), "spiel.cfg");
    fullscreen.SetBool(false);
    displaywidth.SetInt(1280);
    displayheight.SetInt(720);
    sprache.SetInt(2);
    t_debug.SetBool(false);
    Velm_Variable::SpeichereKonfiguration();
    const std::string gespeichert = LiesDatei(mDatei);
    EXPECT_NE(gespeichert.find("    <var name=\"fullscreen\" wert=\"nein\" />\n"), std::string::npos);
    EXPECT_NE(gespeichert.find("    <var name=\"displaywidth\" wert=\"1280\" />\n"), std::string::npos);
    EXPECT_EQ(gespeichert.find("t_konfig"), std::string::npos);
    EXPECT_EQ(gespeichert.find("test_beobachtet"), std::string::npos);

    StelleStandardWiederHer();
    EXPECT_EQ(Lade(gespeichert), std::vector<std::string>{});
    EXPECT_FALSE(fullscreen.Bool());
    EXPECT_EQ(displaywidth.Int(), 1280);
    EXPECT_EQ(displayheight.Int(), 720);
    EXPECT_EQ(sprache.Int(), 2);
    EXPECT_FALSE(t_debug.Bool());

    // Saving again writes the same bytes: the remembered path is the loaded one.
    fs::remove(mDatei);
    Velm_Variable::SpeichereKonfiguration();
    EXPECT_EQ(LiesDatei(mDatei), gespeichert);
}

TEST_F(Konfiguration, SpeichernErsetztEineLaengereDatei) {
    Lade(std::string(kStandardDatei) + "<!--" + std::string(5000, 'x') + "-->\n");
    Velm_Variable::SpeichereKonfiguration();
    EXPECT_EQ(LiesDatei(mDatei), kStandardDatei);
}

TEST_F(Konfiguration, UnbekannteNamenUndFehlendeWerteWerdenUebersprungen) {
    EXPECT_EQ(Lade("<?xml version=\"1.0\" ?>\n<einstellungen>\n"
                   "  <var name=\"gibtsnicht\" wert=\"1\" />\n"
                   "  <var name=\"displaywidth\" />\n"
                   "  <var wert=\"7\" />\n"
                   "  <var Name=\"displayheight\" wert=\"8\" />\n"
                   "  <anders name=\"sprache\" wert=\"3\" />\n"
                   "  <var name=\"displaydepth\" wert=\"16\" />\n"
                   "  <var name=\"vsync\" wert=\"nein\"><var name=\"zeigeFps\" wert=\"nein\" /></var>\n"
                   "</einstellungen>\n"),
              std::vector<std::string>{});
    EXPECT_EQ(displaywidth.Int(), 0);
    EXPECT_EQ(displayheight.Int(), 0);
    EXPECT_EQ(sprache.Int(), -1);
    EXPECT_EQ(displaydepth.Int(), 16);
    EXPECT_FALSE(vsync.Bool());
    // Only direct children of the root count.
    EXPECT_TRUE(zeigeFps.Bool());
}

TEST_F(Konfiguration, SchreibgeschuetzteWerdenGesetztUndRueckrufeLaufen) {
    EXPECT_EQ(
        Lade("<config><var name=\"t_logfile\" wert=\"nein\"/><var name=\"test_beobachtet\" wert=\"neu\"/>"
             "<var name=\"test_beobachtet\" wert=\"verboten\"/></config>"),
        std::vector<std::string>{});
    EXPECT_FALSE(t_logfile.Bool());
    EXPECT_EQ(gBeobachtet.Text(), "neu");
    EXPECT_EQ(gGemeldet, std::vector<std::string>{"neu"});
}

TEST_F(Konfiguration, SonderzeichenUndKodierung) {
    EXPECT_EQ(Lade("\xEF\xBB\xBF<config><var name=\"test_beobachtet\" wert=\"a &amp; &lt;b&gt; &quot;c&quot; "
                   "\xC3\xA4\"/></config>"),
              std::vector<std::string>{});
    EXPECT_EQ(gBeobachtet.Text(), "a & <b> \"c\" \xC3\xA4");
}

TEST_F(Konfiguration, LeereUndKaputteDateien) {
    EXPECT_EQ(Lade(""), kKeineDatei);
    EXPECT_EQ(Lade("   \n"), kKeineDatei);
    EXPECT_EQ(Lade("<config><var name=\"vsync\" wert=\"nein\"/>"), kKeineDatei);
    EXPECT_EQ(Lade("<config><var name=\"vsync\" wert=\"nein"), kKeineDatei);
    EXPECT_EQ(Lade("<config><var name=\"vsync\" wert=\"nein\"/></konfig>"), kKeineDatei);
    EXPECT_EQ(Lade(std::string("<config>") + '\0' + "<var/></config>"), kKeineDatei);
    EXPECT_EQ(Lade("\x89PNG\r\n\x1a\n\0\0\0\rIHDR"), kKeineDatei);
    EXPECT_TRUE(vsync.Bool());
}

// The parser recurses once per nesting level: a deep file must not overflow the stack.
TEST_F(Konfiguration, TiefeVerschachtelungWirdAbgelehnt) {
    std::string tief;
    for (int i = 0; i < 200000; ++i)
        tief += "<config>";
    EXPECT_EQ(Lade(tief), kKeineDatei);
    EXPECT_EQ(Lade("<config><var name=\"vsync\" wert=\"nein\"/>" + tief + "</config>"), kKeineDatei);
    EXPECT_TRUE(vsync.Bool());

    // Up to 2000 elements the file is read; one more and it is refused.
    std::string gross = "<config>";
    for (int i = 0; i < 1999; ++i)
        gross += "<var name=\"sprache\" wert=\"" + std::to_string(i) + "\"/>";
    EXPECT_EQ(Lade(gross + "<!-- --></config>"), std::vector<std::string>{});
    EXPECT_EQ(sprache.Int(), 1998);
    EXPECT_EQ(Lade(gross + "<var/></config>"), kKeineDatei);
    EXPECT_EQ(sprache.Int(), 1998);
}

TEST_F(Konfiguration, WurzelOhneVarIstFehlerhaft) {
    EXPECT_EQ(Lade("<?xml version=\"1.0\" ?>\n<config>\n</config>\n"), kFehlerhaft);
    EXPECT_EQ(Lade("<config><anders/></config>"), kFehlerhaft);
    EXPECT_EQ(Lade("<?xml version=\"1.0\" ?>\n<!-- nur ein Kommentar -->\n"), kFehlerhaft);
    // The first element is the root, even when a later one holds the variables.
    EXPECT_EQ(Lade("<leer/><config><var name=\"vsync\" wert=\"nein\"/></config>"), kFehlerhaft);
    EXPECT_TRUE(vsync.Bool());
}

// The new file is written beside the old one and renamed over it: when it cannot be written or
// put in place, the old file stays as it was and nothing is left beside it.
TEST_F(Konfiguration, GescheitertesSpeichernLaesstDieAlteDatei) {
    const std::string alt = std::string(kStandardDatei) + "<!-- alt -->\n";
    Lade(alt);
    vsync.SetBool(false);
    fs::create_directory(mOrdner.Pfad() / "spiel.cfg.neu");
    Velm_Variable::SpeichereKonfiguration();
    EXPECT_EQ(LiesDatei(mDatei), alt);
    fs::remove(mOrdner.Pfad() / "spiel.cfg.neu");

    Velm_Variable::SpeichereKonfiguration();
    EXPECT_NE(LiesDatei(mDatei).find("<var name=\"vsync\" wert=\"nein\" />"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(mOrdner.Pfad()), fs::directory_iterator()), 1);
}

TEST_F(Konfiguration, EinOrdnerStattDerDatei) {
    fs::create_directory(mOrdner.Pfad() / "ordner.cfg");
    TLogMitschrift mitschrift;
    Velm_Variable::LadeKonfiguration(mOrdner.Pfad(), "ordner.cfg");
    ASSERT_EQ(mitschrift.mZeilen.size(), 1u);
    EXPECT_EQ(mitschrift.mZeilen[0].substr(21), kKeineDatei[0] + "\n");
    Velm_Variable::SpeichereKonfiguration();
    EXPECT_TRUE(fs::is_empty(mOrdner.Pfad() / "ordner.cfg"));
    EXPECT_FALSE(fs::exists(mOrdner.Pfad() / "ordner.cfg.neu"));
}

// Read as TinyXML's own file loader reads: line ends made "\n", the text ends at a zero byte.
TEST_F(Konfiguration, ZeilenendenUndNullbytes) {
    EXPECT_EQ(Lade("<config>\r\n<var name=\"test_beobachtet\" wert=\"a\r\nb\rc\nd\"/>\r</config>\r\n"),
              std::vector<std::string>{});
    EXPECT_EQ(gBeobachtet.Text(), "a\nb\nc\nd");
    const std::string nachNull =
        "<config><var name=\"vsync\" wert=\"nein\"/></config>" + std::string(1, '\0') + "<";
    EXPECT_EQ(Lade(nachNull), std::vector<std::string>{});
    EXPECT_FALSE(vsync.Bool());
}

// A UTF-8 lead byte at the very end makes the parser step over the end of the text.
TEST_F(Konfiguration, AbgeschnitteneUtf8FolgeAmEnde) {
    for (const char* ende : {"\xF0", "\xE0\x80", "\xC3"}) {
        EXPECT_EQ(Lade(std::string("\xEF\xBB\xBF<config><var name=\"vsync\" wert=\"") + ende), kKeineDatei);
        EXPECT_EQ(Lade(std::string("\xEF\xBB\xBF<config>") + ende), kKeineDatei);
    }
    EXPECT_TRUE(vsync.Bool());
}

TEST_F(Konfiguration, UebergrosseDateiWirdNichtGelesen) {
    std::string gross = "<config><var name=\"vsync\" wert=\"nein\"/>";
    gross += std::string((1 << 20) - gross.size() - 9, ' ');
    EXPECT_EQ(Lade(gross + "</config>"), std::vector<std::string>{});
    EXPECT_FALSE(vsync.Bool());
    vsync.SetBool(true);
    EXPECT_EQ(Lade(gross + " </config>"), kKeineDatei);
    EXPECT_TRUE(vsync.Bool());
}

TEST_F(Konfiguration, NichtSchreibbarerPfadSchreibtNichts) {
    Velm_Variable::LadeKonfiguration(mOrdner.Pfad() / "fehlt", "spiel.cfg");
    Velm_Variable::SpeichereKonfiguration();
    EXPECT_FALSE(fs::exists(mOrdner.Pfad() / "fehlt"));
}
