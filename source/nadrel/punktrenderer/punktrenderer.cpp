#include "nadrel/punktrenderer/punktrenderer.h"

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

namespace {

// Everything one instance's points share: the first three rows of view x world, the projection
// and the image size.
struct Projektor {
    Matrix m;
    const float* p;
    float breite, hoehe;
};

Zeichenpunkt Item(uint32_t attribute, uint64_t sx, uint64_t sy, uint64_t tiefe, uint64_t radius) {
    const uint64_t grau = attribute >> 16;
    const uint64_t alpha = (attribute >> 8) & 0xFF;
    return {sx | sy << 24 | tiefe << 48, radius | grau << 16 | alpha << 32};
}

void Projiziere(const Projektor& pr, const Punkt& punkt, Feld<Zeichenpunkt>& ziel) {
    const float* m = pr.m.data();
    const float* p = pr.p;
    const float vx = m[0] * punkt.x + m[1] * punkt.y + m[2] * punkt.z + m[3];
    const float vy = m[4] * punkt.x + m[5] * punkt.y + m[6] * punkt.z + m[7];
    const float vz = m[8] * punkt.x + m[9] * punkt.y + m[10] * punkt.z + m[11];
    if (!(vx * vx + vy * vy + vz * vz < kSichtweiteQuadrat))
        return;
    if (!(p[8] * vx + p[9] * vy + p[10] * vz + p[11] > 0))
        return;
    const float kehrwert = 1.0f / vz;
    const float nx = (p[0] * vx + p[1] * vy + p[2] * vz + p[3]) * kehrwert;
    const float ny = (p[4] * vx + p[5] * vy + p[6] * vz + p[7]) * kehrwert;
    if (!(std::fabs(nx) < 1.0f && std::fabs(ny) < 1.0f))
        return;
    // Near, large points would spill into grey and alpha: they stay at the largest radius.
    const float radius = float(punkt.mAttribute & 0xFF) * pr.breite * 4096.0f * (0.0009765625f / vz);
    ziel.Anhaengen(Item(punkt.mAttribute, uint64_t((nx + 1.0f) * 0.5f * pr.breite * 4096.0f),
                        uint64_t((ny + 1.0f) * 0.5f * pr.hoehe * 4096.0f), uint64_t(vz * kTiefenSkala),
                        radius < float(kMaxRadius) ? uint64_t(radius) : kMaxRadius));
}

#if defined(__SSE2__)
// Four points at a time, each operation in the scalar form's order, so the bits are the same.
const Punkt* ProjiziereVier(const Projektor& pr, const Punkt* punkt, const Punkt* ende,
                            Feld<Zeichenpunkt>& ziel) {
    auto zeile = [](const float* z, __m128 x, __m128 y, __m128 w) {
        return _mm_add_ps(
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(z[0]), x), _mm_mul_ps(_mm_set1_ps(z[1]), y)),
                       _mm_mul_ps(_mm_set1_ps(z[2]), w)),
            _mm_set1_ps(z[3]));
    };
    const float* m = pr.m.data();
    const float* p = pr.p;
    const __m128 eins = _mm_set1_ps(1.0f), halb = _mm_set1_ps(0.5f), fix = _mm_set1_ps(4096.0f);
    const __m128 betrag = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
    const __m128 breite = _mm_set1_ps(pr.breite), hoehe = _mm_set1_ps(pr.hoehe);
    for (; ende - punkt >= 4; punkt += 4) {
        __m128 x = _mm_loadu_ps(&punkt[0].x), y = _mm_loadu_ps(&punkt[1].x);
        __m128 z = _mm_loadu_ps(&punkt[2].x), a = _mm_loadu_ps(&punkt[3].x);
        _MM_TRANSPOSE4_PS(x, y, z, a);
        const __m128 vx = zeile(m, x, y, z), vy = zeile(m + 4, x, y, z), vz = zeile(m + 8, x, y, z);
        const __m128 abstand =
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(vx, vx), _mm_mul_ps(vy, vy)), _mm_mul_ps(vz, vz));
        __m128 behalten = _mm_cmplt_ps(abstand, _mm_set1_ps(kSichtweiteQuadrat));
        behalten = _mm_and_ps(behalten, _mm_cmpgt_ps(zeile(p + 8, vx, vy, vz), _mm_setzero_ps()));
        if (_mm_movemask_ps(behalten) == 0)
            continue;
        const __m128 kehrwert = _mm_div_ps(eins, vz);
        const __m128 nx = _mm_mul_ps(zeile(p, vx, vy, vz), kehrwert);
        const __m128 ny = _mm_mul_ps(zeile(p + 4, vx, vy, vz), kehrwert);
        behalten = _mm_and_ps(behalten, _mm_cmplt_ps(_mm_and_ps(nx, betrag), eins));
        behalten = _mm_and_ps(behalten, _mm_cmplt_ps(_mm_and_ps(ny, betrag), eins));
        const int maske = _mm_movemask_ps(behalten);
        if (maske == 0)
            continue;
        alignas(16) int32_t sx[4], sy[4], tiefe[4], radius[4];
        auto bildpunkt = [&](__m128 n, __m128 groesse) {
            return _mm_cvttps_epi32(
                _mm_mul_ps(_mm_mul_ps(_mm_mul_ps(_mm_add_ps(n, eins), halb), groesse), fix));
        };
        _mm_store_si128(reinterpret_cast<__m128i*>(sx), bildpunkt(nx, breite));
        _mm_store_si128(reinterpret_cast<__m128i*>(sy), bildpunkt(ny, hoehe));
        _mm_store_si128(reinterpret_cast<__m128i*>(tiefe),
                        _mm_cvttps_epi32(_mm_mul_ps(vz, _mm_set1_ps(kTiefenSkala))));
        const __m128 groesse = _mm_cvtepi32_ps(_mm_and_si128(_mm_castps_si128(a), _mm_set1_epi32(0xFF)));
        const __m128 r = _mm_mul_ps(_mm_mul_ps(_mm_mul_ps(groesse, breite), fix),
                                    _mm_div_ps(_mm_set1_ps(0.0009765625f), vz));
        _mm_store_si128(reinterpret_cast<__m128i*>(radius),
                        _mm_cvttps_epi32(_mm_min_ps(r, _mm_set1_ps(float(kMaxRadius)))));
        for (int k = 0; k < 4; ++k)
            if (maske >> k & 1)
                ziel.Anhaengen(Item(punkt[k].mAttribute, uint64_t(sx[k]), uint64_t(sy[k]), uint64_t(tiefe[k]),
                                    uint64_t(radius[k])));
    }
    return punkt;
}
#endif

} // namespace

void Punktrenderer::BaueInstanzpunkte(RenderInstanz& instanz, const Matrix& ansicht, const Matrix& projektion,
                                      float breite, float hoehe) {
    instanz.mZeichenpunkte.Leere();
    const Projektor projektor{MatrixProdukt(instanz.mMatrix, ansicht), projektion.data(), breite, hoehe};
    const Punkt* punkt = instanz.mPunkteAnfang;
#if defined(__SSE2__)
    punkt = ProjiziereVier(projektor, punkt, instanz.mPunkteEnde, instanz.mZeichenpunkte);
#endif
    for (; punkt != instanz.mPunkteEnde; ++punkt)
        Projiziere(projektor, *punkt, instanz.mZeichenpunkte);
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
