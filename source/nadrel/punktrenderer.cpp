#include "nadrel/punktrenderer.h"

#include "velmklassen/kern/velm_parallelkern.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Spiel {

Matrix Ansichtsmatrix(const Vektor& kamera, float gieren, float nicken) {
    const float cg = std::cos(gieren), sg = std::sin(gieren);
    const float cn = std::cos(nicken), sn = std::sin(nicken);
    const Matrix drehungY = {cg, 0, -sg, 0, 0, 1, 0, 0, sg, 0, cg, 0, 0, 0, 0, 1};
    const Matrix drehungX = {1, 0, 0, 0, 0, cn, sn, 0, 0, -sn, cn, 0, 0, 0, 0, 1};
    const Matrix verschiebung = Verschiebung({-kamera.x, -kamera.y, -kamera.z});
    return MatrixProdukt(MatrixProdukt(verschiebung, drehungY), drehungX);
}

Matrix Projektionsmatrix(float bildschirmBreite, float bildschirmHoehe) {
    const float senkrecht = -kProjektionsSkala * bildschirmBreite / bildschirmHoehe;
    return {kProjektionsSkala, 0, 0, 0, 0, senkrecht, 0, 0, 0, 0, 1.0002f, -0.100020004f, 0, 0, 1, 0};
}

void Punktrenderer::BaueInstanzpunkte(RenderInstanz& instanz, const Matrix& ansicht, const Matrix& projektion,
                                      float breite, float hoehe) {
    instanz.mZeichenpunkte.Leere();
    const Matrix m = MatrixProdukt(instanz.mMatrix, ansicht);
    const float* p = projektion.data();
    for (const Punkt* punkt = instanz.mPunkteAnfang; punkt != instanz.mPunkteEnde; ++punkt) {
        const float vx = m[0] * punkt->x + m[1] * punkt->y + m[2] * punkt->z + m[3];
        const float vy = m[4] * punkt->x + m[5] * punkt->y + m[6] * punkt->z + m[7];
        const float vz = m[8] * punkt->x + m[9] * punkt->y + m[10] * punkt->z + m[11];
        if (!(vx * vx + vy * vy + vz * vz < kSichtweiteQuadrat))
            continue;
        if (!(p[8] * vx + p[9] * vy + p[10] * vz + p[11] > 0))
            continue;
        const float kehrwert = 1.0f / vz;
        const float nx = (p[0] * vx + p[1] * vy + p[2] * vz + p[3]) * kehrwert;
        const float ny = (p[4] * vx + p[5] * vy + p[6] * vz + p[7]) * kehrwert;
        if (!(std::fabs(nx) < 1.0f && std::fabs(ny) < 1.0f))
            continue;

        const uint64_t sx = uint64_t((nx + 1.0f) * 0.5f * breite * 4096.0f);
        const uint64_t sy = uint64_t((ny + 1.0f) * 0.5f * hoehe * 4096.0f);
        const uint64_t tiefe = uint64_t(vz * kTiefenSkala);
        const uint32_t groesse = punkt->mAttribute & 0xFF;
        // Near, large points would spill into grey and alpha: they stay at the largest radius.
        const float radius = float(groesse) * breite * 4096.0f * (0.0009765625f / vz);
        const uint64_t r = radius < float(kMaxRadius) ? uint64_t(radius) : kMaxRadius;
        const uint64_t grau = punkt->mAttribute >> 16;
        const uint64_t alpha = (punkt->mAttribute >> 8) & 0xFF;
        instanz.mZeichenpunkte.Anhaengen({sx | sy << 24 | tiefe << 48, r | grau << 16 | alpha << 32});
    }
}

void Punktrenderer::BaueZeichenpunkte(Szene& welt, const Matrix& ansicht, const Matrix& projektion,
                                      float breite, float hoehe) {
    Velm_ParallelKern& kern = *Velm_ParallelKern::Kern();
    std::vector<Velm_FaserHandle> handles;
    FuerAlleBelegten(welt.mInstanzen, [&](uint64_t, RenderInstanz& instanz) {
        handles.push_back(kern.StarteSofort([&instanz, &ansicht, &projektion, breite, hoehe] {
            BaueInstanzpunkte(instanz, ansicht, projektion, breite, hoehe);
        }));
    });
    for (const Velm_FaserHandle& handle : handles)
        Velm_ParallelKern::Warte(handle);
}

