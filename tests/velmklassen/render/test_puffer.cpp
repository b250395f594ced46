// Vertex and index buffers and the vertex input layout.

#include "render_testhilfe.h"

#include <cstring>
#include <tuple>

namespace {

using rendertest::Kontext;

class Puffer : public Kontext {};

TEST_F(Puffer, StatischerPufferMussVollGefuelltWerden) {
    float daten[12] = {};
    Velm_Initialdaten d{daten, 48, 0};
    Velm_VertexBuffer* p = K().ErzeugeVertexBuffer(64, 0, d);
    EXPECT_EQ(mBrueche.Anzahl(), 1);
    EXPECT_TRUE(mLog.Enthaelt("Vorgabedaten müssen daher den Buffer vollständig ausfüllen."));
    EXPECT_EQ(p->mGroesse, 64u);
    EXPECT_EQ(p->mZustand, Velm_ObjektResident);

    // Size 0 takes the data's size; with take-over the copy is the caller's memory.
    auto* eigen = new uint8_t[96];
    std::memset(eigen, 7, 96);
    Velm_Initialdaten u{eigen, 96, 1};
    Velm_VertexBuffer* q = K().ErzeugeVertexBuffer(0, 0, u);
    EXPECT_EQ(q->mGroesse, 96u);
    EXPECT_EQ(q->mKopie, eigen);
    EXPECT_EQ(u.mDaten, nullptr);

    // More data than the buffer holds: only the buffer's size is read.
    float viel[32] = {};
    Velm_Initialdaten zuviel{viel, sizeof viel, 0};
    mBrueche.Null();
    Velm_VertexBuffer* klein = K().ErzeugeVertexBuffer(16, 0, zuviel);
    EXPECT_EQ(mBrueche.Anzahl(), 1);
    EXPECT_EQ(klein->mGroesse, 16u);

    Velm_Initialdaten nichts{};
    mBrueche.Null();
    Velm_VertexBuffer* leer = K().ErzeugeVertexBuffer(0, FLAG_DYNAMISCH, nichts);
    EXPECT_EQ(mBrueche.Anzahl(), 1);
    EXPECT_TRUE(mLog.Enthaelt("Ungültige Buffergröße"));
    leer->Benutzen();
    EXPECT_EQ(leer->mPuffer, nullptr);
    Frei({p, q, klein, leer});
}

TEST_F(Puffer, DynamischerPufferWirdNeuBeschrieben) {
    Velm_Initialdaten nichts{};
    Velm_VertexBuffer* p = K().ErzeugeVertexBuffer(16, FLAG_DYNAMISCH, nichts);
    EXPECT_EQ(mBrueche.Anzahl(), 0);
    const uint8_t neu[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    Velm_Initialdaten d{const_cast<uint8_t*>(neu), 8, 0};
    p->SchreibeInhalt(d);
    EXPECT_EQ(std::memcmp(p->mKopie, neu, 8), 0);
    EXPECT_EQ(p->mKopie[8], 0);

    uint8_t gross[32] = {};
    Velm_Initialdaten zuGross{gross, 32, 0};
    p->SchreibeInhalt(zuGross);
    EXPECT_EQ(mBrueche.Anzahl(), 1);
    EXPECT_EQ(p->mKopie[0], 1);

    auto* eigen = new uint8_t[4]{9, 9, 9, 9};
    Velm_Initialdaten uebernommen{eigen, 4, 1};
    p->SchreibeInhalt(uebernommen);
    EXPECT_EQ(uebernommen.mDaten, nullptr);
    EXPECT_EQ(uebernommen.mGroesse, 0u);
    EXPECT_EQ(p->mKopie[0], 9);

    // A volatile buffer keeps no copy.
    Velm_VertexBuffer* fluechtig = K().ErzeugeVertexBuffer(16, FLAG_DYNAMISCH | FLAG_FLUECHTIG, nichts);
    EXPECT_EQ(fluechtig->mKopie, nullptr);

    // A static buffer is reported but written.
    uint8_t vier[4] = {1, 1, 1, 1};
    Velm_Initialdaten v{vier, 4, 0};
    Velm_VertexBuffer* statisch = K().ErzeugeVertexBuffer(0, 0, v);
    mBrueche.Null();
    uint8_t zwei[2] = {5, 5};
    Velm_Initialdaten z{zwei, 2, 0};
    statisch->SchreibeInhalt(z);
    EXPECT_EQ(mBrueche.Anzahl(), 1);
    EXPECT_EQ(statisch->mKopie[0], 5);
    EXPECT_EQ(statisch->mKopie[2], 1);
    Frei({p, fluechtig, statisch});
}

TEST_F(Puffer, IndexPuffer) {
    auto* eigen = new uint8_t[12]{0, 0, 1, 0, 2, 0, 0, 0, 2, 0, 3, 0};
    Velm_Initialdaten d{eigen, 12, 1};
    Velm_IndexBuffer* p = K().ErzeugeIndexBuffer(d);
    EXPECT_EQ(p->mGroesse, 12u);
    EXPECT_EQ(p->mKopie, eigen);
    EXPECT_EQ(d.mDaten, nullptr);
    EXPECT_EQ(p->mZustand, Velm_ObjektResident);
    p->Rauswerfen();
    EXPECT_EQ(p->mPuffer, nullptr);
    p->Benutzen();
    EXPECT_NE(p->mPuffer, nullptr);
    K().GibObjektFrei(p);
}

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

TEST_F(Puffer, EingabeMitInstanzkanalUndMatrix) {
    constexpr int F2 = D3DDECLTYPE_FLOAT2, F3 = D3DDECLTYPE_FLOAT3, F4 = D3DDECLTYPE_FLOAT4;
    constexpr int T = D3DDECLUSAGE_TEXCOORD, P = D3DDECLUSAGE_POSITION;
    const Element ende{0xFF, 0, D3DDECLTYPE_UNUSED, 0, 0};
    Velm_VertexEingabe* e = K().ErzeugeVertexEingabe();
    EXPECT_EQ(e->mZustand, Velm_ObjektKeins);
    e->AddKanal(0, Velm_VertexFloat2, 0, false);
    e->AddKanal(1, Velm_VertexFloat3, 0, true);
    e->AddKanal(1, Velm_VertexFloat2, 12, true);
    e->AddKanal(1, Velm_VertexFloat4, 20, true);
    e->Beenden();
    EXPECT_EQ(e->mZustand, Velm_ObjektResident);
    EXPECT_NE(e->mDeklaration, nullptr);
    EXPECT_EQ(std::vector<uint64_t>({e->mSchritt[0], e->mSchritt[1], e->mInstanzMaske, e->mKanalAnzahl}),
              std::vector<uint64_t>({8, 36, 2, 2}));
    EXPECT_EQ(Elemente(*e), std::vector<Element>({{0, 0, F2, P, 0}, {1, 0, F3, T, 0}, {1, 12, F2, T, 1},
                                                  {1, 20, F4, T, 2}, ende}));
    Velm_VertexEingabe* m = K().ErzeugeVertexEingabe();
    m->AddKanal(0, Velm_VertexFloat3, 0, false);
    m->AddKanal(0, Velm_VertexFloat4x4, 12, false);
    m->AddKanal(0, Velm_VertexFloat2, 76, false);
    m->Beenden();
    EXPECT_EQ(m->mSchritt[0], 84u);
    EXPECT_EQ(Elemente(*m), std::vector<Element>({{0, 0, F3, P, 0}, {0, 12, F4, T, 0}, {0, 28, F4, T, 1},
                                                  {0, 44, F4, T, 2}, {0, 60, F4, T, 3}, {0, 76, F2, T, 4},
                                                  ende}));
    EXPECT_EQ(mBrueche.Anzahl(), 0);
    Frei({e, m});
}

TEST_F(Puffer, FehlerDerEingabeWerdenGemeldet) {
    Velm_VertexEingabe* e = K().ErzeugeVertexEingabe();
    e->AddKanal(0, Velm_VertexFloat2, 0, false);
    e->AddKanal(0, Velm_VertexFloat2, 8, true);
    EXPECT_EQ(mBrueche.Anzahl(), 1);

    // Channel and type index tables: out of range they are refused.
    e->AddKanal(4, Velm_VertexFloat2, 0, false);
    e->AddKanal(0, 13, 0, false);
    EXPECT_EQ(mBrueche.Anzahl(), 3);
    EXPECT_EQ(e->mKanalZahl, 2u);

    // The device list holds 16 elements, a matrix one per row: a position, three matrices and
    // three vectors fill it; a matrix more is refused although only eight calls were made.
    Velm_VertexEingabe* m = K().ErzeugeVertexEingabe();
    m->AddKanal(0, Velm_VertexFloat4, 0, false);
    for (int i = 0; i < 3; ++i) {
        m->AddKanal(1, Velm_VertexFloat4x4, 64 * i, true);
    }
    for (int i = 0; i < 3; ++i) {
        m->AddKanal(0, Velm_VertexFloat4, 16 + 16 * i, false);
    }
    mBrueche.Null();
    m->AddKanal(1, Velm_VertexFloat4x4, 192, true);
    EXPECT_EQ(mBrueche.Anzahl(), 1);
    EXPECT_EQ(m->mElementZahl, 16u);
    EXPECT_EQ(m->mKanalZahl, 7u);
    m->Beenden();
    EXPECT_EQ(mBrueche.Anzahl(), 1);
    EXPECT_EQ(m->mElemente[15].UsageIndex, 14u);
    EXPECT_EQ(m->mElemente[16].Stream, 0xFFu);

    // Sixteen calls, then the seventeenth is refused.
    Velm_VertexEingabe* v = K().ErzeugeVertexEingabe();
    for (int i = 0; i < 16; ++i) {
        v->AddKanal(0, Velm_VertexFloat1, 4 * i, false);
    }
    mBrueche.Null();
    v->AddKanal(0, Velm_VertexFloat1, 64, false);
    EXPECT_EQ(mBrueche.Anzahl(), 1);
    EXPECT_EQ(v->mKanalZahl, 16u);
    Frei({e, m, v});
}

} // namespace
