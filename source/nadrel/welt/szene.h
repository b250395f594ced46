#pragma once
// The world: point lists (meshes), render instances that place them, the live objects, the hills
// and the player. The scene renderer reads the tables; the frame job updates the objects.

#include "nadrel/welt/feld.h"
#include "nadrel/welt/matrix.h"
#include "velmklassen/kern/velm_slotfeld.h"

#include <cstdint>
#include <vector>

class Velm_Zeitgeber;

namespace Spiel {

class Objekt;
class Spieler;

constexpr uint64_t kKeinIndex = UINT64_MAX;

// One point of a point list. The attribute word: bits 0-7 size, bits 8-15 alpha, bits 16-31 grey.
struct Punkt {
    float x, y, z;
    uint32_t mAttribute;
};

// x, y, z in world coordinates; h the hill's weight, its radius is sqrt(10 h).
struct Huegel {
    float x, y, z, h;
};

// One projected point of the scene renderer; word 0 is its sort key.
struct Zeichenpunkt {
    uint64_t mSchluessel;
    uint64_t mWerte;
};

// Places a point list in the world. The points are a view into a mesh or an object's own list;
// the items are the renderer's, refilled every frame.
struct RenderInstanz {
    const Punkt* mPunkteAnfang;
    const Punkt* mPunkteEnde;
    Matrix mMatrix;
    Feld<Zeichenpunkt> mZeichenpunkte;
};

class Szene {
public:
    // The clock is the game timer: every object moves by its step.
    explicit Szene(Velm_Zeitgeber* uhr) : mUhr(uhr) {}
    // Deletes the objects still registered, then frees the point lists, item arrays and tables.
    ~Szene();
    Szene(const Szene&) = delete;
    Szene& operator=(const Szene&) = delete;

    // A new empty point list with room for n points; returns its id.
    uint64_t NeuesMesh(uint64_t reserviert);
    uint64_t NeueInstanz(const Punkt* anfang, const Punkt* ende, const Matrix& matrix);
    void EntferneInstanz(uint64_t id);

    // The clock's last step in ticks and in seconds; 0 while paused.
    int64_t SchrittTicks() const;
    float Schritt() const;

    Velm_Zeitgeber* mUhr;
    TSlotFeld<Feld<Punkt>> mMeshes;
    TSlotFeld<RenderInstanz> mInstanzen;
    TSlotFeld<Objekt*> mObjekte;
    std::vector<Huegel> mHuegel;
    Spieler* mSpieler = nullptr;
    // The key's point list, built by the first key and shared by every later one.
    uint64_t mSchluesselMesh = kKeinIndex;
};

// Calls fn(index, element) for every occupied slot in increasing order. The element may be
// removed by fn; later slots are still visited.
template <typename T, typename F> void FuerAlleBelegten(TSlotFeld<T>& feld, F fn) {
    for (uint64_t i = 0; i < feld.Kapazitaet(); ++i)
        if (feld.IstBelegt(i))
            fn(i, feld[i]);
}

} // namespace Spiel
