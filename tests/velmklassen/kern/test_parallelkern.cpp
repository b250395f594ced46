#include "plattform/system/plattform_faden.h"
#include "plattform/system/plattform_speicherseiten.h"
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
    static void TearDownTestSuite() {
        delete sOrdner;
        sOrdner = nullptr;
    }

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
    std::mutex mSperre;
    std::set<uint32_t> mFaeden;
};

bool Disjunkt(const std::set<uint32_t>& a, const std::set<uint32_t>& b) {
    for (uint32_t faden : a)
        if (b.count(faden))
            return false;
    return true;
}

TEST_F(ParallelKern, VerteiltAusEinerFaserUndSammeltWieder) {
    Velm_ParallelKern kern;
    constexpr int kAnzahl = 500;
    std::vector<uint64_t> ergebnisse(kAnzahl, 0);
    uint32_t fadenDanach = 0;
    FuehreImHauptfadenAus(kern, [&] {
        std::vector<Velm_FaserHandle> handles;
        for (int i = 0; i < kAnzahl; ++i)
            handles.push_back(kern.StarteSofort([&ergebnisse, i] { ergebnisse[i] = uint64_t(i) * i + 1; }));
        for (const Velm_FaserHandle& handle : handles)
            Velm_ParallelKern::Warte(handle);
        fadenDanach = Plattform::FadenId();
    });
    for (int i = 0; i < kAnzahl; ++i)
        ASSERT_EQ(ergebnisse[i], uint64_t(i) * i + 1) << i;
    // A main-thread fiber comes back on the main thread after awaiting.
    EXPECT_EQ(fadenDanach, Plattform::FadenId());
}

TEST_F(ParallelKern, WarteAufFertigeUnfertigeUndFremdeFasern) {
    Velm_ParallelKern kern;
    std::vector<int> reihenfolge;
    std::atomic<bool> langsamFertig{false};
    FuehreImHauptfadenAus(kern, [&] {
        // Unfinished: the wait returns only after the job has run to its end.
        const Velm_FaserHandle langsam = kern.StarteSofort([&] {
            Plattform::Schlafe(30);
            langsamFertig = true;
        });
        Velm_ParallelKern::Warte(langsam);
        EXPECT_TRUE(langsamFertig);

        // Finished and released: the handle's id no longer matches, the wait returns at once.
        Velm_ParallelKern::Warte(langsam);
        Velm_ParallelKern::Warte(Velm_FaserHandle{});

        // A block in use by another job under another id is not awaited.
        std::atomic<bool> freigeben{false};
        const Velm_FaserHandle haengt = kern.StarteSofort([&] {
            while (!freigeben)
                Plattform::Schlafe(1);
        });
        Velm_ParallelKern::Warte(Velm_FaserHandle{haengt.mFaser, haengt.mId + 1000});
        freigeben = true;
        Velm_ParallelKern::Warte(haengt);

        // Two children in turn: one resumption per await, each after its child has finished.
        const Velm_FaserHandle erstes = kern.StarteSofort([&] {
            Plattform::Schlafe(10);
            reihenfolge.push_back(1);
        });
        Velm_ParallelKern::Warte(erstes);
        reihenfolge.push_back(2);
        const Velm_FaserHandle zweites = kern.StarteFaser(Velm_FaserArt::Langfristig, [&] {
            Plattform::Schlafe(10);
            reihenfolge.push_back(3);
        });
        Velm_ParallelKern::Warte(zweites);
        reihenfolge.push_back(4);
    });
    EXPECT_EQ(reihenfolge, (std::vector<int>{1, 2, 3, 4}));
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

    const uint32_t hauptfaden = Plattform::FadenId();
    EXPECT_EQ(haupt.mFaeden, std::set<uint32_t>{hauptfaden});
    EXPECT_EQ(einAusgabe.mFaeden.size(), 1u);
    const size_t n = Plattform::ProzessorAnzahl();
    EXPECT_LE(sofort.mFaeden.size(), n);
    EXPECT_LE(langfristig.mFaeden.size(), n);
    for (uint32_t faden : langfristigNachWarten.mFaeden)
        EXPECT_FALSE(sofort.mFaeden.count(faden) || einAusgabe.mFaeden.count(faden) || faden == hauptfaden);
    EXPECT_TRUE(Disjunkt(sofort.mFaeden, langfristig.mFaeden));
    EXPECT_TRUE(Disjunkt(sofort.mFaeden, einAusgabe.mFaeden));
    EXPECT_TRUE(Disjunkt(langfristig.mFaeden, einAusgabe.mFaeden));
    EXPECT_FALSE(sofort.mFaeden.count(hauptfaden) || langfristig.mFaeden.count(hauptfaden) ||
                 einAusgabe.mFaeden.count(hauptfaden));
}

