// The vertex input layout: the device elements of its channels and the limits of the device's
// element list.

#include "testhilfe.h"

#include <tuple>
#include <vector>

namespace {

using VertexEingabe = rendertest::Kontext;

// The device elements of an input: stream, offset, type, usage and index; a matrix takes one per row.
using Element = std::tuple<int, int, int, int, int>;
std::vector<Element> Elemente(const Velm_VertexEingabe& e) {
    std::vector<Element> liste;
    for (uint64_t i = 0; i <= e.mElementZahl; ++i) {
        const D3DVERTEXELEMENT9& el = e.mElemente[i];
        liste.emplace_back(el.Stream, el.Offset, el.Type, el.Usage, el.UsageIndex);
    }
    return liste;
}

TEST_F(VertexEingabe, EingabenUndIhreGrenzen) {
    constexpr int F2 = D3DDECLTYPE_FLOAT2, F3 = D3DDECLTYPE_FLOAT3, F4 = D3DDECLTYPE_FLOAT4;
    constexpr int T = D3DDECLUSAGE_TEXCOORD, P = D3DDECLUSAGE_POSITION;
    const Element ende{0xFF, 0, D3DDECLTYPE_UNUSED, 0, 0};
    Velm_VertexEingabe* e = Behalte(K().ErzeugeVertexEingabe());
    e->AddKanal(0, Velm_VertexFloat2, 0, false);
    e->AddKanal(1, Velm_VertexFloat3, 0, true);
    e->AddKanal(1, Velm_VertexFloat2, 12, true);
    e->AddKanal(1, Velm_VertexFloat4, 20, true);
    e->Beenden();
    EXPECT_EQ(Elemente(*e), std::vector<Element>({{0, 0, F2, P, 0}, {1, 0, F3, T, 0}, {1, 12, F2, T, 1},
                                                  {1, 20, F4, T, 2}, ende}));
    Velm_VertexEingabe* m = Behalte(K().ErzeugeVertexEingabe());
    m->AddKanal(0, Velm_VertexFloat3, 0, false);
    m->AddKanal(0, Velm_VertexFloat4x4, 12, false);
    m->AddKanal(0, Velm_VertexFloat2, 76, false);
    m->Beenden();
    EXPECT_EQ(m->mSchritt[0], 84u);
    EXPECT_EQ(Elemente(*m), std::vector<Element>({{0, 0, F3, P, 0}, {0, 12, F4, T, 0}, {0, 28, F4, T, 1},
                                                  {0, 44, F4, T, 2}, {0, 60, F4, T, 3}, {0, 76, F2, T, 4},
                                                  ende}));
    EXPECT_EQ(mBrueche.Anzahl(), 0);

    // Instanced and per-vertex on one stream, a stream and a type out of range: all refused.
    Velm_VertexEingabe* f = Behalte(K().ErzeugeVertexEingabe());
    f->AddKanal(0, Velm_VertexFloat2, 0, false);
    f->AddKanal(0, Velm_VertexFloat2, 8, true);
    f->AddKanal(4, Velm_VertexFloat2, 0, false);
    f->AddKanal(0, 13, 0, false);
    EXPECT_EQ(mBrueche.Anzahl(), 3);

    // The device list holds 16 elements, a matrix one per row: a position, three matrices and
    // three vectors fill it; a matrix more is refused although only eight calls were made.
    Velm_VertexEingabe* voll = Behalte(K().ErzeugeVertexEingabe());
    voll->AddKanal(0, Velm_VertexFloat4, 0, false);
    for (int i = 0; i < 3; ++i) {
        voll->AddKanal(1, Velm_VertexFloat4x4, 64 * i, true);
        voll->AddKanal(0, Velm_VertexFloat4, 16 + 16 * i, false);
    }
    mBrueche.Null();
    voll->AddKanal(1, Velm_VertexFloat4x4, 192, true);
    voll->Beenden();
    EXPECT_EQ(mBrueche.Anzahl(), 1);
    EXPECT_EQ(voll->mElemente[15].UsageIndex, 14u);
    EXPECT_EQ(voll->mElemente[16].Stream, 0xFFu);

    // Sixteen calls, then the seventeenth is refused.
    Velm_VertexEingabe* v = Behalte(K().ErzeugeVertexEingabe());
    for (int i = 0; i < 16; ++i) {
        v->AddKanal(0, Velm_VertexFloat1, 4 * i, false);
    }
    mBrueche.Null();
    v->AddKanal(0, Velm_VertexFloat1, 64, false);
    EXPECT_EQ(mBrueche.Anzahl(), 1);
}

} // namespace
