#include "nadrel/welt/levelbau.h"

#include "nadrel/welt/baum.h"
#include "nadrel/welt/geist.h"
#include "nadrel/welt/schluessel.h"
#include "nadrel/welt/spieler.h"
#include "nadrel/welt/szene.h"
#include "nadrel/welt/zufall.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace Spiel {

namespace {

constexpr int kZentrumVersuche = 100;
constexpr int kKandidatenProVersuch = 10;
constexpr float kZentrumAbstand2 = 10000;
constexpr int kBodenProben = 20000;
constexpr uint64_t kClusterPunkte = 100000;
constexpr int kGeistVersuche = 50;
constexpr float kGeistAbstand2 = 900;

float Quadrat(float x) {
    return x * x;
}
float Abstand2(const Vektor& a, const Vektor& b) {
    return Quadrat(a.x - b.x) + Quadrat(a.y - b.y) + Quadrat(a.z - b.z);
}
float HuegelRadius(const Huegel& h) {
    return std::sqrt(10 * h.h);
}

std::vector<Vektor> WaehleZentren() {
    std::vector<Vektor> zentren;
    for (int versuch = 0; versuch < kZentrumVersuche; ++versuch) {
        for (int kandidat = 0; kandidat < kKandidatenProVersuch; ++kandidat) {
            Vektor c;
            c.x = ZufallsZahl() * 0.018311106f - 300;
            c.z = ZufallsZahl() * 0.018311106f - 300;
            const bool zuNah = std::any_of(zentren.begin(), zentren.end(), [&](const Vektor& z) {
                return Abstand2(c, z) < kZentrumAbstand2;
            });
            if (!zuNah) {
                zentren.push_back(c);
                break;
            }
        }
    }
    return zentren;
}

// Appends the cluster's primary hills, then each one's satellites, in cluster coordinates.
void SetzeHuegel(std::vector<Huegel>& huegel, std::vector<Huegel>& haupt) {
    const int s = int(1.7f + ZufallsZahl() * 9.155552e-5f);
    const float weite = float(s * s + 5);
    for (int i = 0; i < s; ++i) {
        Huegel h{};
        h.x = (ZufallsZahl() * 6.103702e-5f - 1) * weite;
        h.z = (ZufallsZahl() * 6.103702e-5f - 1) * weite;
        h.h = 10 + ZufallsZahl() * 0.0006103702f;
        haupt.push_back(h);
        huegel.push_back(h);
    }
    for (const Huegel& p : haupt) {
        const int n = int(3.2f + ZufallsZahl() * 0.000106814776f);
        for (int i = 0; i < n; ++i) {
            const float abstand = HuegelRadius(p) * (0.5f + ZufallsZahl() * 2.1362957e-5f);
            const float winkel = ZufallsZahl() * 0.00019175345f;
            Huegel t{};
            t.x = p.x + std::cos(winkel) * abstand;
            t.y = p.y;
            t.z = p.z + std::sin(winkel) * abstand;
            t.h = 2 + ZufallsZahl() * 6.103702e-5f;
            huegel.push_back(t);
        }
    }
}

// The hill's height over every ground sample: its weight over the squared distance, less 0.1.
void AddiereHuegel(const Huegel& h, const float* __restrict xs, const float* __restrict zs,
                   float* __restrict hoehen) {
    const float y2 = Quadrat(h.y);
    for (int i = 0; i < kBodenProben; ++i) {
        const float d2 = Quadrat(h.x - xs[i]) + y2 + Quadrat(h.z - zs[i]);
        hoehen[i] += std::max(h.h / std::max(d2, 1.0f) - 0.1f, 0.0f);
    }
}

// The ground is the union of the hills' discs, raised up to 0.4 near their centres.
void StreueBoden(Feld<Punkt>& punkte, const Huegel* anfang, const Huegel* ende) {
    float minX = 1e10f, minZ = 1e10f, maxX = -1e10f, maxZ = -1e10f;
    for (const Huegel* h = anfang; h != ende; ++h) {
        const float r = HuegelRadius(*h);
        minX = std::min(minX, h->x - r);
        minZ = std::min(minZ, h->z - r);
        maxX = std::max(maxX, h->x + r);
        maxZ = std::max(maxZ, h->z + r);
    }
    minX -= 1;
    minZ -= 1;
    maxX += 1;
    maxZ += 1;

    // All samples are drawn first, in the generator's order; then each hill adds its share to
    // all of them. Every sample still sums its hills in list order, and the inner loop runs over
    // contiguous samples, which the compiler turns into vector code.
    std::vector<float> xs(kBodenProben), zs(kBodenProben), hoehen(kBodenProben, 0.0f);
    for (int i = 0; i < kBodenProben; ++i) {
        xs[i] = minX + ZufallsZahl() * 3.0518509e-5f * (maxX - minX);
        zs[i] = minZ + ZufallsZahl() * 3.0518509e-5f * (maxZ - minZ);
    }
    for (const Huegel* h = anfang; h != ende; ++h)
        AddiereHuegel(*h, xs.data(), zs.data(), hoehen.data());
    for (int i = 0; i < kBodenProben; ++i)
        if (hoehen[i] > 0)
            punkte.Anhaengen({xs[i], std::min(hoehen[i], 0.4f), zs[i], kBodenAttribut});
}

void BaueCluster(Szene& welt, const Vektor& zentrum) {
    const size_t erster = welt.mHuegel.size();
    std::vector<Huegel> haupt;
    SetzeHuegel(welt.mHuegel, haupt);

    const uint64_t mesh = welt.NeuesMesh(kClusterPunkte);
    Feld<Punkt>& punkte = welt.mMeshes[mesh];
    StreueBoden(punkte, welt.mHuegel.data() + erster, welt.mHuegel.data() + welt.mHuegel.size());
    for (const Huegel& h : haupt)
        BaueBaum(punkte, {h.x, h.y + 0.5f, h.z}, Plattform::Zufall());

    for (size_t i = erster; i < welt.mHuegel.size(); ++i) {
        welt.mHuegel[i].x += zentrum.x;
        welt.mHuegel[i].y += zentrum.y;
        welt.mHuegel[i].z += zentrum.z;
    }
    welt.NeueInstanz(punkte.begin(), punkte.end(), Verschiebung(zentrum));
}

// The first of the nearest hills.
const Huegel& NaechsterHuegel(const std::vector<Huegel>& huegel, const Vektor& ziel) {
    const Huegel* bester = &huegel.front();
    float besterAbstand2 = Abstand2({bester->x, bester->y, bester->z}, ziel);
    for (const Huegel& h : huegel) {
        const float d2 = Abstand2({h.x, h.y, h.z}, ziel);
        if (d2 < besterAbstand2) {
            bester = &h;
            besterAbstand2 = d2;
        }
    }
    return *bester;
}

} // namespace

void BaueSzene(Szene& welt) {
    for (const Vektor& zentrum : WaehleZentren())
        BaueCluster(welt, zentrum);

    // Objects register themselves in the world, which deletes those still there when it ends.
    // The first attempt always yields a centre, so there is always a hill.
    const Huegel& start = NaechsterHuegel(welt.mHuegel, {-300, 0, -300});
    welt.mSpieler = new Spieler(welt, {start.x - 2, start.y + 2, start.z - 2});
    const Huegel& ziel = NaechsterHuegel(welt.mHuegel, {300, 0, 300});
    new Schluessel(welt, {ziel.x + 2, ziel.y + 1.5f, ziel.z + 2});

    for (int versuch = 0; versuch < kGeistVersuche; ++versuch) {
        Vektor p;
        p.x = ZufallsZahl() * 0.012207404f - 200;
        p.z = ZufallsZahl() * 0.012207404f - 200;
        p.y = 2;
        const bool zuNah = std::any_of(welt.mHuegel.begin(), welt.mHuegel.end(), [&](const Huegel& h) {
            return Abstand2({h.x, h.y, h.z}, p) < kGeistAbstand2;
        });
        if (!zuNah)
            new Geist(welt, p);
    }
}

} // namespace Spiel
