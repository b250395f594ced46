// The level builder: one seed gives one level, and the rules on centres, hills, ground, trees,
// player, key and ghosts hold for many seeds.

#include "nadrel/baum.h"
#include "nadrel/geist.h"
#include "nadrel/levelbau.h"
#include "nadrel/punktstreuung.h"
#include "nadrel/schluessel.h"
#include "nadrel/spieler.h"
#include "welt_testumgebung.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

using namespace Spiel;
using namespace WeltTest;

namespace {

struct Level {
    Velm_Zeitgeber uhr{&StehendeUhr};
    Szene welt{&uhr};
    explicit Level(uint32_t saat) {
        Plattform::SetzeZufallsSaat(saat);
        BaueSzene(welt);
    }
};

void Mische(uint64_t& h, const void* daten, size_t n) {
    const auto* bytes = static_cast<const unsigned char*>(daten);
    for (size_t i = 0; i < n; ++i)
        h = (h ^ bytes[i]) * 1099511628211ull;
}

// Everything the builder made: points, instances, hills and objects.
uint64_t Hash(Szene& welt) {
    uint64_t h = 1469598103934665603ull;
    FuerAlleBelegten(welt.mMeshes, [&](uint64_t, Feld<Punkt>& punkte) {
        Mische(h, punkte.mDaten, punkte.mAnzahl * sizeof(Punkt));
    });
    FuerAlleBelegten(welt.mInstanzen, [&](uint64_t, RenderInstanz& instanz) {
        Mische(h, instanz.mMatrix.data(), sizeof instanz.mMatrix);
        const uint64_t n = uint64_t(instanz.mPunkteEnde - instanz.mPunkteAnfang);
        Mische(h, &n, sizeof n);
    });
    Mische(h, welt.mHuegel.data(), welt.mHuegel.size() * sizeof(Huegel));
    FuerAlleBelegten(welt.mObjekte,
                     [&](uint64_t, Objekt* o) { Mische(h, &o->mPosition, sizeof o->mPosition); });
    return h;
}

// The hills in groups of one cluster each: its primaries (weight 10 or more), then their satellites.
struct Cluster {
    std::vector<Huegel> haupt;
    std::vector<Huegel> trabanten;
    Vektor zentrum;
    const Feld<Punkt>* punkte = nullptr;
};

std::vector<Cluster> Gruppiere(Szene& welt) {
    std::vector<Cluster> cluster;
    bool inTrabanten = true;
    for (const Huegel& h : welt.mHuegel) {
        const bool haupt = h.h >= 10;
        if (haupt && inTrabanten)
            cluster.emplace_back();
        inTrabanten = !haupt;
        (haupt ? cluster.back().haupt : cluster.back().trabanten).push_back(h);
    }
    // The cluster instances come first, in the same order, each viewing its own mesh.
    for (size_t i = 0; i < cluster.size(); ++i) {
        const RenderInstanz& instanz = welt.mInstanzen[i];
        cluster[i].zentrum = {instanz.mMatrix[3], instanz.mMatrix[7], instanz.mMatrix[11]};
        cluster[i].punkte = &welt.mMeshes[i];
        EXPECT_EQ(instanz.mPunkteAnfang, welt.mMeshes[i].mDaten);
    }
    return cluster;
}

template <typename T> std::vector<T*> Objekte(Szene& welt) {
    std::vector<T*> liste;
    FuerAlleBelegten(welt.mObjekte, [&](uint64_t, Objekt* o) {
        if (auto* t = dynamic_cast<T*>(o))
            liste.push_back(t);
    });
    return liste;
}

float Abstand2(const Huegel& h, const Vektor& p) {
    return (h.x - p.x) * (h.x - p.x) + (h.y - p.y) * (h.y - p.y) + (h.z - p.z) * (h.z - p.z);
}

const Huegel& Naechster(const std::vector<Huegel>& huegel, const Vektor& ziel) {
    return *std::min_element(huegel.begin(), huegel.end(), [&](const Huegel& a, const Huegel& b) {
        return Abstand2(a, ziel) < Abstand2(b, ziel);
    });
}

uint64_t LevelHash(uint32_t saat) {
    Level level(saat);
    return Hash(level.welt);
}

TEST(LevelbauTest, TheSameSeedGivesTheSameLevel) {
    const uint64_t a = LevelHash(20261206);
    EXPECT_EQ(LevelHash(20261206), a);
    EXPECT_NE(LevelHash(20261207), a);
}

TEST(LevelbauTest, TheDrawsPlaceTheCentresAndThenTheFirstHill) {
    // The centres as the rules choose them: up to ten candidates (x, then z) per attempt, the
    // first one at least 100 away from all before it is taken.
    Plattform::SetzeZufallsSaat(8);
    std::vector<Vektor> zentren;
    for (int versuch = 0; versuch < 100; ++versuch) {
        for (int kandidat = 0; kandidat < 10; ++kandidat) {
            const float x = float(Plattform::Zufall()) * 0.018311106f - 300;
            const float z = float(Plattform::Zufall()) * 0.018311106f - 300;
            const bool frei = std::all_of(zentren.begin(), zentren.end(), [&](const Vektor& c) {
                return (c.x - x) * (c.x - x) + (c.z - z) * (c.z - z) >= 10000;
            });
            if (frei) {
                zentren.push_back({x, 0, z});
                break;
            }
        }
    }
    // Then the first cluster's count of primaries and its first primary: x, z, weight.
    const int s = int(1.7f + float(Plattform::Zufall()) * 9.155552e-5f);
    const float weite = float(s * s + 5);
    const float x = (float(Plattform::Zufall()) * 6.103702e-5f - 1) * weite;
    const float z = (float(Plattform::Zufall()) * 6.103702e-5f - 1) * weite;
    const float h = 10 + float(Plattform::Zufall()) * 0.0006103702f;

    Level level(8);
    const std::vector<Cluster> cluster = Gruppiere(level.welt);
    ASSERT_EQ(cluster.size(), zentren.size());
    for (size_t i = 0; i < zentren.size(); ++i)
        EXPECT_EQ(cluster[i].zentrum, zentren[i]);
    ASSERT_EQ(cluster[0].haupt.size(), size_t(s));
    const Huegel& erster = level.welt.mHuegel[0];
    EXPECT_EQ(erster.x, x + zentren[0].x);
    EXPECT_EQ(erster.z, z + zentren[0].z);
    EXPECT_EQ(erster.y, 0);
    EXPECT_EQ(erster.h, h);
}

// The level as the rules draw it, step by step from one seed; trees and the key's primitives
// come from their own tested builders, fed from the same generator at the same moment.
struct Referenz {
    std::vector<Huegel> huegel;
    std::vector<std::vector<Punkt>> meshes;
    std::vector<Punkt> schluesselMesh;
    std::vector<Vektor> objekte; // player, key, ghosts
};

float Z() {
    return float(Plattform::Zufall());
}

std::vector<Punkt> AlsListe(Feld<Punkt>& feld) {
    std::vector<Punkt> liste(feld.begin(), feld.end());
    feld.Freigeben();
    return liste;
}

Referenz BaueReferenz(uint32_t saat) {
    Plattform::SetzeZufallsSaat(saat);
    Referenz r;
    std::vector<Vektor> zentren;
    for (int versuch = 0; versuch < 100; ++versuch) {
        for (int kandidat = 0; kandidat < 10; ++kandidat) {
            const float x = Z() * 0.018311106f - 300;
            const float z = Z() * 0.018311106f - 300;
            if (std::all_of(zentren.begin(), zentren.end(), [&](const Vektor& c) {
                    return (c.x - x) * (c.x - x) + (c.z - z) * (c.z - z) >= 10000;
                })) {
                zentren.push_back({x, 0, z});
                break;
            }
        }
    }
    for (const Vektor& zentrum : zentren) {
        const size_t erster = r.huegel.size();
        const int s = int(1.7f + Z() * 9.155552e-5f);
        for (int i = 0; i < s; ++i) {
            const float x = (Z() * 6.103702e-5f - 1) * float(s * s + 5);
            const float z = (Z() * 6.103702e-5f - 1) * float(s * s + 5);
            r.huegel.push_back({x, 0, z, 10 + Z() * 0.0006103702f});
        }
        for (int i = 0; i < s; ++i) {
            const Huegel p = r.huegel[erster + size_t(i)];
            const int n = int(3.2f + Z() * 0.000106814776f);
            for (int j = 0; j < n; ++j) {
                const float abstand = std::sqrt(10 * p.h) * (0.5f + Z() * 2.1362957e-5f);
                const float winkel = Z() * 0.00019175345f;
                const float h = 2 + Z() * 6.103702e-5f;
                r.huegel.push_back(
                    {p.x + std::cos(winkel) * abstand, p.y, p.z + std::sin(winkel) * abstand, h});
            }
        }
        float minX = 1e10f, minZ = 1e10f, maxX = -1e10f, maxZ = -1e10f;
        for (size_t i = erster; i < r.huegel.size(); ++i) {
            const Huegel& h = r.huegel[i];
            minX = std::min(minX, h.x - std::sqrt(10 * h.h));
            maxX = std::max(maxX, h.x + std::sqrt(10 * h.h));
            minZ = std::min(minZ, h.z - std::sqrt(10 * h.h));
            maxZ = std::max(maxZ, h.z + std::sqrt(10 * h.h));
        }
        minX -= 1, minZ -= 1, maxX += 1, maxZ += 1;
        Feld<Punkt> mesh;
        for (int k = 0; k < 20000; ++k) {
            const float x = minX + Z() * 3.0518509e-5f * (maxX - minX);
            const float z = minZ + Z() * 3.0518509e-5f * (maxZ - minZ);
            float hoehe = 0;
            for (size_t i = erster; i < r.huegel.size(); ++i) {
                const Huegel& h = r.huegel[i];
                const float d2 = (h.x - x) * (h.x - x) + (h.z - z) * (h.z - z);
                hoehe += std::max(h.h / std::max(d2, 1.0f) - 0.1f, 0.0f);
            }
            if (hoehe > 0)
                mesh.Anhaengen({x, std::min(hoehe, 0.4f), z, 0x7A02FF66});
        }
        for (int i = 0; i < s; ++i) {
            const Huegel& p = r.huegel[erster + size_t(i)];
            BaueBaum(mesh, {p.x, p.y + 0.5f, p.z}, Plattform::Zufall());
        }
        for (size_t i = erster; i < r.huegel.size(); ++i)
            r.huegel[i].x += zentrum.x, r.huegel[i].z += zentrum.z;
        r.meshes.push_back(AlsListe(mesh));
    }

    const Huegel& start = Naechster(r.huegel, {-300, 0, -300});
    r.objekte.push_back({start.x - 2, start.y + 2, start.z - 2});
    const Huegel& ziel = Naechster(r.huegel, {300, 0, 300});
    r.objekte.push_back({ziel.x + 2, ziel.y + 1.5f, ziel.z + 2});
    Feld<Punkt> schluessel;
    StreuePunkteAufRing(schluessel, {-1, 0, 0}, {0, 0, 1}, {0.5f, 0.5f, 0.5f});
    StreuePunkteAufStrecke(schluessel, {-0.5f, 0, 0}, {1.5f, 0, 0});
    StreuePunkteAufStrecke(schluessel, {0.8f, 0.1f, 0}, {0, 0.2f, 0});
    StreuePunkteAufStrecke(schluessel, {0.9f, 0.1f, 0}, {0, 0.1f, 0});
    StreuePunkteAufStrecke(schluessel, {1.0f, 0.1f, 0}, {0, 0.2f, 0});
    r.schluesselMesh = AlsListe(schluessel);
    for (int versuch = 0; versuch < 50; ++versuch) {
        const float x = Z() * 0.012207404f - 200;
        const Vektor g{x, 2, Z() * 0.012207404f - 200};
        if (std::none_of(r.huegel.begin(), r.huegel.end(),
                         [&](const Huegel& h) { return Abstand2(h, g) < 900; }))
            r.objekte.push_back(g);
    }
    return r;
}

bool Gleich(const Punkt& a, const Punkt& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z && a.mAttribute == b.mAttribute;
}

void ErwarteGleich(const std::vector<Punkt>& erwartet, const Punkt* anfang, const Punkt* ende) {
    ASSERT_EQ(size_t(ende - anfang), erwartet.size());
    for (size_t i = 0; i < erwartet.size(); ++i)
        ASSERT_TRUE(Gleich(anfang[i], erwartet[i])) << "point " << i;
}

TEST(LevelbauTest, EveryDrawOfTheLevelFollowsTheRulesInOrder) {
    for (uint32_t saat : {3u, 20261206u}) {
        const Referenz r = BaueReferenz(saat);
        Level level(saat);
        Szene& welt = level.welt;

        ASSERT_EQ(welt.mHuegel.size(), r.huegel.size());
        for (size_t i = 0; i < r.huegel.size(); ++i) {
            const Huegel& a = welt.mHuegel[i];
            const Huegel& b = r.huegel[i];
            ASSERT_TRUE(a.x == b.x && a.y == b.y && a.z == b.z && a.h == b.h) << "hill " << i;
        }
        // The cluster meshes in order, each viewed by its instance; then the key's.
        for (size_t i = 0; i < r.meshes.size(); ++i) {
            ASSERT_TRUE(welt.mMeshes.IstBelegt(i));
            ErwarteGleich(r.meshes[i], welt.mMeshes[i].begin(), welt.mMeshes[i].end());
            ErwarteGleich(r.meshes[i], welt.mInstanzen[i].mPunkteAnfang, welt.mInstanzen[i].mPunkteEnde);
        }
        ASSERT_EQ(welt.mSchluesselMesh, r.meshes.size());
        ErwarteGleich(r.schluesselMesh, welt.mMeshes[welt.mSchluesselMesh].begin(),
                      welt.mMeshes[welt.mSchluesselMesh].end());

        // Player, key and the ghosts that were not dropped, in the order they were made.
        std::vector<Vektor> objekte;
        FuerAlleBelegten(welt.mObjekte, [&](uint64_t, Objekt* o) { objekte.push_back(o->mPosition); });
        EXPECT_EQ(objekte, r.objekte) << saat;
    }
}

TEST(LevelbauTest, ClustersHillsGroundAndTreesFollowTheRules) {
    for (uint32_t saat : {1u, 99u, 4711u, 0xDEADBEEFu}) {
        Level level(saat);
        const std::vector<Cluster> cluster = Gruppiere(level.welt);
        ASSERT_GE(cluster.size(), 1u);
        ASSERT_LE(cluster.size(), 100u);
        for (size_t i = 0; i < cluster.size(); ++i) {
            const Cluster& c = cluster[i];
            EXPECT_GE(c.zentrum.x, -300);
            EXPECT_LE(c.zentrum.x, 300);
            EXPECT_GE(c.zentrum.z, -300);
            EXPECT_LE(c.zentrum.z, 300);
            EXPECT_EQ(c.zentrum.y, 0);
            for (size_t j = 0; j < i; ++j) {
                const Vektor d = c.zentrum - cluster[j].zentrum;
                EXPECT_GE(Skalarprodukt(d, d), 10000);
            }
            // One to four primaries of weight 10 to 30 within s^2 + 5 of the centre, each with
            // three to six satellites of weight 2 to 4.
            const size_t s = c.haupt.size();
            ASSERT_GE(s, 1u);
            ASSERT_LE(s, 4u);
            EXPECT_GE(c.trabanten.size(), 3 * s);
            EXPECT_LE(c.trabanten.size(), 6 * s);
            for (const Huegel& h : c.haupt) {
                EXPECT_LE(h.h, 30);
                EXPECT_LE(std::abs(h.x - c.zentrum.x), float(s * s + 5) + 1e-3f);
                EXPECT_LE(std::abs(h.z - c.zentrum.z), float(s * s + 5) + 1e-3f);
            }
            for (const Huegel& h : c.trabanten) {
                EXPECT_GE(h.h, 2);
                EXPECT_LE(h.h, 4);
            }

            // Ground points up to 0.4 high, and one tree standing on every primary.
            size_t boden = 0;
            for (const Punkt& p : *c.punkte) {
                if (p.mAttribute == kBodenAttribut) {
                    ++boden;
                    ASSERT_GT(p.y, 0);
                    ASSERT_LE(p.y, 0.4f);
                }
            }
            EXPECT_GT(boden, 1000u);
            EXPECT_LE(boden, 20000u);
            for (const Huegel& h : c.haupt) {
                const float x = h.x - c.zentrum.x, z = h.z - c.zentrum.z;
                const bool stamm = std::any_of(c.punkte->begin(), c.punkte->end(), [&](const Punkt& p) {
                    return p.mAttribute == kHolzAttribut && std::abs(p.x - x) < 1 && std::abs(p.z - z) < 1 &&
                           p.y > 0.5f && p.y < 1.5f;
                });
                EXPECT_TRUE(stamm) << "seed " << saat << " cluster " << i;
            }
        }
    }
}

TEST(LevelbauTest, PlayerKeyAndGhostsStandWhereTheRulesPutThem) {
    gSchluesselGenommen = false;
    for (uint32_t saat : {5u, 12345u, 777777u}) {
        Level level(saat);
        const std::vector<Huegel>& huegel = level.welt.mHuegel;

        ASSERT_NE(level.welt.mSpieler, nullptr);
        const Huegel& start = Naechster(huegel, {-300, 0, -300});
        EXPECT_EQ(level.welt.mSpieler->mPosition, (Vektor{start.x - 2, start.y + 2, start.z - 2}));
        EXPECT_EQ(Objekte<Spieler>(level.welt).size(), 1u);

        const std::vector<Schluessel*> schluessel = Objekte<Schluessel>(level.welt);
        ASSERT_EQ(schluessel.size(), 1u);
        const Huegel& ziel = Naechster(huegel, {300, 0, 300});
        EXPECT_EQ(schluessel[0]->mPosition, (Vektor{ziel.x + 2, ziel.y + 1.5f, ziel.z + 2}));
        EXPECT_EQ(level.welt.mMeshes[level.welt.mSchluesselMesh].mAnzahl, 286u);

        const std::vector<Geist*> geister = Objekte<Geist>(level.welt);
        EXPECT_LE(geister.size(), 50u);
        for (const Geist* g : geister) {
            EXPECT_EQ(g->mPosition.y, 2);
            EXPECT_LE(std::abs(g->mPosition.x), 200);
            EXPECT_LE(std::abs(g->mPosition.z), 200);
            for (const Huegel& h : huegel)
                ASSERT_GE(Abstand2(h, g->mPosition), 900);
            const RenderInstanz& instanz = level.welt.mInstanzen[g->mInstanz];
            EXPECT_EQ(instanz.mPunkteAnfang, instanz.mPunkteEnde);
            EXPECT_EQ(instanz.mMatrix, Verschiebung(g->mPosition));
        }
    }
}

TEST(LevelbauTest, ALevelRunsForAWhileWithoutFaults) {
    Level level(31337);
    Spieler* spieler = level.welt.mSpieler;
    for (int i = 0; i < 120; ++i) {
        level.uhr.Schritt(Ticks(1.0 / 60));
        FuerAlleBelegten(level.welt.mObjekte, [](uint64_t, Objekt* o) { o->Aktualisiere(); });
    }
    for (const Geist* g : Objekte<Geist>(level.welt)) {
        ASSERT_TRUE(Endlich(g->mPosition));
        EXPECT_GT(g->mPartikel.size(), 400u);
    }
    EXPECT_TRUE(Endlich(spieler->mPosition));
}

} // namespace
