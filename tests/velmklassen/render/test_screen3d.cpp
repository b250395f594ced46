// The screen: the choice of the best fullscreen mode, presence from focus and minimisation with
// its signal, the guards of a window resize, sizes it cannot show, a device it cannot get, and
// (under an X server) a real window.

#include "testhilfe.h"

#include "velmklassen/kern/velm_konsolenbefehl.h"
#include "velmklassen/kern/velm_system.h"

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

namespace {

using D = Velm_Darstellung;

TEST(Screen, BesteDarstellung) {
    const auto beste = &Velm_Screen3D::WaehleBesteDarstellung;
    // Distances 92 and 200.
    EXPECT_EQ(beste({1000, 700, 0, 0}, {{1024, 768, 0, 60}, {800, 600, 0, 60}}), (D{1024, 768, 0, 0}));
    // Equal distances: the later mode in the monitor's list wins.
    EXPECT_EQ(beste({1000, 700, 0, 0}, {{900, 700, 0, 60}, {1100, 700, 0, 75}}), (D{1100, 700, 0, 0}));
    // A refresh rate asked for counts and is kept.
    const std::vector<D> raten = {{1024, 768, 0, 60}, {1024, 768, 0, 85}};
    EXPECT_EQ(beste({1024, 768, 0, 75}, raten), (D{1024, 768, 0, 85}));
    EXPECT_EQ(beste({1024, 768, 0, 62}, raten), (D{1024, 768, 0, 60}));
    // A mode farther away than the all-zero mode is never taken.
    EXPECT_EQ(beste({10, 10, 0, 0}, {{4000, 3000, 0, 60}}), D{});
    EXPECT_EQ(beste({640, 480, 0, 0}, {}), D{});
}

TEST(Screen, PraesenzUndIhrSignal) {
    Velm_System& system = Velm_System::Global();
    system.mPraesenz = Velm_System::Aktiv;
    system.mSichtbar = true;
    system.mFokussiert = true;
    std::vector<Velm_System::Praesenz> gemeldet;
    boost::signals2::scoped_connection verbindung =
        system.mPraesenzSignal.connect([&](Velm_System::Praesenz p) { gemeldet.push_back(p); });

    // Minimised stays minimised when the focus goes; each change is signalled once.
    Velm_Screen3D::BeiMinimierung(nullptr, 1);
    Velm_Screen3D::BeiFokus(nullptr, 0);
    Velm_Screen3D::BeiMinimierung(nullptr, 0);
    Velm_Screen3D::BeiFokus(nullptr, 1);
    Velm_Screen3D::BeiFokus(nullptr, 1);
    EXPECT_EQ(gemeldet, std::vector({Velm_System::Minimiert, Velm_System::Inaktiv, Velm_System::Aktiv}));
}

TEST(Screen, GroessenAenderungOhneWirkung) {
    rendertest::SetzeBildschirm(640, 480, Velm_Screen3D::kVollbild);
    Velm_Screen3D::BeiGroessenAenderung(nullptr, 800, 600); // fullscreen
    Velm_Screen3D::mFlags = 0;
    Velm_Screen3D::BeiGroessenAenderung(nullptr, 0, 0); // minimised
    Velm_Screen3D::mImUmbau = true;
    Velm_Screen3D::BeiGroessenAenderung(nullptr, 800, 600); // a change in progress
    Velm_Screen3D::mImUmbau = false;
    EXPECT_EQ(Velm_Screen3D::mDarstellung, (D{640, 480, 0, 0}));
}

using Bildschirm = rendertest::Kontext;

// Without a window and a monitor: a size the device can draw into is applied and kept in the
// variables; 0, a size not positive or above the largest texture takes 1280 x 768, with a line
// naming a bad value, and the variables keep their text.
TEST_F(Bildschirm, SetDarstellungNimmtUndarstellbareGroessenWieNull) {
    const int64_t groesste = int64_t(K().mFaehigkeiten.mMaxTexturHoehe);
    const std::string zuGross = std::to_string(groesste + 1);
    const std::tuple<int64_t, int64_t, int64_t, int64_t, std::string> faelle[] = {
        {320, 200, 320, 200, ""},
        {groesste, 16, groesste, 16, ""},
        {0, 200, 1280, 768, ""},
        {-5, 200, 1280, 768, "Breite -5 kann nicht dargestellt werden"},
        {320, groesste + 1, 1280, 768, "Höhe " + zuGross + " kann nicht dargestellt werden"},
        {320, -1, 1280, 768, "Höhe -1 kann nicht dargestellt werden"},
    };
    for (const auto& [breite, hoehe, sollBreite, sollHoehe, zeile] : faelle) {
        SCOPED_TRACE(std::to_string(breite) + " x " + std::to_string(hoehe));
        displaywidth.SetText("7");
        mLog.mZeilen.clear();
        Velm_Screen3D::SetDarstellung({breite, hoehe, 0, 0}, false, false);
        EXPECT_EQ(Velm_Screen3D::mDarstellung, (D{sollBreite, sollHoehe, 0, 0}));
        EXPECT_EQ(K().mBereichBreite, uint64_t(sollBreite)) << "the device is reset to the size";
        EXPECT_EQ(mLog.Anzahl("?Velm_Screen3D::SetDarstellung(...): "), zeile.empty() ? 0 : 1);
        EXPECT_TRUE(mLog.Enthaelt(zeile));
        EXPECT_EQ(displaywidth.Int(), breite == sollBreite ? breite : 7);
    }
    EXPECT_EQ(mBrueche.Anzahl(), 0);
    rendertest::SetzeBildschirm(kBreite, kHoehe);
    K().Zuruecksetzen();
}

// Fullscreen without a monitor, as with a size far from each of its modes, the closest mode is the
// all-zero one, which no back buffer can have: the size counts as 0 and the screen goes windowed
// at 1280 x 768; the variables keep their text.
TEST_F(Bildschirm, VollbildOhneNaheDarstellungNimmtDieGroesseVonNull) {
    displaywidth.SetText("320");
    Velm_Screen3D::SetDarstellung({320, 200, 0, 0}, true, false);
    EXPECT_EQ(Velm_Screen3D::mDarstellung, (D{1280, 768, 0, 0}));
    EXPECT_EQ(Velm_Screen3D::mFlags & Velm_Screen3D::kVollbild, 0u);
    EXPECT_EQ(K().mBereichBreite, 1280u) << "the device is reset to the size";
    EXPECT_TRUE(
        mLog.Enthaelt("?Velm_Screen3D::SetDarstellung(...): Keine Vollbild-Darstellung nahe 320x200"));
    EXPECT_EQ(displaywidth.Text(), "320");
    EXPECT_EQ(mBrueche.Anzahl(), 0);
    rendertest::SetzeBildschirm(kBreite, kHoehe);
    K().Zuruecksetzen();
}

// A device that cannot be made (here: a second one, which the layer refuses) leaves its line and
// no device, without a check report: the screen then fails its start.
TEST_F(Bildschirm, GeraetDasNichtEntstehtOhneBruch) {
    Velm_ZeichenKontext zweiter;
    EXPECT_FALSE(zweiter.HatGeraet());
    EXPECT_TRUE(mLog.Enthaelt("!Velm_ZeichenKontextImplDX9::Velm_ZeichenKontextImplDX9(): Failed to create "
                              "Direct3D device."));
    EXPECT_EQ(mBrueche.Anzahl(), 0);
}

// Under an X server: the window opens at the monitor's size, "reinitvideo" resizes it and resets
// the device, the window system is not started twice.
TEST(Screen, FensterAufDemBildschirm) {
    if (std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "no display";
    }
    TLog log;
    THaltepunktZaehler brueche;
    debugShader.SetBool(false);
    fullscreen.SetBool(true);
    ASSERT_TRUE(Velm_Screen3D::Init({0, 0, 0, 0}, 0));
    ASSERT_TRUE(Velm_Screen3D::Kontext->HatGeraet());
    EXPECT_FALSE(fullscreen.Bool());
    int monitore = 0;
    const GLFWvidmode* modus = glfwGetVideoMode(glfwGetMonitors(&monitore)[0]);
    ASSERT_NE(modus, nullptr);
    const int tiefe = modus->redBits + modus->greenBits + modus->blueBits;
    EXPECT_EQ(Velm_Screen3D::mDarstellung, (D{modus->width, modus->height, tiefe <= 16 ? 1u : 0u, 0}));
    int breite = 0, hoehe = 0;
    glfwGetWindowSize(Velm_Screen3D::mFenster, &breite, &hoehe);
    EXPECT_EQ(std::pair(breite, hoehe), std::pair(modus->width, modus->height));

    displaywidth.SetInt(320);
    displayheight.SetInt(200);
    Velm_Konsolenbefehl::FuehreAus("reinitvideo");
    EXPECT_TRUE(log.Enthaelt("Darstellung wird geändert auf 320x200, Fenster."));
    // One reset: the window's own report of the new size costs no second.
    Velm_System::Global().mProFrame();
    EXPECT_EQ(log.Anzahl("ReInit Darstellung: Device zurücksetzen"), 1);
    glfwGetWindowSize(Velm_Screen3D::mFenster, &breite, &hoehe);
    EXPECT_EQ(std::pair(breite, hoehe), std::pair(320, 200));
    EXPECT_EQ(Velm_Screen3D::Kontext->mBereichBreite, 320u);
    EXPECT_FALSE(Velm_Screen3D::IstImUmbau());

    // 0 (the default) and a size the device cannot draw into take the monitor's size again; the
    // variables keep their text.
    for (const char* text : {"0", "99999"}) {
        displaywidth.SetText(text);
        Velm_Konsolenbefehl::FuehreAus("reinitvideo");
        Velm_System::Global().mProFrame();
        glfwGetWindowSize(Velm_Screen3D::mFenster, &breite, &hoehe);
        EXPECT_EQ(std::pair(breite, hoehe), std::pair(modus->width, modus->height)) << text;
        EXPECT_EQ(displaywidth.Text(), text);
    }
    EXPECT_EQ(log.Anzahl("?Velm_Screen3D::SetDarstellung(...): Breite 99999"), 1);

    // A frame through the real window.
    Velm_Screen3D::Kontext->Leeren(1, TAlphaFarbe{0, 1, 0, 1});
    Velm_Screen3D::Kontext->Praesentieren();
    Velm_Konsolenbefehl::FuehreAus("videoram");
    EXPECT_TRUE(log.Enthaelt("Insgesamt 2 Resourcen"));
    EXPECT_EQ(brueche.Anzahl(), 0);

    Velm_Screen3D::BeiSchliessen(Velm_Screen3D::mFenster);
    EXPECT_TRUE(Velm_System::Global().mBeenden);
    Velm_Screen3D::Schliessen();
    EXPECT_EQ(Velm_Screen3D::Kontext, nullptr);
    EXPECT_TRUE(log.Enthaelt("Screen wird geschlossen."));

    // The window system is started once: a second Init cannot make a window, which is no fault
    // of the engine's code and raises no check report.
    EXPECT_FALSE(Velm_Screen3D::Init({320, 200, 0, 0}, 0));
    EXPECT_TRUE(log.Enthaelt("!Velm_Screen3D::Init(...): Couldn't create window."));
    EXPECT_EQ(brueche.Anzahl(), 0);
}

} // namespace
