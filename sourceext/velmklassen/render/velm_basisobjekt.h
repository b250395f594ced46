#pragma once
// The base of every GPU resource and state object: allocation id, registry slot, last use, device
// state and flags, with the six operations the drawing context runs over its registry.

#include <cstdint>

// Whether the device object of a resource exists.
enum Velm_ObjektZustand : uint32_t {
    Velm_ObjektKeins = 0,       // no device object yet
    Velm_ObjektResident = 1,    // device object resident
    Velm_ObjektFreigegeben = 2, // released; the next `Benutzen` makes it again
};

// Resource flags. Textures carry their pixel format in the low 8 bits of the same word.
constexpr uint32_t FLAG_DYNAMISCH = 0x100;      // content may be rewritten
constexpr uint32_t FLAG_FLUECHTIG = 0x200;      // no main-memory copy of the content
constexpr uint32_t FLAG_RENDERZIEL = 0x800;     // drawn into
constexpr uint32_t FLAG_MANUELLE_MIPS = 0x1000; // every mip level is given and kept

// The process-wide running counter of allocation ids; each constructor takes the next one.
extern uint64_t Velm_AllocID;

class Velm_BasisObjekt {
public:
    Velm_BasisObjekt();
    virtual ~Velm_BasisObjekt();
    Velm_BasisObjekt(const Velm_BasisObjekt&) = delete;
    Velm_BasisObjekt& operator=(const Velm_BasisObjekt&) = delete;

    // Called whenever the object is about to be used: records the time of use. Resources make
    // their device object here when it was released.
    virtual void Benutzen();
    // Whether the object holds video memory (resources) or not (state objects).
    virtual bool BelegtVideoRAM() const = 0;
    // Release the device object before a device reset, restore after it, release it to make room.
    virtual void VorZuruecksetzen() = 0;
    virtual void NachZuruecksetzen() = 0;
    virtual void Rauswerfen() = 0;

    // The engine's clock in ticks: the global timer's time.
    static uint64_t Jetzt();

    uint64_t mAllocId;
    uint64_t mSlot = 0;
    uint64_t mLetzteNutzung;
    uint32_t mZustand = Velm_ObjektKeins;
    uint32_t mFlags = 0;
};

// A state object (vertex input, shader, program, sampler, blend or depth state): usable at once,
// holds no video memory, untouched by device resets and eviction.
class Velm_ZustandsObjekt : public Velm_BasisObjekt {
public:
    Velm_ZustandsObjekt() { mZustand = Velm_ObjektResident; }
    bool BelegtVideoRAM() const override { return false; }
    void VorZuruecksetzen() override {}
    void NachZuruecksetzen() override {}
    void Rauswerfen() override {}
};
