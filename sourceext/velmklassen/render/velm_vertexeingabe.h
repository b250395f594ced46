#pragma once
// The vertex input layout: which channel (stream) carries which element, which channels carry
// per-instance data, and each channel's stride. Elements become POSITION0, then TEXCOORD n.

#include "plattform/grafik9/d3d9.h"
#include "velmklassen/render/velm_basisobjekt.h"

#include <cstdint>

enum Velm_VertexTyp : uint32_t {
    Velm_VertexFloat1 = 0,
    Velm_VertexFloat2 = 1,
    Velm_VertexFloat3 = 2,
    Velm_VertexFloat4 = 3,
    Velm_VertexUByte4 = 4,
    Velm_VertexUByte4N = 5,
    Velm_VertexShort2N = 6,
    Velm_VertexShort4N = 7,
    Velm_VertexShort2 = 8,
    Velm_VertexShort4 = 9,
    Velm_VertexFloat3x3 = 10,
    Velm_VertexFloat3x4 = 11, // three rows of four
    Velm_VertexFloat4x4 = 12,
    Velm_VertexTypAnzahl = 13,
};

class Velm_VertexEingabe : public Velm_ZustandsObjekt {
public:
    static constexpr uint64_t kKanaele = 4;
    static constexpr uint64_t kElemente = 16;

    struct Kanal {
        uint64_t mKanal;
        uint32_t mTyp;
        uint64_t mVersatz;
        uint8_t mInstanz;
    };

    Velm_VertexEingabe();
    ~Velm_VertexEingabe() override;

    void AddKanal(uint64_t kanal, uint32_t typ, uint64_t versatz, bool instanz);
    // Creates the device declaration; the input is usable afterwards.
    void Beenden();

    uint64_t mKanalAnzahl = 0;
    uint64_t mKanalMaske = 0;
    uint64_t mInstanzMaske = 0;
    uint16_t mSchritt[kKanaele] = {};
    Kanal mKanaele[kElemente] = {};
    uint64_t mKanalZahl = 0;
    D3DVERTEXELEMENT9 mElemente[kElemente + 1] = {};
    uint64_t mElementZahl = 0;
    IDirect3DVertexDeclaration9* mDeklaration = nullptr;
};
