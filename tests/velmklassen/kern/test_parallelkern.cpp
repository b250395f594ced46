#include "plattform/system/plattform_faden.h"
#include "plattform/system/plattform_system.h"
#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_parallelkern.h"

#include <gtest/gtest.h>

#include <csignal>
#include <mutex>
#include <set>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace {

// The log is process-wide: started once, on the test's main thread, so that the core's lines
// and those of its jobs can be read back.
class ParallelKern : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sOrdner = new TTempOrdner;
        Velm_Konsole::Starte(sOrdner->Pfad(), "parallel.log");
    }
    static void TearDownTestSuite() { delete sOrdner; }

    // Runs `auftrag` as a main-thread fiber and works the main loop until it has finished, the
    // way the frame loop runs its frame job.
    static void FuehreImHauptfadenAus(Velm_ParallelKern& kern, const std::function<void()>& auftrag) {
        kern.StarteImHauptfaden([&] {
            auftrag();
            kern.BeendeHauptschleife();
        });
        kern.BearbeiteHauptschleife();
    }

    static inline TTempOrdner* sOrdner = nullptr;
};

// Thread ids seen by the jobs of one kind.
struct TFadenMenge {
    void Merke() {
        std::lock_guard<std::mutex> sperre(mSperre);
        mFaeden.insert(Plattform::FadenId());
    }
    bool Teilt(const TFadenMenge& andere) const {
        for (uint32_t faden : mFaeden)
            if (andere.mFaeden.count(faden))
                return true;
        return false;
    }
    std::mutex mSperre;
    std::set<uint32_t> mFaeden;
};

TEST_F(ParallelKern, WartenKehrtNachDemEndeDesAuftragsZurueck) {
    Velm_ParallelKern kern;
    std::vector<int> reihenfolge;
    uint32_t fadenDanach = 0;
    std::atomic<bool> freigeben{false}, fertig{false};
    std::atomic<int> geweckt{0};
    FuehreImHauptfadenAus(kern, [&] {
        const Velm_FaserHandle langsam = kern.StarteFaser(Velm_FaserArt::Langfristig, [&] {
            Plattform::Schlafe(20);
            reihenfolge.push_back(1);
            fertig = true;
        });
        // Several fibers of every kind await the same one.
        const auto warte = [&] {
            Velm_ParallelKern::Warte(langsam);
            geweckt += fertig ? 1 : 0;
        };
        const Velm_FaserHandle andere[] = {kern.StarteSofort(warte),
                                           kern.StarteFaser(Velm_FaserArt::Langfristig, warte),
                                           kern.StarteFaser(Velm_FaserArt::EinAusgabe, warte)};
        Velm_ParallelKern::Warte(langsam);
        reihenfolge.push_back(2);
        for (const Velm_FaserHandle& handle : andere)
            Velm_ParallelKern::Warte(handle);
        // A main-thread fiber comes back on the main thread after awaiting.
        fadenDanach = Plattform::FadenId();
        // Finished and released, empty, or a block in use under another id: returns at once.
        const Velm_FaserHandle haengt = kern.StarteSofort([&] {
            while (!freigeben)
                Plattform::Schlafe(1);
        });
        for (const Velm_FaserHandle& handle :
             {langsam, Velm_FaserHandle{}, Velm_FaserHandle{haengt.mFaser, haengt.mId + 1}})
            Velm_ParallelKern::Warte(handle);
        freigeben = true;
    });
    EXPECT_EQ(reihenfolge, (std::vector<int>{1, 2}));
    EXPECT_EQ(geweckt, 3);
    EXPECT_EQ(fadenDanach, Plattform::FadenId());
}

TEST_F(ParallelKern, JedeArtLaeuftAufIhrenFaeden) {
    Velm_ParallelKern kern;
    TFadenMenge haupt, sofort, langfristig, einAusgabe, langfristigNachWarten;
    FuehreImHauptfadenAus(kern, [&] {
        std::vector<Velm_FaserHandle> handles;
        for (int i = 0; i < 64; ++i) {
            handles.push_back(kern.StarteImHauptfaden([&] { haupt.Merke(); }));
            handles.push_back(kern.StarteSofort([&] { sofort.Merke(); }));
            handles.push_back(kern.StarteFaser(Velm_FaserArt::Langfristig, [&] {
                langfristig.Merke();
                // Resumes on a long-term thread, whichever thread ran the child.
                Velm_ParallelKern::Warte(kern.StarteSofort([&] { sofort.Merke(); }));
                langfristigNachWarten.Merke();
            }));
            handles.push_back(kern.StarteFaser(Velm_FaserArt::EinAusgabe, [&] { einAusgabe.Merke(); }));
        }
        for (const Velm_FaserHandle& handle : handles)
            Velm_ParallelKern::Warte(handle);
    });
    EXPECT_EQ(haupt.mFaeden, std::set<uint32_t>{Plattform::FadenId()});
    EXPECT_EQ(einAusgabe.mFaeden.size(), 1u);
    EXPECT_LE(sofort.mFaeden.size(), Plattform::ProzessorAnzahl());
    EXPECT_LE(langfristig.mFaeden.size(), Plattform::ProzessorAnzahl());
    const TFadenMenge* arten[] = {&haupt, &sofort, &einAusgabe, &langfristig};
    for (int a = 0; a < 4; ++a)
        for (int b = a + 1; b < 4; ++b)
            EXPECT_FALSE(arten[a]->Teilt(*arten[b]) || (b == 3 && langfristigNachWarten.Teilt(*arten[a])))
                << a << b;
}