void SplatteZeichenpunkte(const Zeichenpunkt* punkte, uint64_t anzahl, uint32_t* bild, uint64_t breite,
                          uint64_t hoehe) {
    const int64_t rechts = int64_t(breite * kFixEins);
    const int64_t unten = int64_t(hoehe * kFixEins);
    const int64_t eins = int64_t(kFixEins);
    for (uint64_t k = 0; k < anzahl; ++k) {
        const int64_t x = int64_t(punkte[k].mSchluessel & 0xFFFFFF);
        const int64_t y = int64_t((punkte[k].mSchluessel >> 24) & 0xFFFFFF);
        const int64_t r = int64_t(punkte[k].mWerte & 0xFFFF);
        const uint32_t grau = uint32_t(punkte[k].mWerte >> 16) & 0xFFFF;
        const uint32_t alpha = uint32_t(punkte[k].mWerte >> 32) & 0xFF;
        const int64_t x0 = std::max<int64_t>(x - r, 0), x1 = std::min(x + r, rechts);
        const int64_t y0 = std::max<int64_t>(y - r, 0), y1 = std::min(y + r, unten);
        // Every pixel the square touches is blended, even at weight 0: that clears its fraction.
        for (int64_t j = y0 / eins; eins * j < y1; ++j) {
            const uint32_t zeilenHoehe = uint32_t(std::min(y1, eins * (j + 1)) - std::max(y0, eins * j));
            uint32_t* zeile = bild + j * int64_t(breite);
            for (int64_t i = x0 / eins; eins * i < x1; ++i) {
                const uint32_t spaltenBreite =
                    uint32_t(std::min(x1, eins * (i + 1)) - std::max(x0, eins * i));
                const uint32_t w = (spaltenBreite * zeilenHoehe * alpha) >> 16;
                zeile[i] = (((zeile[i] >> 8) * (65536 - w)) + w * grau) >> 8;
            }
        }
    }
}

void WandleInPixelSkalar(uint32_t* bild, uint64_t anzahl) {
    for (uint64_t i = 0; i < anzahl; ++i)
        bild[i] = ((bild[i] >> 16) * 0x10101u) - 0x1000000u;
}

void WandleInPixel(uint32_t* bild, uint64_t anzahl) {
    uint64_t i = 0;
#if defined(__SSE2__)
    // v x 0x10101 as v + (v << 8) + (v << 16), exact modulo 2^32 like the scalar product.
    const __m128i alpha = _mm_set1_epi32(0x1000000);
    for (; i + 16 <= anzahl; i += 16) {
        __m128i* block = reinterpret_cast<__m128i*>(bild + i);
        for (int k = 0; k < 4; ++k) {
            const __m128i v = _mm_srli_epi32(_mm_loadu_si128(block + k), 16);
            const __m128i grau = _mm_add_epi32(_mm_add_epi32(v, _mm_slli_epi32(v, 8)), _mm_slli_epi32(v, 16));
            _mm_storeu_si128(block + k, _mm_sub_epi32(grau, alpha));
        }
    }
#endif
    WandleInPixelSkalar(bild + i, anzahl - i);
}

void Punktrenderer::BerechneBild(Szene& welt, uint64_t hoehe, const Vektor& kamera, float gieren,
                                 float nicken, float bildschirmBreite, float bildschirmHoehe,
                                 std::vector<uint32_t>& bild) {
    const uint64_t breite = Bildbreite(hoehe);
    const Matrix ansicht = Ansichtsmatrix(kamera, gieren, nicken);
    const Matrix projektion = Projektionsmatrix(bildschirmBreite, bildschirmHoehe);
    BaueZeichenpunkte(welt, ansicht, projektion, float(breite), float(hoehe));

    uint64_t anzahl[64] = {}, anfaenge[64] = {};
    SortiereZeichenpunkte(welt, anzahl, anfaenge);
    uint64_t n = 0;
    for (uint64_t a : anzahl)
        n += a;

    bild.assign(breite * hoehe, 0);
    SplatteZeichenpunkte(mPunkteA.data(), n, bild.data(), breite, hoehe);
    WandleInPixel(bild.data(), bild.size());
}

} // namespace Spiel
