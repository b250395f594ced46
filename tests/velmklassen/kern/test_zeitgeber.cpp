#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_zeitgeber.h"

#include <gtest/gtest.h>

#include <functional>
#include <numeric>
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
int64_t S(int64_t mittel) {
    return int64_t(double(mittel) * gZaehlerPeriodeD * gZaehlerFrequenzD);
}

Liste gGefeuert;

// Scheduled from a static initialiser of this file: whatever order the initialisers run in, the
// global timer exists, still shows time 0 and hands out the process's first id.
const int64_t gZeitBeimStart = Velm_Zeitgeber::Global().Zeit();
const uint64_t gIdBeimStart = Velm_Zeitgeber::PlaneAufruf(0, [] { gGefeuert.push_back("beim Start"); });

} // namespace

TEST(GlobalerZeitgeber, StartetBeiNullUndVergibtIdsAbNull) {
    EXPECT_EQ(gZeitBeimStart, 0);
    EXPECT_EQ(gIdBeimStart, 0u);
    Velm_Zeitgeber::Global().Schritt(1);
    EXPECT_EQ(gGefeuert, Liste{"beim Start"});
}

TEST(Zeitgeber, SchrittIstDasBegrenzteMittelDerLetztenZweiIntervalle) {
    struct Fall {
        int64_t start, maxSchritt;
        std::vector<int64_t> staende, schritte;
        size_t pausiert = ~size_t(0); // the update made while paused
    };
    // clang-format off
    const Fall faelle[] = {
        // The first update measures from counter value 0, so only the maximum step bounds it.
        {7'000'000'000, 0, {7'000'000'010}, {S(3'500'000'005)}},
        // A counter that went backwards gives a negative mean; the arithmetic shift keeps its sign.
        {1'000'000, 0, {2'000'000, 5'000'001, 11'000'001, 0},
         {S(1'000'000), S(2'000'000), S(4'500'000), S(-2'500'001)}},
        // The maximum step limits; a negative one lifts the limit.
        {0, 1000, {10'000, 20'000}, {1000, 1000}}, {0, -5, {10'000}, {S(5'000)}},
        // A pause holds the time but goes on measuring.
        {0, 0, {100, 300, 700}, {S(50), 0, S(300)}, 1}};
    // clang-format on
    for (const Fall& fall : faelle) {
        gZaehlerStand = fall.start;
        Velm_Zeitgeber zeitgeber(&FalscherZaehler);
        zeitgeber.SetMaxSchritt(fall.maxSchritt);
        std::vector<int64_t> schritte;
        for (size_t i = 0; i < fall.staende.size(); ++i) {
            if (i == fall.pausiert)
                zeitgeber.Pausiere();
            gZaehlerStand = fall.staende[i];
            zeitgeber.Aktualisiere();
            zeitgeber.SetzeFort();
            schritte.push_back(zeitgeber.LetzterSchritt());
        }
        EXPECT_EQ(schritte, fall.schritte) << fall.start;
        // A new timer is 0.02 s ahead.
        EXPECT_EQ(zeitgeber.Zeit(),
                  int64_t(gZaehlerFrequenzF * 0.02) + std::reduce(schritte.begin(), schritte.end()));
    }
}

// The callbacks always live on the global timer, which these tests step by hand.
class Aufrufe : public TLogTest {
protected:
    void SetUp() override { gGefeuert.clear(); }
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

// Due once the time is past the mark, in the order of scheduling. A callback may cancel itself or a
// later one of the same step. It may also plan more, which fire in the next step even with delay 0;
// the running callable must survive them, and enough of them move the list.
TEST_F(Aufrufe, FaelligWennDieZeitEchtDarueberIstInDerReihenfolgeDesPlanens) {
    uint64_t spaeter = Velm_Zeitgeber::kKeinAufruf, selbst = Velm_Zeitgeber::kKeinAufruf;
    const uint64_t spaet = Plane(10, "spaet");
    EXPECT_EQ(Plane(0, "null", [&] { Velm_Zeitgeber::EntferneAufruf(spaeter); }), spaet + 1);
    spaeter = Plane(0, "spaeter");
    selbst = Plane(0, "selbst", [&] { Velm_Zeitgeber::EntferneAufruf(selbst); });
    Plane(5, "mittel", [&] {
        for (int i = 0; i < 100; ++i)
            Plane(0, "neu" + std::to_string(i));
    });
    const uint64_t entfernt = Plane(0, "entfernt");
    Plane(100, "nicht");
    for (uint64_t id : {entfernt, entfernt, Velm_Zeitgeber::kKeinAufruf})
        Velm_Zeitgeber::EntferneAufruf(id);
    Global().Schritt(0);
    EXPECT_TRUE(gGefeuert.empty());
    Global().Schritt(10);
    EXPECT_EQ(gGefeuert, (Liste{"null", "selbst", "mittel"}));
    Global().Schritt(1);
    ASSERT_EQ(gGefeuert.size(), 104u);
    EXPECT_EQ(Liste(gGefeuert.begin() + 3, gGefeuert.begin() + 5), (Liste{"spaet", "neu0"}));
    EXPECT_EQ(gGefeuert.back(), "neu99");
    EXPECT_EQ(Global().AnzahlAufrufe(), 1u);
}

// An empty callable is reported and takes no id.
TEST_F(Aufrufe, LeereAufrufeWerdenAbgelehnt) {
    const uint64_t vorher = Plane(0, "vorher");
    void (*nichts)() = nullptr;
    EXPECT_EQ(Velm_Zeitgeber::PlaneAufruf(0, nichts), Velm_Zeitgeber::kKeinAufruf);
    EXPECT_EQ(Velm_Zeitgeber::PlaneAufruf(0, boost::function<void()>()), Velm_Zeitgeber::kKeinAufruf);
    EXPECT_EQ(Velm_Zeitgeber::PlaneAufruf(0, std::function<void()>()), Velm_Zeitgeber::kKeinAufruf);
    EXPECT_EQ(mHaltepunkte.Anzahl(), 3);
    EXPECT_EQ(Plane(0, "nachher"), vorher + 1);
}

TEST(GlobalerZeitgeberAmEnde, OffeneAufrufeWerdenNichtGerufen) {
    EXPECT_EXIT(
        {
            Velm_Zeitgeber::PlaneAufruf(0, [] { std::fputs("gerufen\n", stderr); });
            std::exit(0);
        },
        testing::ExitedWithCode(0), "^$");
}
