#include "velmklassen/render/velm_vertexeingabe.h"

#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/render/velm_internhelfer.h"

#include <algorithm>

namespace {

struct TypInfo {
    BYTE d3dTyp;
    uint32_t zeilen;
    uint32_t zeilenAbstand;
    uint32_t groesse;
};

constexpr TypInfo kTypen[Velm_VertexTypAnzahl] = {
    {D3DDECLTYPE_FLOAT1, 1, 0, 4},   {D3DDECLTYPE_FLOAT2, 1, 0, 8},   {D3DDECLTYPE_FLOAT3, 1, 0, 12},
    {D3DDECLTYPE_FLOAT4, 1, 0, 16},  {D3DDECLTYPE_UBYTE4, 1, 0, 4},   {D3DDECLTYPE_UBYTE4N, 1, 0, 4},
    {D3DDECLTYPE_SHORT2N, 1, 0, 4},  {D3DDECLTYPE_SHORT4N, 1, 0, 8},  {D3DDECLTYPE_SHORT2, 1, 0, 4},
    {D3DDECLTYPE_SHORT4, 1, 0, 8},   {D3DDECLTYPE_FLOAT3, 3, 12, 36}, {D3DDECLTYPE_FLOAT4, 3, 16, 48},
    {D3DDECLTYPE_FLOAT4, 4, 16, 64},
};

} // namespace

Velm_VertexEingabe::Velm_VertexEingabe() {
    mZustand = Velm_ObjektKeins;
}

Velm_VertexEingabe::~Velm_VertexEingabe() {
    Velm::GibFrei(mDeklaration);
}

void Velm_VertexEingabe::AddKanal(uint64_t kanal, uint32_t typ, uint64_t versatz, bool instanz) {
    if (!VELM_PRUEFE(mKanalZahl < kElemente, "Zuviele Vertexdaten-Kanäle", "Velm_VertexEingabe::AddKanal")) {
        return;
    }
    // The channel indexes the strides and the device's four streams; the type indexes the table.
    if (!VELM_PRUEFE(kanal < kKanaele && typ < Velm_VertexTypAnzahl, "Ungültiger Vertexkanal",
                     "Velm_VertexEingabe::AddKanal")) {
        return;
    }
    const TypInfo& info = kTypen[typ];
    // The device list has room for 16 elements; a matrix takes one per row.
    if (!VELM_PRUEFE(mElementZahl + info.zeilen <= kElemente, "Zuviele Vertexdaten-Kanäle",
                     "Velm_VertexEingabe::AddKanal")) {
        return;
    }
    const uint64_t bit = uint64_t(1) << kanal;
    if (mKanalMaske & bit) {
        VELM_PRUEFE(((mInstanzMaske & bit) != 0) == instanz,
                    "BufferIndex darf nicht gleichzeitig Vertex- und Instanzdaten liefern.",
                    "Velm_VertexEingabe::AddKanal");
    }
    mKanalMaske |= bit;
    if (instanz) {
        mInstanzMaske |= bit;
    }
    mKanalAnzahl = std::max(mKanalAnzahl, kanal + 1);
    mSchritt[kanal] = uint16_t(std::max<uint64_t>(mSchritt[kanal], versatz + info.groesse));
    mKanaele[mKanalZahl++] = {kanal, typ, versatz, uint8_t(instanz ? 1 : 0)};

    const bool erstes = mElementZahl == 0;
    const uint64_t vorher = mElementZahl;
    for (uint32_t r = 0; r < info.zeilen; ++r) {
        D3DVERTEXELEMENT9& e = mElemente[mElementZahl++];
        e.Stream = WORD(kanal);
        e.Offset = WORD(versatz + r * info.zeilenAbstand);
        e.Type = info.d3dTyp;
        e.Method = D3DDECLMETHOD_DEFAULT;
        e.Usage = erstes ? D3DDECLUSAGE_POSITION : D3DDECLUSAGE_TEXCOORD;
        e.UsageIndex = BYTE(erstes ? r : vorher - 1 + r);
    }
}

void Velm_VertexEingabe::Beenden() {
    mElemente[mElementZahl] = D3DDECL_END;
    IDirect3DDevice9* geraet = Velm::Geraet();
    Velm::GibFrei(mDeklaration);
    if (geraet == nullptr || FAILED(geraet->CreateVertexDeclaration(mElemente, &mDeklaration))) {
        mDeklaration = nullptr;
        Velm_Konsole::Schreibe("!Velm_VertexEingabe::Beenden(): Failed to create vertex input declaration.");
        VELM_BERICHT("Failed to create vertex input declaration.", "Velm_VertexEingabe::Beenden");
    }
    mZustand = Velm_ObjektResident;
}