TEST_F(ParallelKern, HauptschleifeEndetNachDemAuftragDerDasVerlangt) {
    Velm_ParallelKern kern;
    std::vector<int> gelaufen;
    const auto laufe = [&](std::initializer_list<int> auftraege) {
        for (int n : auftraege)
            kern.StarteImHauptfaden([&, n] {
                gelaufen.push_back(n);
                if (n % 2)
                    kern.BeendeHauptschleife();
            });
        kern.BearbeiteHauptschleife();
    };
    // The stop takes effect after the fiber that asked for it; one asked for before the loop
    // ends its next run at once, and is used up by it.
    laufe({1, 2});
    EXPECT_EQ(gelaufen, std::vector<int>{1});
    laufe({3});
    EXPECT_EQ(gelaufen, (std::vector<int>{1, 2, 3}));
    kern.BeendeHauptschleife();
    laufe({5});
    EXPECT_EQ(gelaufen, (std::vector<int>{1, 2, 3}));
    kern.BearbeiteHauptschleife();
    EXPECT_EQ(gelaufen, (std::vector<int>{1, 2, 3, 5}));
}

TEST_F(ParallelKern, AusnahmenWerdenProtokolliertUndWeckenDenWartenden) {
    TLogMitschrift log;
    Velm_ParallelKern kern;
    int weiter = 0;
    FuehreImHauptfadenAus(kern, [&] {
        Velm_ParallelKern::Warte(kern.StarteSofort([] { throw std::runtime_error("Zweig ohne Blatt"); }));
        Velm_ParallelKern::Warte(kern.StarteFaser(Velm_FaserArt::Langfristig, [] { throw 42; }));
        Velm_ParallelKern::Warte(kern.StarteSofort(std::function<void()>()));
        // Thrown after an await, perhaps on another thread than the one the job began on.
        Velm_ParallelKern::Warte(kern.StarteSofort([&] {
            Velm_ParallelKern::Warte(
                kern.StarteFaser(Velm_FaserArt::EinAusgabe, [] { Plattform::Schlafe(5); }));
            throw std::out_of_range("Ast nach dem Warten");
        }));
        // The threads that caught go on with new jobs.
        for (int i = 0; i < 32; ++i)
            Velm_ParallelKern::Warte(kern.StarteSofort([&] { ++weiter; }));
    });
    Velm_Konsole::Aktualisiere();
    EXPECT_EQ(weiter, 32);
    for (const char* zeile :
         {"Unbehandelte Ausnahme std::runtime_error wegen \"Zweig ohne Blatt\" bei Faser-Ausführung.",
          "Unbehandelte sonstige Ausnahme bei Faser-Ausführung.",
          "wegen \"bad_function_call\" bei Faser-Ausführung.",
          "Unbehandelte Ausnahme std::out_of_range wegen \"Ast nach dem Warten\""})
        EXPECT_TRUE(log.Enthaelt(zeile)) << zeile;
}

