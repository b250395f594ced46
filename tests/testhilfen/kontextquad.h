#pragma once
// The drawing context's pipeline over the unit quad, as the rendering tests and the drawing
// benchmarks build it: corners on channel 0, six indices, and a program whose shaders place the
// quad over the clip-space rectangle "ziel" (x, y of the top-left corner, width, height) and
// multiply the texture of the sampler "bild" by the constant "farbe".

#include "testhilfen/einheitsquad.h"
#include "velmklassen/render/velm_indexbuffer.h"
#include "velmklassen/render/velm_pixelshader.h"
#include "velmklassen/render/velm_programm.h"
#include "velmklassen/render/velm_vertexbuffer.h"
#include "velmklassen/render/velm_vertexeingabe.h"
#include "velmklassen/render/velm_vertexshader.h"
#include "velmklassen/render/velm_zeichenkontext.h"

#include <vector>

inline const char* kQuadVs = R"(
float4 ziel;
$rein float2 ecke;
$raus float4 pos;
$raus float2 uv;
$main() {
    pos = float4( ziel.xy + ecke * ziel.zw, 0.5, 1);
    uv = ecke;
}
)";

inline const char* kQuadPs = R"(
DEF_SAMPLER_2D( bild);
float4 farbe;
$rein float2 uv;
$raus float4 ergebnis;
$main() { ergebnis = SAMPLE_2D( bild, uv) * farbe; }
)";

// The objects belong to the context; whether each shader compiled is kept for the caller to check.
struct TKontextQuad {
    explicit TKontextQuad(Velm_ZeichenKontext& k, const char* vs = kQuadVs, const char* ps = kQuadPs) {
        eingabe = k.ErzeugeVertexEingabe();
        eingabe->AddKanal(0, Velm_VertexFloat2, 0, false);
        eingabe->Beenden();
        vertexShader = k.ErzeugeVertexShader();
        pixelShader = k.ErzeugePixelShader();
        vertexUebersetzt = vertexShader->UebersetzeAusString(vs);
        pixelUebersetzt = pixelShader->UebersetzeAusString(ps);
        programm = k.ErzeugeProgramm(eingabe, vertexShader, pixelShader);
        // Without take-over the buffers copy the data.
        Velm_Initialdaten d{const_cast<float*>(kEinheitsEcken), sizeof kEinheitsEcken, 0};
        ecken = k.ErzeugeVertexBuffer(0, 0, d);
        Velm_Initialdaten i{const_cast<uint16_t*>(kEinheitsIndizes), sizeof kEinheitsIndizes, 0};
        indizes = k.ErzeugeIndexBuffer(i);
    }
    void Binde(Velm_ZeichenKontext& k) const {
        k.SetProgramm(programm);
        k.SetVertexBuffer(0, ecken);
        k.SetIndexBuffer(indizes);
    }
    std::vector<Velm_BasisObjekt*> Objekte() const {
        return {programm, vertexShader, pixelShader, eingabe, ecken, indizes};
    }

    Velm_VertexEingabe* eingabe;
    Velm_VertexShader* vertexShader;
    Velm_PixelShader* pixelShader;
    Velm_Programm* programm;
    Velm_VertexBuffer* ecken;
    Velm_IndexBuffer* indizes;
    bool vertexUebersetzt;
    bool pixelUebersetzt;
};
