// The whole game on the X server of the run: the real program "nadrel", driven through XTest as a
// player's keyboard and mouse would drive it, judged by its exit code, its log, its configuration
// and the pixels of its screenshots. Skipped without a display.

#include "testhilfe.h"

namespace {

using namespace spieltest;

constexpr int kBreite = 1280;
constexpr int kHoehe = 720;
// At heights 60 and 240 the scene image is 640 x 480 on screen, centred.
constexpr int kSzeneLinks = 320, kSzeneOben = 120, kSzeneRechts = 960, kSzeneUnten = 600;

// Neighbours of the scene image that differ inside the blocks of an enlargement by `faktor`: none
// when every scene pixel covers such a block.
int WechselInBloecken(const Foto& foto, int faktor) {
    int n = 0;
    for (int y = kSzeneOben; y < kSzeneUnten; y += 3)
        for (int x = kSzeneLinks; x + 1 < kSzeneRechts; ++x)
            n += (x + 1 - kSzeneLinks) % faktor != 0 && foto.Pixel(x, y) != foto.Pixel(x + 1, y);
    return n;
}

// On the run's X server, skipped without one.
class Partie : public Spielrunde {
protected:
    // One connection for all cases: the server starts afresh when its last client leaves, and a
    // connection made during that fails.
    static void SetUpTestSuite() {
        if (std::getenv("DISPLAY"))
            sAnzeige = XOpenDisplay(nullptr);
        // A held key must not come again while the game has not yet seen a frame.
        if (sAnzeige)
            XAutoRepeatOff(sAnzeige);
        UebergeheXFehler();
    }

    static void TearDownTestSuite() {
        if (sAnzeige) {
            XAutoRepeatOn(sAnzeige);
            XCloseDisplay(sAnzeige);
        }
    }

    void SetUp() override {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "no display";
        ASSERT_NE(sAnzeige, nullptr);
        mX = sAnzeige;
        NeuerOrdner();
    }

