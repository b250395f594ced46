#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_zeitgeber.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// The counter the test timers read instead of the performance counter.
int64_t gZaehlerStand = 0;
int64_t FalscherZaehler() {
    return gZaehlerStand;
}

// What the timer computes from the mean interval: the same expression in the same order.
int64_t ErwarteterSchritt(int64_t mittel) {
    return int64_t(double(mittel) * gZaehlerPeriodeD * 1.0 * gZaehlerFrequenzD);
}

std::vector<std::string> gGefeuert;

// Scheduled from a static initialiser of this file: whatever order the initialisers run in, the
// global timer exists, still shows time 0 and hands out the process's first id.
const int64_t gZeitBeimStart = Velm_Zeitgeber::Global().Zeit();
const uint64_t gIdBeimStart = Velm_Zeitgeber::PlaneAufruf(0, [] { gGefeuert.push_back("beim Start"); });

} // namespace

TEST(GlobalerZeitgeber, StartetBeiNullUndVergibtIdsAbNull) {
    EXPECT_EQ(gZeitBeimStart, 0);
    EXPECT_EQ(Velm_Zeitgeber::Global().Zeit(), 0);
    EXPECT_EQ(gIdBeimStart, 0u);
    EXPECT_EQ(Velm_Zeitgeber::PlaneAufruf(5, [] {}), 1u);
    EXPECT_EQ(Velm_Zeitgeber::PlaneAufruf(5, [] {}), 2u);

    Velm_Zeitgeber::Global().Schritt(1);
    EXPECT_EQ(gGefeuert, std::vector<std::string>{"beim Start"});
    Velm_Zeitgeber::EntferneAufruf(1);
    Velm_Zeitgeber::EntferneAufruf(2);
    EXPECT_EQ(Velm_Zeitgeber::Global().AnzahlAufrufe(), 0u);
}

TEST(Zeitgeber, NeuerZeitgeberIst002SekundenVoraus) {
    gZaehlerStand = 5000;
    Velm_Zeitgeber zeitgeber(&FalscherZaehler);
    EXPECT_EQ(zeitgeber.Zeit(), int64_t(gZaehlerFrequenzF * 0.02));
    EXPECT_EQ(zeitgeber.LetzterSchritt(), int64_t(gZaehlerFrequenzF * 0.02));
    EXPECT_EQ(zeitgeber.Tempo(), 1.0);
    EXPECT_FALSE(zeitgeber.Pausiert());
}

