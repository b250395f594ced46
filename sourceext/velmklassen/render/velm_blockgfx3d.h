#pragma once
// The engine's 2D sprite facility: graphics packed into one atlas texture under integer ids, and
// a queue of quads drawn in one instanced draw per chunk through a pipeline all batchers share.

#include "velmklassen/bild/velm_bereich.h"
#include "velmklassen/kern/velm_farbe.h"
#include "velmklassen/kern/velm_platz.h"
#include "velmklassen/kern/velm_slotfeld.h"

#include <cstdint>
#include <vector>

class TSpeicher;
class Velm_AlphaZustand;
class Velm_Textur;
class Velm_VertexBuffer;

// One graphic in the atlas: its rectangle in atlas pixels, and in texture coordinates with a
// 0.02-pixel inset at the top-left.
struct Velm_BlockGfxEintrag {
    uint64_t x, y, breite, hoehe;
    float u, v, du, dv;
};

// One queued quad; also the per-instance vertex layout of the sprite pipeline (60 bytes).
struct Velm_BlockGfxQuad {
    float mZielX, mZielY, mZielZ; // pixels of the render area, y downwards; depth
    float mBreite, mHoehe;        // drawn size in pixels; negative mirrors
    float mGrafikX, mGrafikY;     // atlas rectangle in atlas pixels
    float mGrafikBreite, mGrafikHoehe;
    TAlphaFarbe mFarbe; // multiplied into the texels; negative alpha adds
    float mWinkel;      // radians, about the pivot
    float mPivot;       // 0.5 when centred, else 0
};
static_assert(sizeof(Velm_BlockGfxQuad) == 60, "the instance layout is 15 floats");

class Velm_BlockGfx3D {
public:
    // Flag bits: draw with the rotated (normal-map) program; the atlas is a render target
    // without a copy in main memory.
    static constexpr uint32_t kFlagRotiert = 1;
    static constexpr uint32_t kFlagRenderziel = 2;
    // The "FX3D" block version written by `Speichern`.
    static constexpr uint32_t kVersion = 261;

    // Size 0: no atlas until the first graphic; capacity 0: the instance buffer waits for the
    // first draw. The first batcher creates the shared pipeline. Main thread only.
    Velm_BlockGfx3D(uint64_t groesse, uint64_t kapazitaet, uint32_t flags);
    // The last batcher releases the shared pipeline.
    ~Velm_BlockGfx3D();
    Velm_BlockGfx3D(const Velm_BlockGfx3D&) = delete;
    Velm_BlockGfx3D& operator=(const Velm_BlockGfx3D&) = delete;

    // Copies the rectangle of an A8R8G8B8 region into the atlas under the id, growing the atlas
    // (and repacking every graphic in id order) until it fits. A rectangle outside the region is
    // refused with a line.
    void AddGrafik(uint64_t id, const TBereich& bild, uint64_t x, uint64_t y, uint64_t breite,
                   uint64_t hoehe);
    // Takes a place for the id without writing pixels.
    void ReservierePlatz(uint64_t id, uint64_t breite, uint64_t hoehe);
    void Entfernen(uint64_t id);
    bool HatGrafik(uint64_t id) const { return mEintraege.IstBelegt(id); }

    // Queues the graphic at depth 0.5; a size of 0 is the graphic's own. An id without a graphic
    // queues nothing.
    void ZeichneGrafik(uint64_t id, float x, float y, const TAlphaFarbe& farbe, float breite = 0,
                       float hoehe = 0, float winkel = 0);
    void ZeichneGrafikMitTiefe(uint64_t id, float x, float y, float z, const TAlphaFarbe& farbe,
                               float breite = 0, float hoehe = 0, float winkel = 0);

    // Binds the pipeline and the atlas, regenerating its mip levels when they are stale.
    void SetZeichenZustand();
    // Draws the queue in chunks of the instance buffer's capacity and empties it.
    void ZeichneWarteschlange();
    // Both, when anything is queued.
    void Zeichne();
    void ErzeugeMipStufen();

    // Reads an "FX3D" block at the buffer's cursor. False for a wrong magic, and with a "!" line
    // for a block that is cut short or names sizes its data cannot hold; nothing changes then.
    bool Laden(TSpeicher& speicher);
    // Writes the batcher as an "FX3D" block of version `kVersion`. A volatile atlas has no copy
    // to save: its pixels are written as zero.
    void Speichern(TSpeicher& speicher) const;

    void InternErzeugeAtlas(uint64_t groesse);
    void InternReserviereQuads(uint64_t kapazitaet);

    uint32_t mFlags;
    Velm_Textur* mAtlas = nullptr; // owned; released through the drawing context
    TPlatz mPlatz;
    TSlotFeld<Velm_BlockGfxEintrag> mEintraege;
    bool mZentriert = false;
    bool mMipsSchmutzig = false;
    Velm_VertexBuffer* mInstanzen = nullptr; // owned; dynamic and volatile
    uint64_t mKapazitaet = 0;                // quads the instance buffer holds
    std::vector<Velm_BlockGfxQuad> mWarteschlange;
    Velm_AlphaZustand* mAlphaZustand = nullptr; // observed; the shared blend state when null

private:
    // The shared pipeline: made for the first user, released after the last.
    static void InternErzeugePipeline();
    static void InternGibPipelineFrei();
    // Finds a place for the id, growing the atlas as needed, and stores the entry; null with a
    // line when no atlas the device can make would hold it.
    const Velm_BlockGfxEintrag* Platziere(uint64_t id, uint64_t breite, uint64_t hoehe);
};
