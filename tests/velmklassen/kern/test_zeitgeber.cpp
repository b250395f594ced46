#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_zeitgeber.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Liste = std::vector<std::string>;

// The counter the test timers read instead of the performance counter.
int64_t gZaehlerStand = 0;
int64_t FalscherZaehler() {
    return gZaehlerStand;
}

// The step the timer takes for a mean interval.
int64_t Schritt(int64_t mittel) {
    return int64_t(double(mittel) * gZaehlerPeriodeD * gZaehlerFrequenzD);
}

// Updates at each counter reading and returns the steps taken.
std::vector<int64_t> Aktualisiere(Velm_Zeitgeber& zeitgeber, std::initializer_list<int64_t> staende) {
    std::vector<int64_t> schritte;
    for (int64_t stand : staende) {
        gZaehlerStand = stand;
        zeitgeber.Aktualisiere();
        schritte.push_back(zeitgeber.LetzterSchritt());
    }
    return schritte;
}

Liste gGefeuert;

// Scheduled from a static initialiser of this file: whatever order the initialisers run in, the
// global timer exists, still shows time 0 and hands out the process's first id.
const int64_t gZeitBeimStart = Velm_Zeitgeber::Global().Zeit();
const uint64_t gIdBeimStart = Velm_Zeitgeber::PlaneAufruf(0, [] { gGefeuert.push_back("beim Start"); });

const int64_t kVorlauf = int64_t(gZaehlerFrequenzF * 0.02);

} // namespace

TEST(GlobalerZeitgeber, StartetBeiNullUndVergibtIdsAbNull) {
    EXPECT_EQ(gZeitBeimStart, 0);
    EXPECT_EQ(gIdBeimStart, 0u);
    EXPECT_EQ(Velm_Zeitgeber::PlaneAufruf(5, [] {}), 1u);
    Velm_Zeitgeber::Global().Schritt(1);
    EXPECT_EQ(gGefeuert, Liste{"beim Start"});
    Velm_Zeitgeber::EntferneAufruf(1);
    EXPECT_EQ(Velm_Zeitgeber::Global().AnzahlAufrufe(), 0u);
}

