// Screenshots on the headless device: the first free number, and a folder that cannot be made, a
// back buffer that cannot be read or a file that cannot be written, each with its line and no file.

#include "nadrel/spiel/bildschirmfoto.h"
#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/render/testhilfe.h"

#include <filesystem>
#include <fstream>

#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;

using Bildschirmfoto = rendertest::Kontext;

// Each screenshot takes the first free number; a folder that cannot be made or a back buffer that
// cannot be read logs the failure and writes nothing.
TEST_F(Bildschirmfoto, ErsteFreieNummerUndFehler) {
    TTempOrdner temp;
    const fs::path ordner = temp.Pfad() / "screenshots";
    K().Leeren(1, TAlphaFarbe{1, 0, 0, 1});
    EXPECT_EQ(Spiel::SpeichereBildschirmfoto(K(), ordner), ordner / "screenshot0000.png");
    EXPECT_EQ(Spiel::SpeichereBildschirmfoto(K(), ordner), ordner / "screenshot0001.png");
    fs::remove(ordner / "screenshot0000.png");
    EXPECT_EQ(Spiel::SpeichereBildschirmfoto(K(), ordner), ordner / "screenshot0000.png");
    EXPECT_EQ(mLog.Anzahl("Screenshot saved as \"" + (ordner / "screenshot0000.png").string() + "\"."), 2);
    Velm_Bild bild;
    ASSERT_TRUE(bild.LadeBildAusDatei(ordner / "screenshot0001.png"));
    EXPECT_EQ(bild.mDaten[2], 255);
    EXPECT_EQ(bild.mDaten[1], 0);

    mLog.mZeilen.clear();
    fs::remove_all(ordner);
    std::ofstream(ordner.string()) << "kein Ordner";
    EXPECT_EQ(Spiel::SpeichereBildschirmfoto(K(), ordner), fs::path());
    EXPECT_EQ(mLog.Anzahl("!Screenshot folder"), 1);
    fs::remove(ordner);
    IDirect3DDevice9* geraet = K().Impl().TauscheGeraet(nullptr);
    EXPECT_EQ(Spiel::SpeichereBildschirmfoto(K(), ordner), fs::path());
    K().Impl().TauscheGeraet(geraet);
    EXPECT_EQ(mLog.Anzahl("!Screenshot not saved"), 1);
    EXPECT_FALSE(fs::exists(ordner / "screenshot0000.png"));

    // A file that cannot be written (as on a full disk; here no write may grow a file) leaves no
    // empty screenshot to take the number, and the program goes on.
    rlimit vorher{};
    getrlimit(RLIMIT_FSIZE, &vorher);
    const rlimit voll{0, vorher.rlim_max};
    setrlimit(RLIMIT_FSIZE, &voll);
    EXPECT_EQ(Spiel::SpeichereBildschirmfoto(K(), ordner), fs::path());
    setrlimit(RLIMIT_FSIZE, &vorher);
    EXPECT_EQ(
        mLog.Anzahl("!Screenshot \"" + (ordner / "screenshot0000.png").string() + "\" cannot be written."),
        1);
    EXPECT_TRUE(fs::is_empty(ordner));
    EXPECT_EQ(mLog.Anzahl("Screenshot saved"), 0);
}

} // namespace