TEST_F(ParallelKern, BloeckeWerdenWiederverwendetUndAmEndeGezaehlt) {
    TLogMitschrift log;
    uint64_t nachDemWachsen = 0;
    {
        Velm_ParallelKern kern;
        EXPECT_EQ(Velm_ParallelKern::Kern(), &kern);
        // 2,000 fibers on the 128 starting blocks: a worker hands a block back only after the
        // fiber's awaiter may already go on, so one round's blocks may still be on their way.
        for (int runde = 0; runde < 20; ++runde)
            FuehreImHauptfadenAus(kern, [&] {
                std::vector<Velm_FaserHandle> handles;
                for (int i = 0; i < 100; ++i)
                    handles.push_back(kern.StarteSofort([] {}));
                for (const Velm_FaserHandle& handle : handles)
                    Velm_ParallelKern::Warte(handle);
            });
        EXPECT_LE(kern.Allokationen(), 128u + 101u);
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
    const std::string n = std::to_string(Plattform::ProzessorAnzahl());
    EXPECT_TRUE(log.Enthaelt("Starting parallel execution core: " + n + " immediate threads, " + n +
                             " long-term threads, 1 I/O threads"));
    EXPECT_TRUE(log.Enthaelt("Am Ende waren es " + std::to_string(nachDemWachsen) + " Alloks"));
}

TEST_F(ParallelKern, FalschesWartenWirdGemeldet) {
    THaltepunktZaehler haltepunkte;
    std::atomic<bool> freigeben{false}; // outlives the core, whose worker still reads it
    Velm_ParallelKern kern;
    const Velm_FaserHandle haengt = kern.StarteSofort([&] {
        while (!freigeben)
            Plattform::Schlafe(1);
    });
    // Outside any fiber there is nobody to switch out: reported, then nothing happens.
    Velm_ParallelKern::Warte(haengt);
    EXPECT_EQ(haltepunkte.Anzahl(), 1);

    // Awaiting itself would never end: reported once, for the one id that is its own; the other
    // ids name no running fiber in this block and return at once.
    FuehreImHauptfadenAus(kern, [&] {
        for (uint64_t id = 0; id < 16; ++id)
            Velm_ParallelKern::Warte(Velm_FaserHandle{Velm_ParallelFaser::Aktuelle(), id});
    });
    EXPECT_EQ(haltepunkte.Anzahl(), 2);
    freigeben = true;
}

TEST_F(ParallelKern, GescheiterterFadenstartBeendetDieGestartetenFaeden) {
    TLogMitschrift log;
    for (int erlaubt : {0, 1, 5}) {
        Plattform::SetzeFadenstartGrenze(erlaubt);
        EXPECT_THROW(Velm_ParallelKern kern, std::system_error) << erlaubt;
        Plattform::SetzeFadenstartGrenze(-1);
        EXPECT_EQ(Velm_ParallelKern::Kern(), nullptr);
    }
    EXPECT_TRUE(log.Enthaelt("Ausnahme bei Thread-Erstellung vom Typ \"std::system_error\" mit Text \""));

    // Nothing is left behind: a new core starts and works.
    Velm_ParallelKern kern;
    int gelaufen = 0;
    FuehreImHauptfadenAus(kern, [&] { Velm_ParallelKern::Warte(kern.StarteSofort([&] { gelaufen = 1; })); });
    EXPECT_EQ(gelaufen, 1);
}

// Thousands of short awaits on every kind of thread at once. Children finish while their parent
// is still switching out, so a waiter registered too early would be resumed twice or on two
// threads at once, and a lost wake-up would hang here.
TEST_F(ParallelKern, VieleKurzeWartevorgaengeVerlierenUndDoppelnNichts) {
    Velm_ParallelKern kern;
    constexpr int kEltern = 24;
    constexpr int kRunden = 400;
    const Velm_FaserArt arten[4] = {Velm_FaserArt::Hauptfaden, Velm_FaserArt::Sofort,
                                    Velm_FaserArt::Langfristig, Velm_FaserArt::EinAusgabe};
    std::vector<std::atomic<int>> kindLaeufe(kEltern * kRunden);
    std::vector<int> wiederaufnahmen(kEltern, 0);
    std::atomic<int> fehler{0};

    FuehreImHauptfadenAus(kern, [&] {
        std::vector<Velm_FaserHandle> eltern;
        for (int e = 0; e < kEltern; ++e) {
            eltern.push_back(kern.StarteFaser(arten[1 + e % 3], [&, e] {
                std::atomic<int> laeuft{1};
                for (int r = 0; r < kRunden; ++r) {
                    std::atomic<int>& zaehler = kindLaeufe[e * kRunden + r];
                    const Velm_FaserHandle kind =
                        kern.StarteFaser(arten[(e + r) % 4], [&zaehler] { zaehler.fetch_add(1); });
                    if (laeuft.fetch_sub(1) != 1)
                        ++fehler;
                    Velm_ParallelKern::Warte(kind);
                    if (laeuft.fetch_add(1) != 0 || zaehler.load() != 1)
                        ++fehler;
                    ++wiederaufnahmen[e];
                }
            }));
        }
        for (const Velm_FaserHandle& handle : eltern)
            Velm_ParallelKern::Warte(handle);
    });

    EXPECT_EQ(fehler, 0);
    EXPECT_EQ(wiederaufnahmen, std::vector<int>(kEltern, kRunden));
    for (size_t i = 0; i < kindLaeufe.size(); ++i)
        ASSERT_EQ(kindLaeufe[i], 1) << i;
}

// Deep enough to run through 128 KB of stack whatever the optimiser does with the frames.
int gGrenze = 1 << 30;
__attribute__((noinline)) int Rekursion(int tiefe) {
    volatile char rahmen[512];
    rahmen[0] = char(tiefe);
    if (tiefe > gGrenze)
        return rahmen[0];
    return Rekursion(tiefe + 1) + rahmen[0];
}

using ParallelKernTod = ParallelKern;

// Without AddressSanitizer the kernel ends the process with SIGSEGV; with it, its own handler
// reports the fault and exits.
#if defined(__SANITIZE_ADDRESS__)
const auto kSpeicherschutzFehler = [](int status) { return status != 0; };
#else
const auto kSpeicherschutzFehler = ::testing::KilledBySignal(SIGSEGV);
#endif

TEST_F(ParallelKernTod, StapelUeberlaufTrifftDieWaechterseite) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const Velm_ParallelKern::BlockAufteilung aufteilung = Velm_ParallelKern::Aufteilung();
    EXPECT_GE(aufteilung.mStapel, 130944u);
    EXPECT_EXIT(
        {
            Velm_ParallelKern kern;
            FuehreImHauptfadenAus(kern, [] { Rekursion(0); });
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

} // namespace
