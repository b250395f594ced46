// The whole game on the displays a player brings, each an X server of the test's own (1280 x 720,
// so no other test drives its keyboard): a start without a display, without the overlay's font or
// on X screens of 8 and 15 bits, X screens of 16 and 30 bits, sizes the screen cannot show,
// "reinitvideo" with the default sizes, and the fps text after the pause menu. Cases whose server
// does not start are skipped.

#include "testhilfe.h"

namespace {

using namespace spieltest;

constexpr int kBreite = 1280;
constexpr int kHoehe = 720;

// The text of the line before the first one that holds `teil`, without its time and thread
// prefix; empty when no line holds it or it is the log's first.
std::string ZeileDavor(const std::string& log, const std::string& teil) {
    const size_t fund = log.find(teil);
    if (fund == std::string::npos)
        return "";
    const size_t anfang = log.rfind('\n', fund);
    if (anfang == std::string::npos || anfang == 0)
        return "";
    const size_t davor = log.rfind('\n', anfang - 1);
    const std::string zeile = log.substr(davor == std::string::npos ? 0 : davor + 1, anfang - davor - 1);
    const size_t praefix = zeile.find("): ");
    return praefix == std::string::npos ? zeile : zeile.substr(praefix + 3);
}

class EigeneAnzeige : public Spielrunde {
protected:
    static void SetUpTestSuite() { UebergeheXFehler(); }

    void TearDown() override {
        Abbrechen();
        Trenne();
    }

    // Ends the game and the server before, then a fresh server of that depth and a connection to
    // it; false when it does not start.
    bool Server(int tiefe) {
        Abbrechen();
        Trenne();
        mServer.emplace(kBreite, kHoehe, tiefe);
        mX = mServer->Name().empty() ? nullptr : XOpenDisplay(mServer->Name().c_str());
        if (mX == nullptr)
            return false;
        // A held key must not come again while the game has not yet seen a frame.
        XAutoRepeatOff(mX);
        mAnzeigeName = mServer->Name();
        return true;
    }

    void Trenne() {
        if (mX != nullptr)
            XCloseDisplay(mX);
        mX = nullptr;
        mServer.reset();
    }

    // The program beside a data folder that lacks `fehlt`: a link to the build's program (its
    // data folder is the one beside it) and links to every other data file.
    fs::path ProgrammOhne(const std::string& fehlt) {
        const fs::path ordner = mOrdner / "spiel";
        fs::create_directories(ordner / "Daten");
        const fs::path programm = ordner / "nadrel";
        std::error_code fehler;
        fs::create_hard_link(NADREL_PROGRAMM, programm, fehler);
        if (fehler)
            fs::copy_file(NADREL_PROGRAMM, programm);
        for (const auto& datei : fs::directory_iterator(fs::path(NADREL_PROGRAMM).parent_path() / "Daten"))
            if (datei.path().filename() != fehlt)
                fs::create_symlink(datei.path(), ordner / "Daten" / datei.path().filename());
        return programm;
    }

    // Opens the pause menu, which stops the world, and waits until its fade has ended: the
    // frames are the same from then on.
    void Standbild() {
        Taste(XK_Escape);
        std::this_thread::sleep_for(std::max<ms>(800ms, 6 * mHalten));
    }

