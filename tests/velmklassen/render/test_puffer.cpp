// Vertex and index buffers and the vertex input layout.

#include "render_testhilfe.h"

#include <cstring>
#include <tuple>

namespace {

using rendertest::Kontext;

using Puffer = Kontext;

// Initial data: a static buffer must be filled whole, size 0 takes the data's size, more data than
// the buffer holds is reported and only the buffer's size read, no size at all holds nothing.
TEST_F(Puffer, InitialdatenEinesPuffers) {
    const struct {
        uint64_t groesse, daten;
        uint32_t flags;
        int brueche;
        uint64_t erwartet;
        const char* zeile;
    } faelle[] = {{64, 48, 0, 1, 64, "Vorgabedaten müssen daher den Buffer vollständig ausfüllen."},
                  {16, 128, 0, 1, 16, nullptr},
                  {0, 0, FLAG_DYNAMISCH, 1, 0, "Ungültige Buffergröße"}};
    static const uint8_t daten[128] = {};
    for (const auto& fall : faelle) {
        mBrueche.Null();
        Velm_Initialdaten d{fall.daten ? const_cast<uint8_t*>(daten) : nullptr, fall.daten, 0};
        Velm_VertexBuffer* p = Behalte(K().ErzeugeVertexBuffer(fall.groesse, fall.flags, d));
        EXPECT_EQ(mBrueche.Anzahl(), fall.brueche) << fall.groesse;
        EXPECT_TRUE(fall.zeile == nullptr || mLog.Enthaelt(fall.zeile)) << fall.groesse;
        p->Benutzen();
        EXPECT_EQ(p->mGroesse, fall.erwartet);
        EXPECT_EQ(p->mPuffer == nullptr, fall.erwartet == 0) << fall.groesse;
    }
    // With take-over the copy is the caller's memory, for vertex and index buffers alike.
    auto* eigen = new uint8_t[96];
    std::memset(eigen, 7, 96);
    Velm_Initialdaten u{eigen, 96, 1};
    Velm_VertexBuffer* q = Behalte(K().ErzeugeVertexBuffer(0, 0, u));
    EXPECT_EQ(q->mGroesse, 96u);
    EXPECT_EQ(q->mKopie, eigen);
    EXPECT_EQ(u.mDaten, nullptr);

    auto* indizes = new uint8_t[12]{0, 0, 1, 0, 2, 0, 0, 0, 2, 0, 3, 0};
    Velm_Initialdaten i{indizes, 12, 1};
    Velm_IndexBuffer* ip = Behalte(K().ErzeugeIndexBuffer(i));
    EXPECT_EQ(ip->mGroesse, 12u);
    EXPECT_EQ(ip->mKopie, indizes);
    EXPECT_EQ(i.mDaten, nullptr);
    EXPECT_EQ(ip->mZustand, Velm_ObjektResident);
    ip->Rauswerfen();
    EXPECT_EQ(ip->mPuffer, nullptr);
    ip->Benutzen();
    EXPECT_NE(ip->mPuffer, nullptr);
}

TEST_F(Puffer, DynamischerPufferWirdNeuBeschrieben) {
    Velm_Initialdaten nichts{};
    Velm_VertexBuffer* p = Behalte(K().ErzeugeVertexBuffer(16, FLAG_DYNAMISCH, nichts));
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
    EXPECT_EQ(Behalte(K().ErzeugeVertexBuffer(16, FLAG_DYNAMISCH | FLAG_FLUECHTIG, nichts))->mKopie, nullptr);

    // A static buffer is reported but written.
    const uint8_t vier[4] = {1, 1, 1, 1};
    Velm_VertexBuffer* statisch = VertexPuffer(vier, 4);
    mBrueche.Null();
    uint8_t zwei[2] = {5, 5};
    Velm_Initialdaten z{zwei, 2, 0};
    statisch->SchreibeInhalt(z);
    EXPECT_EQ(mBrueche.Anzahl(), 1);
    EXPECT_EQ(statisch->mKopie[0], 5);
    EXPECT_EQ(statisch->mKopie[2], 1);
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
    Velm_VertexEingabe* e = Behalte(K().ErzeugeVertexEingabe());
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
}

TEST_F(Puffer, FehlerDerEingabeWerdenGemeldet) {
    Velm_VertexEingabe* e = Behalte(K().ErzeugeVertexEingabe());
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
    Velm_VertexEingabe* m = Behalte(K().ErzeugeVertexEingabe());
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
    Velm_VertexEingabe* v = Behalte(K().ErzeugeVertexEingabe());
    for (int i = 0; i < 16; ++i) {
        v->AddKanal(0, Velm_VertexFloat1, 4 * i, false);
    }
    mBrueche.Null();
    v->AddKanal(0, Velm_VertexFloat1, 64, false);
    EXPECT_EQ(mBrueche.Anzahl(), 1);
    EXPECT_EQ(v->mKanalZahl, 16u);
}

} // namespace
