// Vertex and index buffers: their initial data and its take-over, and the rewriting of dynamic,
// volatile and static buffers.

#include "testhilfe.h"

#include <tuple>
#include <vector>

namespace {

using Puffer = rendertest::Kontext;

// Initial data: a static buffer must be filled whole, size 0 takes the data's size, more data than
// the buffer holds is reported and only the buffer's size read, no size at all holds nothing.
TEST_F(Puffer, InitialdatenEinesPuffers) {
    using Fall = std::tuple<uint64_t, uint64_t, uint32_t, uint64_t, const char*>;
    static uint8_t daten[128] = {};
    for (const auto& [groesse, anzahl, flags, erwartet, zeile] :
         {Fall{64, 48, 0, 64, "Vorgabedaten müssen daher den Buffer vollständig ausfüllen."},
          {16, 128, 0, 16, ""}, {0, 0, FLAG_DYNAMISCH, 0, "Ungültige Buffergröße"}}) {
        mBrueche.Null();
        Velm_Initialdaten d{anzahl ? daten : nullptr, anzahl, 0};
        Velm_VertexBuffer* p = Behalte(K().ErzeugeVertexBuffer(groesse, flags, d));
        EXPECT_EQ(mBrueche.Anzahl(), 1) << groesse;
        EXPECT_TRUE(mLog.Enthaelt(zeile)) << zeile;
        p->Benutzen();
        EXPECT_EQ(p->mGroesse, erwartet);
        EXPECT_EQ(p->mPuffer == nullptr, erwartet == 0) << groesse;
    }
    // With take-over the copy is the caller's memory; an evicted index buffer comes back from it.
    auto* indizes = new uint8_t[12]{0, 0, 1, 0, 2, 0, 0, 0, 2, 0, 3, 0};
    Velm_Initialdaten i{indizes, 12, 1};
    Velm_IndexBuffer* ip = Behalte(K().ErzeugeIndexBuffer(i));
    EXPECT_EQ(std::pair(ip->mGroesse, ip->mKopie), std::pair(uint64_t(12), indizes));
    EXPECT_EQ(i.mDaten, nullptr);
    ip->Rauswerfen();
    ip->Benutzen();
    EXPECT_NE(ip->mPuffer, nullptr);
}

// A dynamic buffer takes a part from its start, refuses more than it holds and takes over memory
// handed to it; a volatile one keeps no copy; a static one is reported but written.
TEST_F(Puffer, PufferWerdenNeuBeschrieben) {
    uint8_t daten[32] = {1, 2, 3, 4, 5, 6, 7, 8};
    const auto schreibe = [](Velm_VertexBuffer* p, uint64_t groesse, uint8_t* quelle, uint32_t eigen = 0) {
        Velm_Initialdaten d{quelle, groesse, eigen};
        p->SchreibeInhalt(d);
        return d.mDaten;
    };
    Velm_Initialdaten nichts{};
    Velm_VertexBuffer* p = Behalte(K().ErzeugeVertexBuffer(16, FLAG_DYNAMISCH, nichts));
    schreibe(p, 8, daten);
    EXPECT_EQ(std::vector(p->mKopie, p->mKopie + 9), std::vector<uint8_t>({1, 2, 3, 4, 5, 6, 7, 8, 0}));
    daten[0] = 5;
    schreibe(p, 32, daten);
    EXPECT_EQ(mBrueche.Anzahl(), 1);
    EXPECT_EQ(p->mKopie[0], 1);
    EXPECT_EQ(schreibe(p, 4, new uint8_t[4]{9, 9, 9, 9}, 1), nullptr);
    EXPECT_EQ(p->mKopie[0], 9);

    EXPECT_EQ(Behalte(K().ErzeugeVertexBuffer(16, FLAG_DYNAMISCH | FLAG_FLUECHTIG, nichts))->mKopie,
              nullptr);

    const uint8_t vier[4] = {1, 1, 1, 1};
    Velm_VertexBuffer* statisch = VertexPuffer(vier, 4);
    mBrueche.Null();
    schreibe(statisch, 2, daten);
    EXPECT_EQ(mBrueche.Anzahl(), 1);
    EXPECT_EQ(std::vector(statisch->mKopie, statisch->mKopie + 4), std::vector<uint8_t>({5, 2, 1, 1}));
}

} // namespace