TEST(Zeitgeber, SchrittIstDasBegrenzteMittelDerLetztenZweiIntervalle) {
    // A new timer is 0.02 s ahead; its first update measures from counter value 0.
    gZaehlerStand = 7'000'000'000;
    Velm_Zeitgeber ersterSchritt(&FalscherZaehler);
    EXPECT_EQ(ersterSchritt.Zeit(), kVorlauf);
    ersterSchritt.SetMaxSchritt(int64_t(gZaehlerFrequenzF * 0.1));
    EXPECT_EQ(Aktualisiere(ersterSchritt, {7'016'000'000}), std::vector{int64_t(gZaehlerFrequenzF * 0.1)});
    EXPECT_EQ(ersterSchritt.Zeit(), kVorlauf + int64_t(gZaehlerFrequenzF * 0.1));
    Velm_Zeitgeber ohneGrenze(&FalscherZaehler);
    EXPECT_EQ(Aktualisiere(ohneGrenze, {7'000'000'010}), std::vector{Schritt(7'000'000'010 >> 1)});

    // Intervals 1 000 000, 3 000 001, 6 000 000; a counter that went backwards gives a negative
    // mean, and the arithmetic shift keeps its sign.
    gZaehlerStand = 1'000'000;
    Velm_Zeitgeber zeitgeber(&FalscherZaehler);
    Aktualisiere(zeitgeber, {2'000'000});
    const int64_t vorher = zeitgeber.Zeit();
    EXPECT_EQ(Aktualisiere(zeitgeber, {5'000'001, 11'000'001}),
              (std::vector{Schritt(4'000'001 >> 1), Schritt(9'000'001 >> 1)}));
    EXPECT_EQ(zeitgeber.Zeit(), vorher + Schritt(2'000'000) + Schritt(4'500'000));
    EXPECT_EQ(Aktualisiere(zeitgeber, {0}), std::vector{Schritt((0 - 5'000'001) >> 1)});

    // The maximum step limits; a negative one lifts the limit.
    gZaehlerStand = 0;
    Velm_Zeitgeber begrenzt(&FalscherZaehler);
    begrenzt.SetMaxSchritt(1000);
    EXPECT_EQ(Aktualisiere(begrenzt, {10'000, 20'000}), (std::vector<int64_t>{1000, 1000}));
    begrenzt.SetMaxSchritt(-5);
    EXPECT_EQ(begrenzt.MaxSchritt(), 0);
    EXPECT_EQ(Aktualisiere(begrenzt, {30'000}), std::vector{Schritt(10'000)});
}

TEST(Zeitgeber, PauseHaeltDieZeitAnAberMisstWeiter) {
    gZaehlerStand = 0;
    Velm_Zeitgeber zeitgeber(&FalscherZaehler);
    Aktualisiere(zeitgeber, {100});
    const int64_t zeit = zeitgeber.Zeit();
    zeitgeber.Pausiere();
    EXPECT_EQ(Aktualisiere(zeitgeber, {300}), std::vector<int64_t>{0});
    EXPECT_EQ(zeitgeber.Zeit(), zeit);
    zeitgeber.SetzeFort();
    EXPECT_EQ(Aktualisiere(zeitgeber, {700}), std::vector{Schritt((700 - 100) >> 1)});
    EXPECT_EQ(zeitgeber.Zeit(), zeit + Schritt(300));
}

// The callbacks always live on the global timer, which these tests step by hand.
class Aufrufe : public TLogTest {
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
    uint64_t Plane(int64_t verzoegerung, const std::string& name, std::function<void()> dazu = {}) {
        mIds.push_back(Velm_Zeitgeber::PlaneAufruf(verzoegerung, [name, dazu] {
            gGefeuert.push_back(name);
            if (dazu)
                dazu();
        }));
        return mIds.back();
    }

    std::vector<uint64_t> mIds;
};

TEST_F(Aufrufe, FaelligWennDieZeitEchtDarueberIstInDerReihenfolgeDesPlanens) {
    const uint64_t spaet = Plane(10, "spaet");
    EXPECT_EQ(Plane(0, "null"), spaet + 1);
    Plane(5, "mittel");
    const uint64_t entfernt = Plane(0, "entfernt");
    Plane(100, "nicht");
    Velm_Zeitgeber::EntferneAufruf(entfernt);
    Velm_Zeitgeber::EntferneAufruf(entfernt);
    Velm_Zeitgeber::EntferneAufruf(Velm_Zeitgeber::kKeinAufruf);
    Global().Schritt(0);
    EXPECT_TRUE(gGefeuert.empty());
    Global().Schritt(10);
    EXPECT_EQ(gGefeuert, (Liste{"null", "mittel"}));
    Global().Schritt(1);
    EXPECT_EQ(gGefeuert, (Liste{"null", "mittel", "spaet"}));
    EXPECT_EQ(Global().AnzahlAufrufe(), 1u);
}

TEST_F(Aufrufe, EinAufrufEntferntSichSelbstOderEinenSpaeterenDesselbenSchritts) {
    uint64_t spaeter = Velm_Zeitgeber::kKeinAufruf, selbst = Velm_Zeitgeber::kKeinAufruf;
    Plane(0, "erster", [&] { Velm_Zeitgeber::EntferneAufruf(spaeter); });
    spaeter = Plane(0, "spaeter");
    selbst = Plane(0, "selbst", [&] { Velm_Zeitgeber::EntferneAufruf(selbst); });
    Plane(0, "danach");
    Plane(50, "bleibt");
    Global().Schritt(1);
    EXPECT_EQ(gGefeuert, (Liste{"erster", "selbst", "danach"}));
    EXPECT_EQ(Global().AnzahlAufrufe(), 1u);
}

// The running callable must survive the entries its own call adds: enough of them move the list.
// What it plans, even with delay 0, fires in the next step.
TEST_F(Aufrufe, EinAufrufPlantWeitereWaehrendErLaeuft) {
    const std::string gefangen(100, 'x');
    Plane(0, gefangen, [&] {
        for (int i = 0; i < 100; ++i)
            Plane(0, "neu" + std::to_string(i));
    });
    Global().Schritt(1);
    EXPECT_EQ(gGefeuert, Liste{gefangen});
    EXPECT_EQ(Global().AnzahlAufrufe(), 100u);
    Global().Schritt(1);
    ASSERT_EQ(gGefeuert.size(), 101u);
    EXPECT_EQ(gGefeuert[1], "neu0");
    EXPECT_EQ(gGefeuert[100], "neu99");
}

TEST_F(Aufrufe, LeereAufrufeWerdenAbgelehnt) {
    const uint64_t vorher = Plane(0, "vorher");
    void (*nichts)() = nullptr;
    EXPECT_EQ(Velm_Zeitgeber::PlaneAufruf(0, nichts), Velm_Zeitgeber::kKeinAufruf);
    EXPECT_EQ(Velm_Zeitgeber::PlaneAufruf(0, boost::function<void()>()), Velm_Zeitgeber::kKeinAufruf);
    EXPECT_EQ(Velm_Zeitgeber::PlaneAufruf(0, std::function<void()>()), Velm_Zeitgeber::kKeinAufruf);
    EXPECT_EQ(mHaltepunkte.Anzahl(), 3);
    EXPECT_TRUE(mLog.Enthaelt("Velm_Zeitgeber::PlaneAufruf"));
    // A refused callable takes no id.
    EXPECT_EQ(Plane(0, "nachher"), vorher + 1);
    Global().Schritt(1);
    EXPECT_EQ(gGefeuert, (Liste{"vorher", "nachher"}));
}

TEST(GlobalerZeitgeberAmEnde, OffeneAufrufeWerdenNichtGerufen) {
    EXPECT_EXIT(
        {
            Velm_Zeitgeber::PlaneAufruf(0, [] { std::fputs("gerufen\n", stderr); });
            std::exit(0);
        },
        testing::ExitedWithCode(0), "^$");
}