TEST(Zeitgeber, ErsteAktualisierungNimmtDenHoechstenSchritt) {
    gZaehlerStand = 7'000'000'000;
    Velm_Zeitgeber zeitgeber(&FalscherZaehler);
    zeitgeber.SetMaxSchritt(int64_t(gZaehlerFrequenzF * 0.1));
    gZaehlerStand += 16'000'000;
    zeitgeber.Aktualisiere();
    EXPECT_EQ(zeitgeber.LetzterSchritt(), int64_t(gZaehlerFrequenzF * 0.1));
    EXPECT_EQ(zeitgeber.Zeit(), int64_t(gZaehlerFrequenzF * 0.02) + int64_t(gZaehlerFrequenzF * 0.1));

    // Without a limit the first update measures from 0: half the raw counter reading.
    gZaehlerStand = 7'000'000'001;
    Velm_Zeitgeber ohneGrenze(&FalscherZaehler);
    gZaehlerStand += 10;
    ohneGrenze.Aktualisiere();
    EXPECT_EQ(ohneGrenze.LetzterSchritt(), ErwarteterSchritt(7'000'000'011 >> 1));
}

TEST(Zeitgeber, SchrittIstDasMittelDerLetztenZweiIntervalle) {
    gZaehlerStand = 1'000'000;
    Velm_Zeitgeber zeitgeber(&FalscherZaehler);
    gZaehlerStand = 2'000'000;
    zeitgeber.Aktualisiere();
    const int64_t vorher = zeitgeber.Zeit();

    // Intervals since construction: 1 000 000, then 3 000 001 and 6 000 000.
    gZaehlerStand = 5'000'001;
    zeitgeber.Aktualisiere();
    EXPECT_EQ(zeitgeber.LetzterSchritt(), ErwarteterSchritt((5'000'001 - 1'000'000) >> 1));
    gZaehlerStand = 11'000'001;
    zeitgeber.Aktualisiere();
    EXPECT_EQ(zeitgeber.LetzterSchritt(), ErwarteterSchritt((11'000'001 - 2'000'000) >> 1));
    EXPECT_EQ(zeitgeber.Zeit(), vorher + ErwarteterSchritt(2'000'000) + ErwarteterSchritt(4'500'000));

    // A counter that went backwards gives a negative mean; the arithmetic shift keeps the sign.
    gZaehlerStand = 0;
    zeitgeber.Aktualisiere();
    EXPECT_EQ(zeitgeber.LetzterSchritt(), ErwarteterSchritt((0 - 5'000'001) >> 1));
}

TEST(Zeitgeber, HoechsterSchrittBegrenztUndNegativHebtAuf) {
    gZaehlerStand = 0;
    Velm_Zeitgeber zeitgeber(&FalscherZaehler);
    zeitgeber.SetMaxSchritt(1000);
    EXPECT_EQ(zeitgeber.MaxSchritt(), 1000);
    gZaehlerStand = 10'000;
    zeitgeber.Aktualisiere();
    EXPECT_EQ(zeitgeber.LetzterSchritt(), 1000);
    gZaehlerStand = 20'000;
    zeitgeber.Aktualisiere();
    EXPECT_EQ(zeitgeber.LetzterSchritt(), 1000);

    zeitgeber.SetMaxSchritt(-5);
    EXPECT_EQ(zeitgeber.MaxSchritt(), 0);
    gZaehlerStand = 30'000;
    zeitgeber.Aktualisiere();
    EXPECT_EQ(zeitgeber.LetzterSchritt(), ErwarteterSchritt(10'000));
}

TEST(Zeitgeber, PauseHaeltDieZeitAnAberMisstWeiter) {
    gZaehlerStand = 0;
    Velm_Zeitgeber zeitgeber(&FalscherZaehler);
    gZaehlerStand = 100;
    zeitgeber.Aktualisiere();
    const int64_t zeit = zeitgeber.Zeit();

    zeitgeber.Pausiere();
    EXPECT_TRUE(zeitgeber.Pausiert());
    gZaehlerStand = 300;
    zeitgeber.Aktualisiere();
    EXPECT_EQ(zeitgeber.Zeit(), zeit);
    EXPECT_EQ(zeitgeber.LetzterSchritt(), 0);

    zeitgeber.SetzeFort();
    gZaehlerStand = 700;
    zeitgeber.Aktualisiere();
    EXPECT_EQ(zeitgeber.LetzterSchritt(), ErwarteterSchritt((700 - 100) >> 1));
    EXPECT_EQ(zeitgeber.Zeit(), zeit + ErwarteterSchritt(300));
}

// The callbacks always live on the global timer, which these tests step by hand.
class Aufrufe : public ::testing::Test {
protected:
    void SetUp() override {
        gGefeuert.clear();
        ASSERT_EQ(Global().AnzahlAufrufe(), 0u);
    }
    void TearDown() override {
        for (uint64_t id : mIds)
            Velm_Zeitgeber::EntferneAufruf(id);
        EXPECT_EQ(Global().AnzahlAufrufe(), 0u);
    }
    static Velm_Zeitgeber& Global() { return Velm_Zeitgeber::Global(); }
    uint64_t Plane(int64_t verzoegerung, const std::string& name) {
        mIds.push_back(Velm_Zeitgeber::PlaneAufruf(verzoegerung, [name] { gGefeuert.push_back(name); }));
        return mIds.back();
    }

    std::vector<uint64_t> mIds;
};

TEST_F(Aufrufe, FaelligErstWennDieZeitEchtDarueberIst) {
    Plane(10, "a");
    Plane(0, "null");
    Global().Schritt(0);
    EXPECT_TRUE(gGefeuert.empty());
    Global().Schritt(10);
    EXPECT_EQ(gGefeuert, std::vector<std::string>{"null"});
    Global().Schritt(1);
    EXPECT_EQ(gGefeuert, (std::vector<std::string>{"null", "a"}));
    EXPECT_EQ(Global().AnzahlAufrufe(), 0u);
}

TEST_F(Aufrufe, ReihenfolgeDesPlanensNichtDerFaelligkeit) {
    Plane(5, "spaet");
    Plane(1, "frueh");
    Plane(100, "nicht");
    Global().Schritt(10);
    EXPECT_EQ(gGefeuert, (std::vector<std::string>{"spaet", "frueh"}));
    EXPECT_EQ(Global().AnzahlAufrufe(), 1u);
}

TEST_F(Aufrufe, EntfernenAusserhalbDesSchritts) {
    const uint64_t a = Plane(0, "a");
    Plane(0, "b");
    Velm_Zeitgeber::EntferneAufruf(a);
    Velm_Zeitgeber::EntferneAufruf(a);
    Velm_Zeitgeber::EntferneAufruf(Velm_Zeitgeber::kKeinAufruf);
    EXPECT_EQ(Global().AnzahlAufrufe(), 1u);
    Global().Schritt(1);
    EXPECT_EQ(gGefeuert, std::vector<std::string>{"b"});
}

TEST_F(Aufrufe, EinAufrufEntferntEinenSpaeterenDesselbenSchritts) {
    uint64_t spaeter = Velm_Zeitgeber::kKeinAufruf;
    mIds.push_back(Velm_Zeitgeber::PlaneAufruf(0, [&spaeter] {
        gGefeuert.push_back("erster");
        Velm_Zeitgeber::EntferneAufruf(spaeter);
    }));
    spaeter = Plane(0, "spaeter");
    Plane(0, "dritter");
    Global().Schritt(1);
    EXPECT_EQ(gGefeuert, (std::vector<std::string>{"erster", "dritter"}));
    EXPECT_EQ(Global().AnzahlAufrufe(), 0u);
}

TEST_F(Aufrufe, EinAufrufEntferntSichSelbst) {
    uint64_t selbst = Velm_Zeitgeber::kKeinAufruf;
    selbst = Velm_Zeitgeber::PlaneAufruf(0, [&selbst] {
        gGefeuert.push_back("selbst");
        Velm_Zeitgeber::EntferneAufruf(selbst);
    });
    Plane(0, "danach");
    Plane(50, "bleibt");
    Global().Schritt(1);
    EXPECT_EQ(gGefeuert, (std::vector<std::string>{"selbst", "danach"}));
    EXPECT_EQ(Global().AnzahlAufrufe(), 1u);
}

// The running callable must survive the entries its own call adds: enough of them move the list.
TEST_F(Aufrufe, EinAufrufPlantWeitereWaehrendErLaeuft) {
    const std::string gefangen(100, 'x');
    mIds.push_back(Velm_Zeitgeber::PlaneAufruf(0, [this, gefangen] {
        for (int i = 0; i < 100; ++i)
            Plane(0, "neu" + std::to_string(i));
        gGefeuert.push_back(gefangen);
    }));
    Global().Schritt(1);
    ASSERT_EQ(gGefeuert.size(), 1u);
    EXPECT_EQ(gGefeuert[0], gefangen);
    EXPECT_EQ(Global().AnzahlAufrufe(), 100u);

    Global().Schritt(1);
    ASSERT_EQ(gGefeuert.size(), 101u);
    EXPECT_EQ(gGefeuert[1], "neu0");
    EXPECT_EQ(gGefeuert[100], "neu99");
}

TEST_F(Aufrufe, EinAufrufVonVerzoegerungNullFeuertErstImNaechstenSchritt) {
    mIds.push_back(Velm_Zeitgeber::PlaneAufruf(0, [this] {
        gGefeuert.push_back("aussen");
        Plane(0, "innen");
    }));
    Global().Schritt(1);
    EXPECT_EQ(gGefeuert, std::vector<std::string>{"aussen"});
    Global().Schritt(1);
    EXPECT_EQ(gGefeuert, (std::vector<std::string>{"aussen", "innen"}));
}

TEST_F(Aufrufe, IdsSindEindeutigUndSteigen) {
    const uint64_t a = Plane(0, "a");
    const uint64_t b = Plane(0, "b");
    const uint64_t c = Plane(0, "c");
    EXPECT_EQ(b, a + 1);
    EXPECT_EQ(c, b + 1);
    Global().Schritt(1);
}

TEST_F(Aufrufe, LeereAufrufeWerdenAbgelehnt) {
    TTempOrdner ordner;
    Velm_Konsole::Starte(ordner.Pfad(), "zeitgeber.log");
    TLogMitschrift mitschrift;
    THaltepunktZaehler haltepunkte;
    const uint64_t vorher = Plane(0, "vorher");

    void (*nichts)() = nullptr;
    EXPECT_EQ(Velm_Zeitgeber::PlaneAufruf(0, nichts), Velm_Zeitgeber::kKeinAufruf);
    EXPECT_EQ(Velm_Zeitgeber::PlaneAufruf(0, boost::function<void()>()), Velm_Zeitgeber::kKeinAufruf);
    EXPECT_EQ(Velm_Zeitgeber::PlaneAufruf(0, std::function<void()>()), Velm_Zeitgeber::kKeinAufruf);
    EXPECT_EQ(haltepunkte.Anzahl(), 3);
    EXPECT_TRUE(mitschrift.Enthaelt("Velm_Zeitgeber::PlaneAufruf"));
    EXPECT_EQ(Global().AnzahlAufrufe(), 1u);
    // A refused callable takes no id.
    EXPECT_EQ(Plane(0, "nachher"), vorher + 1);

    Global().Schritt(1);
    EXPECT_EQ(gGefeuert, (std::vector<std::string>{"vorher", "nachher"}));
}

// The first update measures from counter value 0, so it takes the maximum step.
TEST(GlobalerZeitgeberImBetrieb, ErsteAktualisierungNimmtDenHoechstenSchritt) {
    Velm_Zeitgeber& global = Velm_Zeitgeber::Global();
    const int64_t vorher = global.Zeit();
    global.SetMaxSchritt(int64_t(gZaehlerFrequenzF * 0.1));
    global.Aktualisiere();
    EXPECT_EQ(global.LetzterSchritt(), int64_t(gZaehlerFrequenzF * 0.1));
    EXPECT_EQ(global.Zeit(), vorher + int64_t(gZaehlerFrequenzF * 0.1));
}

TEST(GlobalerZeitgeberAmEnde, OffeneAufrufeWerdenNichtGerufen) {
    EXPECT_EXIT(
        {
            Velm_Zeitgeber::PlaneAufruf(0, [] { std::fputs("gerufen\n", stderr); });
            std::exit(0);
        },
        testing::ExitedWithCode(0), "^$");
}
