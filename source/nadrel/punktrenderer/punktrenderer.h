#pragma once
// The processor side of the scene renderer: projects every render instance's points into 16-byte
// items, sorts them far to near and splats them into a small grey image. No graphics device here.
// The sort (`SortiereZeichenpunkte` and its steps) is in punktsortierung.cpp, the rest in
// punktrenderer.cpp.

#include "nadrel/welt/matrix.h"
#include "nadrel/welt/szene.h"
#include "nadrel/welt/vektor.h"

#include <cstdint>
#include <vector>

namespace Spiel {

static_assert(sizeof(Zeichenpunkt) == 16, "items move as plain 16-byte records");

// Word 0: screen x (bits 0-23) and y (24-47) in 12.12 pixels, depth key (48-63); it is the sort
// key, larger is farther. Word 1: radius in 12.12 pixels (0-15), grey (16-31), alpha (32-39).
constexpr uint64_t kFixEins = 4096;
constexpr float kTiefenSkala = 131.072f;
constexpr float kProjektionsSkala = 1.4616959f;
constexpr float kSichtweiteQuadrat = 250000.0f;
constexpr uint32_t kMaxRadius = 0xFFFF;

// Rx(nicken) x Ry(gieren) x T(-kamera).
Matrix Ansichtsmatrix(const Vektor& kamera, float gieren, float nicken);
// The vertical scale follows the screen's shape (breite / hoehe), not the grey image's.
Matrix Projektionsmatrix(float bildschirmBreite, float bildschirmHoehe);
// The grey image's width for its height: 4/3, rounded down.
inline uint64_t Bildbreite(uint64_t hoehe) {
    return 4 * hoehe / 3;
}

// Blends the items in order over the 16.8 fixed-point accumulators of a breite x hoehe image:
// each covers a square of side 2 x radius, weighted by the share of each pixel it covers.
void SplatteZeichenpunkte(const Zeichenpunkt* punkte, uint64_t anzahl, uint32_t* bild, uint64_t breite,
                          uint64_t hoehe);
// Turns accumulators into A8R8G8B8 grey pixels in place, sixteen at a time where the processor
// has vector instructions; the scalar form gives the same bytes.
void WandleInPixel(uint32_t* bild, uint64_t anzahl);
void WandleInPixelSkalar(uint32_t* bild, uint64_t anzahl);

class Punktrenderer {
public:
    Punktrenderer() = default;
    Punktrenderer(const Punktrenderer&) = delete;
    Punktrenderer& operator=(const Punktrenderer&) = delete;

    // Fills the item array of every live render instance, one immediate job each. Call it from
    // a fiber of the parallel core: it awaits its jobs.
    void BaueZeichenpunkte(Szene& welt, const Matrix& ansicht, const Matrix& projektion, float breite,
                           float hoehe);
    static void BaueInstanzpunkte(RenderInstanz& instanz, const Matrix& ansicht, const Matrix& projektion,
                                  float breite, float hoehe);

    // Gathers every instance's items into A[0, N), far to near by the top 12 key bits; ties end
    // in reverse instance and item order. Both tables start zeroed; N is the sum of `anzahl`.
    void SortiereZeichenpunkte(Szene& welt, uint64_t anzahl[64], uint64_t anfaenge[64]);

    // The processor side of one frame: projection, sort, splat and conversion into `bild`, which
    // ends with Bildbreite(hoehe) x hoehe A8R8G8B8 pixels.
    void BerechneBild(Szene& welt, uint64_t hoehe, const Vektor& kamera, float gieren, float nicken,
                      float bildschirmBreite, float bildschirmHoehe, std::vector<uint32_t>& bild);

    // A: after each sort its first N items are the frame's, far to near. B: the sort's target.
    std::vector<Zeichenpunkt> mPunkteA;
    std::vector<Zeichenpunkt> mPunkteB;

private:
    static void ZaehleInstanz(const RenderInstanz& instanz, uint64_t zeile[64]);
    void VerteileGruppe(Szene& welt, const uint64_t anfaenge[64], uint64_t gruppe);
    void SortiereEimer(uint64_t eimer, const uint64_t anzahl[64], const uint64_t anfaenge[64], uint64_t n);
};

} // namespace Spiel
