#include "plattform/system/plattform_faden.h"
#include "plattform/system/plattform_system.h"
#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_parallelkern.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <pthread.h>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace {

using ParallelKern = TLogTest;

const Velm_FaserArt kArten[4] = {Velm_FaserArt::Hauptfaden, Velm_FaserArt::Sofort, Velm_FaserArt::Langfristig,
                                 Velm_FaserArt::EinAusgabe};

// Runs `auftrag` as a main-thread fiber and works the main loop until it has finished, the way the
// frame loop runs its frame job.
void FuehreAus(Velm_ParallelKern& kern, const std::function<void()>& auftrag) {
    kern.StarteImHauptfaden([&] {
        auftrag();
        kern.BeendeHauptschleife();
    });
    kern.BearbeiteHauptschleife();
}

void WarteAlle(const std::vector<Velm_FaserHandle>& handles) {
    for (const Velm_FaserHandle& handle : handles)
        Velm_ParallelKern::Warte(handle);
}

} // namespace

// Fibers of every kind await the same one, then resume on the threads of their own kind, whichever
// thread ran what they awaited.
TEST_F(ParallelKern, WartendeJederArtLaufenAufIhrenFaedenWeiter) {
    std::atomic<bool> fertig{false}, freigeben{false}; // outlive the core, whose workers still read them
    std::atomic<int> geweckt{0};
    // Each kind keeps to the threads named for it (one for I/O), main-thread fibers to the main thread.
    const uint32_t hauptfaden = Plattform::FadenId();
    std::atomic<int> fremd{0};
    const auto merke = [&](Velm_FaserArt art) {
        char name[16] = {};
        pthread_getname_np(pthread_self(), name, sizeof name);
        const std::string namen[] = {"", "velm-sofort-", "velm-lang-", "velm-ea-0"};
        fremd += art == Velm_FaserArt::Hauptfaden ? Plattform::FadenId() != hauptfaden
                                                  : std::string(name).rfind(namen[int(art) - 1], 0) != 0;
    };
    Velm_ParallelKern kern;
    const Velm_FaserHandle haengt = kern.StarteSofort([&] {
        while (!freigeben)
            Plattform::Schlafe(1);
    });
    // Outside any fiber there is nobody to switch out: reported, then nothing happens.
    Velm_ParallelKern::Warte(haengt);
    EXPECT_EQ(mHaltepunkte.Anzahl(), 1);
    FuehreAus(kern, [&] {
        const Velm_FaserHandle langsam = kern.StarteFaser(Velm_FaserArt::Langfristig, [&] {
            Plattform::Schlafe(20);
            fertig = true;
        });
        const auto warte = [&](Velm_FaserArt art) {
            merke(art);
            Velm_ParallelKern::Warte(langsam);
            geweckt += fertig ? 1 : 0;
            merke(art);
        };
        std::vector<Velm_FaserHandle> andere;
        for (int i = 0; i < 64; ++i)
            for (Velm_FaserArt art : kArten)
                andere.push_back(kern.StarteFaser(art, [&, art] { warte(art); }));
        warte(Velm_FaserArt::Hauptfaden);
        WarteAlle(andere);
        // Finished and released, empty, or a block in use under another id: returns at once.
        WarteAlle({langsam, Velm_FaserHandle{}, Velm_FaserHandle{haengt.mFaser, haengt.mId + 1}});
        // Awaiting itself would never end: reported once, for the one id that is its own; the other
        // ids name no running fiber in this block and return at once.
        for (uint64_t id = 0; id < 16; ++id)
            Velm_ParallelKern::Warte(Velm_FaserHandle{Velm_ParallelFaser::Aktuelle(), id});
    });
    freigeben = true;
    EXPECT_EQ(mHaltepunkte.Anzahl(), 2);
    EXPECT_EQ(geweckt, 4 * 64 + 1);
    EXPECT_EQ(fremd, 0);
}

// The stop takes effect after the fiber that asked for it; one asked for before the loop ends its
// next run at once, and is used up by it.
TEST_F(ParallelKern, HauptschleifeEndetNachDemAuftragDerDasVerlangt) {
    Velm_ParallelKern kern;
    std::vector<int> gelaufen; // 0 marks the end of a run of the loop
    const auto laufe = [&](std::initializer_list<int> auftraege) {
        for (int n : auftraege)
            kern.StarteImHauptfaden([&, n] {
                gelaufen.push_back(n);
                if (n % 2)
                    kern.BeendeHauptschleife();
            });
        kern.BearbeiteHauptschleife();
        gelaufen.push_back(0);
    };
    laufe({1, 2});
    laufe({3});
    kern.BeendeHauptschleife();
    laufe({5});
    laufe({});
    EXPECT_EQ(gelaufen, (std::vector<int>{1, 0, 2, 3, 0, 0, 5, 0}));
}