    std::optional<TXServer> mServer;
};

// A display the game cannot use and a missing font end the start with the exception line and
// exit code -1, the configuration rewritten from the loaded values, and neither a check report
// nor a crash report or dump. On X screens of 8 and 15 bits no device can be made, and the log
// a player sends says why on the line before the engine's "!" line: on 15 bits no EGL config
// renders into the window's visual; on 8 bits the driver may refuse the display before that.
TEST_F(EigeneAnzeige, StartOhneAnzeigeOderSchriftEndetSauber) {
    const std::string bildschirm = "Spiel::Anwendung::Anwendung(): Screen initialisation failed.";
    const std::string geraet =
        "!Velm_ZeichenKontextImplDX9::Velm_ZeichenKontextImplDX9(): Failed to create Direct3D device.";
    const std::string ohneKontext = "grafik9: no OpenGL 3.3 core context: ";
    // The depth of the case's X server (0: none), and the start of the line before the device's
    // "!" line (empty: the device is made or never tried).
    const std::tuple<std::string, int, std::string, std::string> faelle[] = {
        {"ohne Anzeige", 0, bildschirm, ""},
        {"ohne Schrift", 24, "calibrib.ttf\" nicht laden", ""},
        {"8 Bit", 8, bildschirm, ohneKontext},
        {"15 Bit", 15, bildschirm, ohneKontext + "no EGL config matches the window's visual"},
    };
    for (const auto& [fall, tiefe, ausnahme, ursache] : faelle) {
        SCOPED_TRACE(fall);
        fs::path programm = NADREL_PROGRAMM;
        if (tiefe == 0) {
            Trenne();
            mAnzeigeName = "";
        } else if (!Server(tiefe)) {
            GTEST_SKIP() << "no Xvfb of " << tiefe << " bits";
        }
        NeuerOrdner(fall);
        if (fall == "ohne Schrift")
            programm = ProgrammOhne("calibrib.ttf");
        Starte(programm);
        EXPECT_EQ(Ende(60s), 255);
        const std::string log = Log();
        EXPECT_NE(log.find("Exception thrown: "), std::string::npos) << log;
        EXPECT_NE(log.find(ausnahme), std::string::npos) << log;
        EXPECT_EQ(Anzahl(log, geraet), ursache.empty() ? 0 : 1) << log;
        if (!ursache.empty()) {
            EXPECT_EQ(ZeileDavor(log, geraet).substr(0, ursache.size()), ursache) << log;
        }
        EXPECT_EQ(log.find("!Ausnahme"), std::string::npos) << log;
        EXPECT_EQ(log.find("Exception code"), std::string::npos) << log;
        EXPECT_EQ(Anzahl(Konfig(), "<var "), 10);
        EXPECT_FALSE(fs::exists(Benutzer() / "MiniDump.dmp"));
    }
}

// X screens of 16 and 30 bits, fullscreen with the default sizes (no mode of 24 bits there) and
// windowed at 800 x 600: the game draws its frames, and with the world stopped F1's screenshot
// is what the window shows, pixel for pixel in the window's depth.
TEST_F(EigeneAnzeige, FarbtiefenVollbildUndFenster) {
    const std::tuple<int, bool, int, int> faelle[] = {{16, true, kBreite, kHoehe},
                                                      {16, false, 800, 600},
                                                      {30, true, kBreite, kHoehe},
                                                      {30, false, 800, 600}};
    int gelaufen = 0;
    for (const auto& [tiefe, vollbild, breite, hoehe] : faelle) {
        SCOPED_TRACE(std::to_string(tiefe) + (vollbild ? " Vollbild" : " Fenster"));
        if (!Server(tiefe))
            continue;
        ++gelaufen;
        // Without the fps text, which the screenshot does not hold.
        NeuerOrdner(std::to_string(tiefe) + (vollbild ? "_vollbild" : "_fenster"),
                    {{"fullscreen", vollbild ? "ja" : "nein"},
                     {"displaywidth", vollbild ? "0" : "800"},
                     {"displayheight", vollbild ? "0" : "600"},
                     {"zeigeFps", "nein"}});
        Starte();
        ASSERT_NO_FATAL_FAILURE(WarteAufSpiel());
        Standbild();
        const Foto foto = Bildschirmfoto(0);
        const Fensterbild fenster = Fenster();
        ASSERT_EQ(std::pair(int(foto.bild->mBreite), int(foto.bild->mHoehe)), std::pair(breite, hoehe));
        ASSERT_EQ(std::pair(fenster.Breite(), fenster.Hoehe()), std::pair(breite, hoehe));
        int anders = 0;
        for (int y = 0; y < hoehe; ++y)
            for (int x = 0; x < breite; ++x)
                anders += !fenster.Pixel(x, y).Zeigt(foto.Pixel(x, y));
        EXPECT_EQ(anders, 0);
        EXPECT_GT(foto.Helligkeit(breite / 4, hoehe / 4, 3 * breite / 4, 3 * hoehe / 4), 5);
        EXPECT_EQ(
            Anzahl(Log(), "?Velm_Screen3D::GibBesteDarstellung(...): Der Monitor hat keine Darstellung mit "
                          "24 Bit, es gelten seine mit " +
                              std::to_string(tiefe) + " Bit."),
            vollbild ? 1 : 0);
        EXPECT_EQ(Schliesse(), 0);
    }
    if (gelaufen == 0)
        GTEST_SKIP() << "no Xvfb of 16 or 30 bits";
}

// A width the screen cannot show counts as 0: the window takes the monitor's size, with a line
// naming the value, and the variable keeps its text.
TEST_F(EigeneAnzeige, UndarstellbareGroessenZaehlenAlsNull) {
    if (!Server(24))
        GTEST_SKIP() << "no Xvfb";
    for (const std::string breite : {"-5", "99999"}) {
        SCOPED_TRACE(breite);
        NeuerOrdner(breite, {{"displaywidth", breite}, {"displayheight", "600"}});
        Starte();
        ASSERT_NO_FATAL_FAILURE(WarteAufSpiel());
        const Fensterbild fenster = Fenster();
        EXPECT_EQ(std::pair(fenster.Breite(), fenster.Hoehe()), std::pair(kBreite, kHoehe));
        EXPECT_EQ(Schliesse(), 0);
        EXPECT_EQ(
            Anzahl(Log(), "?Velm_Screen3D::Init(...): Breite " + breite + " kann nicht dargestellt werden"),
            1);
        EXPECT_EQ(Anzahl(Konfig(), "name=\"displaywidth\" wert=\"" + breite + "\""), 1) << Konfig();
    }
}

// "reinitvideo" typed into the console with the default sizes (0 x 0), fullscreen and windowed,
// and fullscreen at a size nearer to nothing than to the monitor's one mode: the screen takes the
// monitor's size, also at the start, and the game goes on; a size far from every mode gets a line
// at the start and at the change, and the variables keep their text.
TEST_F(EigeneAnzeige, ReinitvideoNimmtDieGroesseDesMonitors) {
    if (!Server(24))
        GTEST_SKIP() << "no Xvfb";
    const std::tuple<bool, std::string, std::string> faelle[] = {
        {true, "0", "0"}, {false, "0", "0"}, {true, "320", "200"}};
    for (const auto& [vollbild, breite, hoehe] : faelle) {
        const std::string groesse = breite + "x" + hoehe;
        SCOPED_TRACE(groesse + (vollbild ? " Vollbild" : " Fenster"));
        NeuerOrdner(
            groesse + (vollbild ? "_vollbild" : "_fenster"),
            {{"fullscreen", vollbild ? "ja" : "nein"}, {"displaywidth", breite}, {"displayheight", hoehe}});
        Starte();
        ASSERT_NO_FATAL_FAILURE(WarteAufSpiel());
        Taste(XK_F11);
        Tippe("reinitvideo\n");
        Taste(XK_F11);
        const Foto danach = Bildschirmfoto(0);
        EXPECT_EQ(std::pair(int(danach.bild->mBreite), int(danach.bild->mHoehe)), std::pair(kBreite, kHoehe));
        const std::string log = Log();
        EXPECT_EQ(Anzahl(log, "Darstellung wird geändert auf " + groesse + ", " +
                                  (vollbild ? "Vollbild." : "Fenster.")),
                  1)
            << log;
        EXPECT_GE(Anzahl(log, "ReInit Darstellung: Device zurücksetzen"), 1);
        for (const char* funktion : {"Init", "SetDarstellung"}) {
            EXPECT_EQ(Anzahl(log, std::string("?Velm_Screen3D::") + funktion +
                                      "(...): Keine Vollbild-Darstellung nahe " + groesse),
                      breite == "0" ? 0 : 1)
                << log;
        }
        EXPECT_EQ(log.find("!Ausnahme"), std::string::npos) << log;
        EXPECT_EQ(Schliesse(), 0);
        EXPECT_EQ(Anzahl(Konfig(), "name=\"displaywidth\" wert=\"" + breite + "\""), 1);
    }
}

// The pause menu's text leaves the shared font centred; the fps text after it still has its
// top-left corner at (10, 10), where it was before the menu.
TEST_F(EigeneAnzeige, FpsTextNachDemMenueObenLinks) {
    if (!Server(24))
        GTEST_SKIP() << "no Xvfb";
    NeuerOrdner();
    Starte();
    ASSERT_NO_FATAL_FAILURE(WarteAufSpiel());
    const std::array<int, 4> vorher = Fenster().Hell(300, 100);
    Standbild();
    Taste(XK_Escape);
    std::this_thread::sleep_for(std::max<ms>(800ms, 6 * mHalten));
    const std::array<int, 4> nachher = Fenster().Hell(300, 100);
    for (const auto& hell : {vorher, nachher}) {
        // The glyphs' own offsets put the first bright pixel a little inside the corner; the
        // first digit may differ between the two.
        EXPECT_GE(hell[0], 10);
        EXPECT_LE(hell[0], 16);
        EXPECT_NEAR(hell[1], vorher[1], 1);
        EXPECT_NEAR(hell[3], vorher[3], 1);
    }
    EXPECT_GE(vorher[1], 10);
    EXPECT_LE(vorher[1], 24);
    EXPECT_EQ(Schliesse(), 0);
}

} // namespace