TEST_F(ParallelKern, HauptschleifeEndetAusEinemAuftrag) {
    Velm_ParallelKern kern;
    std::vector<int> gelaufen;
    kern.StarteImHauptfaden([&] {
        gelaufen.push_back(1);
        kern.BeendeHauptschleife();
    });
    kern.StarteImHauptfaden([&] { gelaufen.push_back(2); });
    kern.BearbeiteHauptschleife();
    // The stop takes effect after the fiber that asked for it: the second one waits.
    EXPECT_EQ(gelaufen, std::vector<int>{1});

    kern.StarteImHauptfaden([&] {
        gelaufen.push_back(3);
        kern.BeendeHauptschleife();
    });
    kern.BearbeiteHauptschleife();
    EXPECT_EQ(gelaufen, (std::vector<int>{1, 2, 3}));

    // A stop asked for before the loop ends its next run at once, and is used up by it.
    kern.BeendeHauptschleife();
    kern.StarteImHauptfaden([&] {
        gelaufen.push_back(4);
        kern.BeendeHauptschleife();
    });
    kern.BearbeiteHauptschleife();
    EXPECT_EQ(gelaufen, (std::vector<int>{1, 2, 3}));
    kern.BearbeiteHauptschleife();
    EXPECT_EQ(gelaufen, (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(ParallelKern, AusnahmenWerdenProtokolliertUndWeckenDenWartenden) {
    TLogMitschrift log;
    Velm_ParallelKern kern;
    int weiter = 0;
    FuehreImHauptfadenAus(kern, [&] {
        Velm_ParallelKern::Warte(kern.StarteSofort([] { throw std::runtime_error("Zweig ohne Blatt"); }));
        ++weiter;
        Velm_ParallelKern::Warte(kern.StarteFaser(Velm_FaserArt::Langfristig, [] { throw 42; }));
        ++weiter;
        Velm_ParallelKern::Warte(kern.StarteSofort(std::function<void()>()));
        ++weiter;
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
    EXPECT_EQ(weiter, 35);
    EXPECT_TRUE(log.Enthaelt("Unbehandelte Ausnahme std::runtime_error wegen \"Zweig ohne Blatt\" bei "
                             "Faser-Ausführung."));
    EXPECT_TRUE(log.Enthaelt("Unbehandelte sonstige Ausnahme bei Faser-Ausführung."));
    EXPECT_TRUE(log.Enthaelt("wegen \"bad_function_call\" bei Faser-Ausführung."));
    EXPECT_TRUE(log.Enthaelt("Unbehandelte Ausnahme std::out_of_range wegen \"Ast nach dem Warten\""));
}

TEST_F(ParallelKern, ZustaendeEinerFaser) {
    Velm_ParallelKern kern;
    const Velm_FaserHandle faser = kern.StarteImHauptfaden([&] {
        EXPECT_EQ(Velm_ParallelFaser::Aktuelle()->Zustand(), Velm_FaserZustand::Laeuft);
        kern.BeendeHauptschleife();
    });
    EXPECT_EQ(faser.mFaser->Art(), Velm_FaserArt::Hauptfaden);
    EXPECT_EQ(faser.mFaser->Zustand(), Velm_FaserZustand::Eingereiht);
    EXPECT_EQ(Velm_ParallelFaser::Aktuelle(), nullptr);
    kern.BearbeiteHauptschleife();
    // Finished fibers go straight back to the pool.
    EXPECT_EQ(faser.mFaser->Zustand(), Velm_FaserZustand::Frei);
    EXPECT_EQ(faser.mFaser->Art(), Velm_FaserArt::Frei);
    EXPECT_EQ(Velm_ParallelFaser::Aktuelle(), nullptr);
}

// A fiber needs no core to run: whoever calls `FuehreHierAus` runs it, resumes it after it
// switched out, and releases it at the end.
TEST_F(ParallelKern, FaserLaeuftImAufruferOhneKern) {
    const Velm_ParallelKern::BlockAufteilung aufteilung = Velm_ParallelKern::Aufteilung();
    std::byte* const block = static_cast<std::byte*>(Plattform::ReserviereSeiten(aufteilung.Gesamt()));
    ASSERT_NE(block, nullptr);
    std::vector<int> schritte;
    Velm_ParallelFaser* const faser = new (block) Velm_ParallelFaser(
        7, Velm_FaserArt::Sofort,
        [&] {
            schritte.push_back(1);
            Velm_ParallelFaser::Aktuelle()->Unterbreche();
            EXPECT_EQ(Velm_ParallelFaser::Aktuelle()->Zustand(), Velm_FaserZustand::Laeuft);
            schritte.push_back(3);
        },
        block + aufteilung.Gesamt(), aufteilung.mStapel);

    EXPECT_EQ(faser->Zustand(), Velm_FaserZustand::Eingereiht);
    EXPECT_FALSE(faser->FuehreHierAus());
    EXPECT_EQ(faser->Zustand(), Velm_FaserZustand::Laeuft);
    EXPECT_EQ(Velm_ParallelFaser::Aktuelle(), nullptr);
    schritte.push_back(2);
    EXPECT_TRUE(faser->FuehreHierAus());
    EXPECT_EQ(faser->Zustand(), Velm_FaserZustand::Fertig);
    EXPECT_EQ(schritte, (std::vector<int>{1, 2, 3}));

    faser->Zuruecksetzen();
    EXPECT_EQ(faser->Zustand(), Velm_FaserZustand::Frei);
    EXPECT_EQ(faser->Art(), Velm_FaserArt::Frei);
    faser->~Velm_ParallelFaser();
    Plattform::GibSeitenFrei(block, aufteilung.Gesamt());
}

TEST_F(ParallelKern, StartUndEndeWerdenProtokolliert) {
    TLogMitschrift log;
    {
        Velm_ParallelKern kern;
        EXPECT_EQ(Velm_ParallelKern::Kern(), &kern);
    }
    EXPECT_EQ(Velm_ParallelKern::Kern(), nullptr);
    const int n = int(Plattform::ProzessorAnzahl());
    EXPECT_TRUE(log.Enthaelt("Starting parallel execution core: " + std::to_string(n) +
                             " immediate threads, " + std::to_string(n) +
                             " long-term threads, 1 I/O threads"));
    EXPECT_TRUE(log.Enthaelt("Am Ende waren es 128 Alloks"));
}

TEST_F(ParallelKern, BloeckeWerdenWiederverwendet) {
    TLogMitschrift log;
    uint64_t nachDemWachsen = 0;
    {
        Velm_ParallelKern kern;
        for (int runde = 0; runde < 20; ++runde) {
            FuehreImHauptfadenAus(kern, [&] {
                std::vector<Velm_FaserHandle> handles;
                for (int i = 0; i < 100; ++i)
                    handles.push_back(kern.StarteSofort([] {}));
                for (const Velm_FaserHandle& handle : handles)
                    Velm_ParallelKern::Warte(handle);
            });
        }
        // 2,000 fibers ran on the 128 starting blocks: a worker hands a block back only after
        // the fiber's awaiter may already go on, so one round's blocks may still be on their way.
        EXPECT_LE(kern.Allokationen(), 128u + 101u);

        // 200 fibers alive at once: the pool runs dry and grows, once (plus blocks still on
        // their way back, as above).
        int gelaufen = 0;
        for (int i = 0; i < 199; ++i)
            kern.StarteImHauptfaden([&] { ++gelaufen; });
        kern.StarteImHauptfaden([&] { kern.BeendeHauptschleife(); });
        nachDemWachsen = kern.Allokationen();
        EXPECT_GE(nachDemWachsen, 200u);
        EXPECT_LE(nachDemWachsen, 200u + 101u);
        kern.BearbeiteHauptschleife();
        EXPECT_EQ(gelaufen, 199);
        for (int i = 0; i < 199; ++i)
            kern.StarteImHauptfaden([&] { ++gelaufen; });
        kern.StarteImHauptfaden([&] { kern.BeendeHauptschleife(); });
        kern.BearbeiteHauptschleife();
        EXPECT_EQ(kern.Allokationen(), nachDemWachsen);
    }
    EXPECT_TRUE(log.Enthaelt("Am Ende waren es " + std::to_string(nachDemWachsen) + " Alloks"));
}

TEST_F(ParallelKern, MehrereWartenAufDieselbeFaser) {
    Velm_ParallelKern kern;
    std::atomic<bool> fertig{false};
    std::atomic<int> geweckt{0};
    FuehreImHauptfadenAus(kern, [&] {
        const Velm_FaserHandle ziel = kern.StarteSofort([&] {
            Plattform::Schlafe(30);
            fertig = true;
        });
        const auto warte = [&] {
            Velm_ParallelKern::Warte(ziel);
            if (fertig)
                ++geweckt;
        };
        const Velm_FaserHandle a = kern.StarteSofort(warte);
        const Velm_FaserHandle b = kern.StarteFaser(Velm_FaserArt::Langfristig, warte);
        const Velm_FaserHandle c = kern.StarteFaser(Velm_FaserArt::EinAusgabe, warte);
        warte();
        Velm_ParallelKern::Warte(a);
        Velm_ParallelKern::Warte(b);
        Velm_ParallelKern::Warte(c);
    });
    EXPECT_EQ(geweckt, 4);
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
        Velm_FaserHandle selbst{Velm_ParallelFaser::Aktuelle(), 0};
        for (uint64_t id = 0; id < 16; ++id) {
            selbst.mId = id;
            Velm_ParallelKern::Warte(selbst);
        }
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
    for (int e = 0; e < kEltern; ++e)
        EXPECT_EQ(wiederaufnahmen[e], kRunden) << e;
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
    EXPECT_EQ(aufteilung.mKopf % aufteilung.mWaechter, 0u);
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