TEST_F(ParallelKern, BloeckeWerdenWiederverwendetUndAmEndeGezaehlt) {
    uint64_t nachDemWachsen = 0;
    {
        Velm_ParallelKern kern;
        // 200 fibers alive at once: the pool runs dry and grows, once.
        for (int durchgang = 0; durchgang < 2; ++durchgang) {
            for (int i = 0; i < 199; ++i)
                kern.StarteImHauptfaden([] {});
            kern.StarteImHauptfaden([&] { kern.BeendeHauptschleife(); });
            nachDemWachsen = durchgang ? nachDemWachsen : kern.Allokationen();
            kern.BearbeiteHauptschleife();
        }
        EXPECT_GE(nachDemWachsen, 200u);
        EXPECT_LE(nachDemWachsen, 200u + 101u);
        EXPECT_EQ(kern.Allokationen(), nachDemWachsen);
    }
    EXPECT_EQ(Velm_ParallelKern::Kern(), nullptr);
    EXPECT_TRUE(mLog.Enthaelt("Am Ende waren es " + std::to_string(nachDemWachsen) + " Alloks"));
}

TEST_F(ParallelKern, GescheiterterFadenstartHinterlaesstNichtsUndAusnahmenWerdenProtokolliert) {
    for (int erlaubt : {0, 1, 5}) {
        Plattform::SetzeFadenstartGrenze(erlaubt);
        EXPECT_THROW(Velm_ParallelKern kern, std::system_error) << erlaubt;
        Plattform::SetzeFadenstartGrenze(-1);
        EXPECT_EQ(Velm_ParallelKern::Kern(), nullptr);
    }
    EXPECT_TRUE(mLog.Enthaelt("Ausnahme bei Thread-Erstellung vom Typ \"std::system_error\" mit Text \""));

    // Nothing is left behind: a new core starts and works. Its jobs' exceptions are logged and wake
    // their awaiters, and the threads that caught them go on with new jobs.
    Velm_ParallelKern kern;
    int weiter = 0;
    FuehreAus(kern, [&] {
        Velm_ParallelKern::Warte(kern.StarteFaser(Velm_FaserArt::Langfristig, [] { throw 42; }));
        // Thrown after an await, perhaps on another thread than the one the job began on.
        Velm_ParallelKern::Warte(kern.StarteSofort([&] {
            Velm_ParallelKern::Warte(
                kern.StarteFaser(Velm_FaserArt::EinAusgabe, [] { Plattform::Schlafe(5); }));
            throw std::out_of_range("Ast nach dem Warten");
        }));
        for (int i = 0; i < 32; ++i)
            Velm_ParallelKern::Warte(kern.StarteSofort([&] { ++weiter; }));
    });
    Velm_Konsole::Aktualisiere();
    EXPECT_EQ(weiter, 32);
    EXPECT_TRUE(mLog.Enthaelt("Unbehandelte sonstige Ausnahme bei Faser-Ausführung."));
    EXPECT_TRUE(mLog.Enthaelt(
        "Unbehandelte Ausnahme std::out_of_range wegen \"Ast nach dem Warten\" bei Faser-Ausführung."));
}

// Thousands of short awaits on every kind of thread at once. Children finish while their parent
// is still switching out, so a waiter registered too early would be resumed twice or on two
// threads at once, and a lost wake-up would hang here.
TEST_F(ParallelKern, VieleKurzeWartevorgaengeVerlierenUndDoppelnNichts) {
    Velm_ParallelKern kern;
    constexpr int kEltern = 24;
    constexpr int kRunden = 400;
    std::vector<std::atomic<int>> kindLaeufe(kEltern * kRunden);
    std::atomic<int> fehler{0};
    FuehreAus(kern, [&] {
        std::vector<Velm_FaserHandle> eltern;
        for (int e = 0; e < kEltern; ++e)
            eltern.push_back(kern.StarteFaser(kArten[1 + e % 3], [&, e] {
                std::atomic<int> laeuft{1};
                for (int r = 0; r < kRunden; ++r) {
                    std::atomic<int>& zaehler = kindLaeufe[e * kRunden + r];
                    const Velm_FaserHandle kind =
                        kern.StarteFaser(kArten[(e + r) % 4], [&zaehler] { zaehler.fetch_add(1); });
                    if (laeuft.fetch_sub(1) != 1)
                        ++fehler;
                    Velm_ParallelKern::Warte(kind);
                    if (laeuft.fetch_add(1) != 0 || zaehler.load() != 1)
                        ++fehler;
                }
            }));
        WarteAlle(eltern);
    });
    EXPECT_EQ(fehler, 0);
    // Workers hand the blocks of finished fibers back: at most a few dozen were alive at once.
    EXPECT_EQ(kern.Allokationen(), uint64_t(Velm_ParallelKern::kAnfangsBloecke));
    EXPECT_EQ(std::count(kindLaeufe.begin(), kindLaeufe.end(), 1), kEltern * kRunden);
}

TEST(ParallelKernTod, StapelUeberlaufTrifftDieWaechterseite) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const Velm_ParallelKern::BlockAufteilung aufteilung = Velm_ParallelKern::Aufteilung();
    EXPECT_EXIT(
        {
            Velm_ParallelKern kern;
            FuehreAus(kern, [] { Rekursion(0); });
        },
        kSpeicherschutzFehler, "");
    // The page right after the header is the guard, right below the stack's lowest byte.
    EXPECT_EXIT(
        {
            Velm_ParallelKern kern;
            const Velm_FaserHandle faser = kern.StarteImHauptfaden([] {});
            volatile std::byte* waechter = reinterpret_cast<std::byte*>(faser.mFaser) + aufteilung.mKopf;
            waechter[aufteilung.mWaechter - 1] = std::byte{1};
        },
        kSpeicherschutzFehler, "");
}