    static inline Display* sAnzeige = nullptr;
};

// One game: the first frame, the console, the scene's height, the pause menu opened, closed and
// opened again, and the end through its "Ende" button.
TEST_F(Partie, BildschirmfotosKonsolePauseUndEnde) {
    Starte();
    ASSERT_NO_FATAL_FAILURE(WarteAufSpiel());

    const Foto erstes = Bildschirmfoto(0);
    ASSERT_EQ(erstes.bild->mBreite, uint64_t(kBreite));
    ASSERT_EQ(erstes.bild->mHoehe, uint64_t(kHoehe));
    // The border in the clear colour as the screenshot stores it (every border pixel is checked
    // where the renderer draws it, headless).
    EXPECT_EQ(erstes.Pixel(0, 0), (Rgb{26, 26, 26}));
    EXPECT_GT(erstes.Helligkeit(kSzeneLinks, kSzeneOben, kSzeneRechts, kSzeneUnten), 5);
    EXPECT_NE(erstes.Pixel(640, 580), erstes.Pixel(640, 200));

    // The console runs "set"; closed, it hands the keys back to the game.
    for (const KeySym taste : {XK_F11, XK_s, XK_e, XK_t, XK_Return, XK_F11})
        Taste(taste);
    const std::string konsole = Log();
    EXPECT_NE(konsole.find(">set"), std::string::npos);
    EXPECT_NE(konsole.find("displaywidth: 1280"), std::string::npos);

    Taste(XK_KP_Add);
    Taste(XK_KP_Add);
    const Foto zweites = Bildschirmfoto(1);
    // Height 60 is enlarged eight times, height 240 twice.
    EXPECT_EQ(WechselInBloecken(erstes, 8), 0);
    EXPECT_GT(WechselInBloecken(zweites, 8), 100);
    EXPECT_EQ(WechselInBloecken(zweites, 2), 0);

    const auto blende = std::max<ms>(600ms, 6 * mHalten);
    Taste(XK_Escape);
    std::this_thread::sleep_for(blende);
    const Foto pause = Bildschirmfoto(2);
    // Below the menu the scene has darkened; the "Ende" button stands out of it.
    const double hell = zweites.Helligkeit(kSzeneLinks, 545, kSzeneRechts, kSzeneUnten);
    const double dunkel = pause.Helligkeit(kSzeneLinks, 545, kSzeneRechts, kSzeneUnten);
    EXPECT_LT(dunkel, hell * 0.7) << hell;
    EXPECT_GT(pause.Helligkeit(540, 420, 740, 470), dunkel + 10);
    // The game timer stands: the world has not moved a pixel some frames later.
    std::this_thread::sleep_for(4 * mHalten);
    const Foto spaeter = Bildschirmfoto(3);
    int bewegt = 0;
    for (int y = kSzeneOben; y < kSzeneUnten; ++y)
        for (int x = kSzeneLinks; x < kSzeneRechts; ++x)
            bewegt += spaeter.Pixel(x, y) != pause.Pixel(x, y);
    EXPECT_EQ(bewegt, 0);

    // Escape also closes the menu, and the scene brightens again.
    Taste(XK_Escape);
    std::this_thread::sleep_for(blende);
    EXPECT_GT(Bildschirmfoto(4).Helligkeit(kSzeneLinks, 545, kSzeneRechts, kSzeneUnten), hell * 0.9);

    Taste(XK_Escape);
    Zeiger(640, 445);
    std::this_thread::sleep_for(mHalten);
    Halte([&](Bool unten) { XTestFakeButtonEvent(mX, 1, unten, CurrentTime); });
    EXPECT_EQ(Ende(30s), 0);

    const std::string log = Log();
    EXPECT_EQ(log.find("Log-Start"), log.find(": ") + 2);
    EXPECT_EQ(Anzahl(log, "Screenshot saved as"), 5);
    EXPECT_EQ(Anzahl(Konfig(), "<var "), 10);
}

// Under a file-size limit that holds the configuration but not one screenshot (some 12 KB here),
// as a shell or a batch system may set it: F1 says that the file cannot be written and leaves no
// half file, the log stops growing at the limit, and the game goes on, ends through "quit" and
// saves its configuration.
TEST_F(Partie, DateiGrenzeKleinerAlsEinBildschirmfoto) {
    constexpr rlim_t kGrenze = 8 << 10;
    mDateiGrenze = kGrenze;
    Starte();
    ASSERT_NO_FATAL_FAILURE(WarteAufSpiel());

    const fs::path ordner = Benutzer() / "screenshots";
    const std::string fehler =
        "!Screenshot \"" + (ordner / "screenshot0000.png").string() + "\" cannot be written.";
    const KeyCode f1 = XKeysymToKeycode(mX, XK_F1);
    XTestFakeKeyEvent(mX, f1, True, CurrentTime);
    XSync(mX, False);
    EXPECT_TRUE(Warte([&] { return Anzahl(Log(), fehler) > 0 || Beendet(); }, 30s));
    XTestFakeKeyEvent(mX, f1, False, CurrentTime);
    XSync(mX, False);

    // Every "set" logs some 600 bytes: twice what fills the log up to the limit.
    Taste(XK_F11);
    std::string befehle;
    for (int i = 0; i < 24; ++i)
        befehle += "set\n";
    Tippe(befehle);
    Tippe("quit\n");
    EXPECT_EQ(Ende(30s), 0);

    EXPECT_EQ(Anzahl(Log(), fehler), 1) << Log();
    EXPECT_EQ(fs::file_size(Benutzer() / "spiel.log"), kGrenze);
    EXPECT_FALSE(fs::exists(ordner / "screenshot0000.png"));
    for (const fs::directory_entry& eintrag : fs::recursive_directory_iterator(Benutzer()))
        EXPECT_NE(eintrag.path().extension(), ".neu") << eintrag.path();
    const std::string konfig = Konfig();
    EXPECT_EQ(Anzahl(konfig, "<var "), 10) << konfig;
    EXPECT_TRUE(konfig.ends_with("</config>\n")) << konfig;
}

TEST_F(Partie, AbsturzSchreibtBerichtUndDump) {
    // The sanitizer build leaves the fault to the game's own handler, as a release build does.
    setenv("NADREL_ABSTURZ", "3", 1);
    setenv("ASAN_OPTIONS", "handle_segv=0:use_sigaltstack=0", 1);
    Starte();
    unsetenv("NADREL_ABSTURZ");
    unsetenv("ASAN_OPTIONS");
    const std::optional<int> ende = Ende(60s);
    ASSERT_TRUE(ende.has_value());
    EXPECT_NE(*ende, 0);
    const std::string log = Log();
    EXPECT_NE(log.find("ACCESS_VIOLATION"), std::string::npos) << log;
    EXPECT_NE(log.find("Spiel::LoeseAbsturzAus()"), std::string::npos);
    EXPECT_NE(log.find("Minidump created."), std::string::npos);
    EXPECT_GT(fs::file_size(Benutzer() / "MiniDump.dmp"), 0u);
}

// A GPU reset reported at the fifth present: the game resets the device into a new OpenGL context,
// goes on drawing the scene and ends normally through the console's "quit". When the driver gives
// no new context for longer than one reset tries, the game runs its frames without one until the
// next frame's reset gets it, with no check report. The graphics layer's lines about the reset and
// each context it could not make stand in the log.
TEST_F(Partie, GpuResetUndWeiter) {
    for (const auto& [fehler, resets] : {std::pair("0", 1), std::pair("105", 2)}) {
        SCOPED_TRACE(fehler);
        NeuerOrdner(std::string("gpureset_") + fehler);
        setenv("NADREL_GPURESET", "5", 1);
        setenv("NADREL_KONTEXTFEHLER", fehler, 1);
        Starte();
        unsetenv("NADREL_GPURESET");
        unsetenv("NADREL_KONTEXTFEHLER");
        ASSERT_TRUE(Warte([&] { return Anzahl(Log(), "Device zurücksetzen") == resets; }, 60s));
        ASSERT_NO_FATAL_FAILURE(WarteAufSpiel());
        const Foto foto = Bildschirmfoto(0);
        EXPECT_EQ(foto.Pixel(0, 0), (Rgb{26, 26, 26}));
        EXPECT_GT(foto.Helligkeit(kSzeneLinks, kSzeneOben, kSzeneRechts, kSzeneUnten), 5);
        Taste(XK_F11);
        Tippe("quit\n");
        EXPECT_EQ(Ende(30s), 0);
        const std::string log = Log();
        EXPECT_EQ(Anzahl(log, "Device zurücksetzen"), resets);
        EXPECT_EQ(Anzahl(log, "!Ausnahme"), 0) << log;
        EXPECT_EQ(Anzahl(log, "grafik9: the driver reset the OpenGL context"), 1) << log;
        EXPECT_EQ(Anzahl(log, "grafik9: no new OpenGL context after the reset: refused by the test hook"),
                  std::stoi(fehler));
    }
}

} // namespace
