// Textures: mip counts and the flags a texture forces on itself, partial writes on DXT and at the
// edge, invalid input reported without a crash; and the cube texture and the depth buffer, which
// come back after a reset as a texture does.

#include "testhilfe.h"

#include "velmklassen/render/velm_internhelfer.h"
#include "velmklassen/render/velm_wuerfeltextur.h"
#include "velmklassen/render/velm_zbuffer.h"

#include <cstring>

namespace {

using Texturen = rendertest::Kontext;

// Mip counts, and the flags a texture forces on itself: manual levels for DXT (all kept), dynamic
// without content, volatile (without a copy) as a render target.
TEST_F(Texturen, MipAnzahlenUndErzwungeneFlags) {
    for (const auto& [stufen, anzahl] : {std::pair{0u, 9u}, {12u, 9u}, {1u, 1u}}) {
        Velm_Textur* t = Behalte(K().ErzeugeTextur(256, 64, stufen, Velm_FormatA8R8G8B8 | FLAG_DYNAMISCH));
        EXPECT_EQ(t->mMipAnzahl, anzahl);
        EXPECT_TRUE(stufen != 1 || t->mTextur->GetLevelCount() == 1);
    }
    EXPECT_EQ(mLog.Anzahl("Zuviele MipMap-Stufen angegeben."), 1);

    Velm_TexturInhalt inhalt(Velm_Bild(64, 64, Velm_FormatDXT5, 3).LockMipStufen());
    Velm_Textur* dxt = Behalte(K().ErzeugeTextur(0, 0, 3, Velm_FormatDXT5, inhalt));
    EXPECT_TRUE(mLog.Enthaelt("Keine automatischen MipMaps für komprimierte Texturformate."));
    EXPECT_EQ(dxt->mKopie[2].mBreite, 16u);
    EXPECT_NE(dxt->mKopie[2].mDaten, nullptr);
    EXPECT_EQ(mBrueche.Anzahl(), 0);

    Velm_Textur* ohne = Textur(8, 8, 0);
    EXPECT_TRUE(mLog.Enthaelt("Textur ohne Initialinhalt muss dynamisch sein"));
    EXPECT_TRUE(ohne->mFlags & FLAG_DYNAMISCH);
    EXPECT_NE(ohne->mKopie[0].mDaten, nullptr);

    Velm_Textur* ziel = Textur(512, 256, FLAG_RENDERZIEL);
    EXPECT_TRUE(mLog.Enthaelt("Renderziel-Texturen sind immer flüchtig."));
    EXPECT_EQ(ziel->mFlags & (FLAG_FLUECHTIG | FLAG_DYNAMISCH), uint32_t(FLAG_FLUECHTIG));
    EXPECT_EQ(ziel->mKopie[0].mDaten, nullptr);
}

TEST_F(Texturen, TeilInhaltAufDxtUndAmRand) {
    Velm_Textur* t =
        Behalte(K().ErzeugeTextur(16, 16, 1, Velm_FormatDXT1 | FLAG_DYNAMISCH | FLAG_MANUELLE_MIPS));
    Velm_Bild block(4, 4, Velm_FormatDXT1, 1);
    std::memset(block.mDaten, 0xAB, 8);
    TBereich b = block.LockBereich();
    t->SchreibeTeilInhalt(0, 4, 8, b);
    EXPECT_EQ(mBrueche.Anzahl(), 0);
    // Row of blocks 2 (y 8..11), block 1 (x 4..7) of the kept copy holds the block.
    EXPECT_EQ(t->mKopie[0].mDaten[2 * t->mKopie[0].mPitch * 4 + 8], 0xAB);

    // Off the block grid, and past the edge: refused.
    t->SchreibeTeilInhalt(0, 2, 8, b);
    t->SchreibeTeilInhalt(0, 16, 0, b);
    EXPECT_EQ(mBrueche.Anzahl(), 2);
    EXPECT_TRUE(mLog.Enthaelt("muss durch vier teilbare Koordinaten haben."));

    // The level argument is not applied, and a taken-over region is freed and cleared.
    Velm_Textur* farbig = Textur(8, 8, FLAG_DYNAMISCH);
    TMipStufen stufen = rendertest::Einfarbig(4, 4, 0x7F7F7F7F)->LockMipStufen();
    farbig->SchreibeTeilInhalt(3, 6, 6, stufen.mStufen[0], true);
    EXPECT_EQ(stufen.mStufen[0].mDaten, nullptr);
    EXPECT_EQ(Pixel(farbig->mKopie[0], 7, 7), 0x7F7F7F7Fu);
    EXPECT_EQ(Pixel(farbig->mKopie[0], 5, 5), 0u);

    // A static texture is reported but still written.
    Velm_Textur* statisch = Textur(*rendertest::Einfarbig(8, 8, 0));
    const auto stueck = rendertest::Einfarbig(2, 2, 0x11111111);
    TBereich s = stueck->LockBereich();
    mBrueche.Null();
    statisch->SchreibeTeilInhalt(0, 0, 0, s);
    EXPECT_EQ(mBrueche.Anzahl(), 1);
    EXPECT_EQ(statisch->mKopie[0].mDaten[0], 0x11);
}

TEST_F(Texturen, UngueltigeEingabenWerdenGemeldetOhneAbsturz) {
    // A format beyond the table is reported and taken as A8R8G8B8.
    Velm_Textur* format = Behalte(K().ErzeugeTextur(4, 4, 1, Velm_FormatAnzahl | FLAG_DYNAMISCH));
    EXPECT_TRUE(mLog.Enthaelt("Ungültiges Texturformat"));
    EXPECT_EQ(format->mFormat, uint32_t(Velm_FormatA8R8G8B8));

    // Sizes of 0 or beyond the device's limit hold nothing anywhere.
    mBrueche.Null();
    Velm_Textur* leer = Textur(0, 0, FLAG_DYNAMISCH);
    Velm_Textur* riesig = Textur(1u << 30, 1u << 30, FLAG_DYNAMISCH);
    EXPECT_EQ(mBrueche.Anzahl(), 2);
    EXPECT_TRUE(mLog.Enthaelt("Ungültige Texturgröße."));
    for (Velm_Textur* t : {leer, riesig}) {
        t->Benutzen();
        t->ErzeugeMipStufen();
        EXPECT_EQ(t->mTextur, nullptr);
        EXPECT_EQ(t->mKopie[0].mDaten, nullptr);
    }

    // A level of the wrong size is reported and not used; taken-over memory is freed all the same.
    Velm_TexturInhalt inhalt(rendertest::Einfarbig(4, 4, 0)->LockMipStufen());
    mBrueche.Null();
    Velm_Textur* falsch = Behalte(K().ErzeugeTextur(8, 8, 1, Velm_FormatA8R8G8B8, inhalt));
    EXPECT_EQ(mBrueche.Anzahl(), 1);
    EXPECT_TRUE(mLog.Enthaelt("Vorgabegrafik für Mip-Stufe 0 ist ungültig"));
    EXPECT_EQ(inhalt.mStufen[0].mDaten, nullptr);
    EXPECT_NE(falsch->mKopie[0].mDaten, nullptr);

    mBrueche.Null();
    EXPECT_EQ(Velm::GetD3DPixelFormat(Velm_FormatAnzahl), D3DFMT_A8R8G8B8);
    EXPECT_EQ(Velm::GetD3DSeite(6), D3DCUBEMAP_FACE_POSITIVE_X);
    EXPECT_EQ(Velm::GetD3DSeite(0), D3DCUBEMAP_FACE_POSITIVE_Y);
    EXPECT_EQ(mBrueche.Anzahl(), 2);
}

TEST_F(Texturen, WuerfeltexturUndTiefenpufferUeberlebenDenReset) {
    TBereich inhalt[6][16] = {};
    const auto seite = rendertest::Einfarbig(16, 16, 0x60606060);
    for (auto& stufen : inhalt) {
        stufen[0] = seite->LockBereich();
    }
    auto* wuerfel = Behalte(new Velm_WuerfelTextur(16, 1, Velm_FormatA8R8G8B8, inhalt));
    wuerfel->mSlot = K().mRegister.Einfuegen(wuerfel);
    EXPECT_EQ(wuerfel->mKopie[5][0].mDaten[0], 0x60);
    auto* tiefe = Behalte(new Velm_ZBuffer(64, 32));
    tiefe->mSlot = K().mRegister.Einfuegen(tiefe);

    Velm_RenderzielBeschreibung b(Textur(64, 32, FLAG_RENDERZIEL));
    b.mZBuffer = tiefe;
    Velm_Renderziel* ziel = Behalte(K().ErzeugeRenderziel(b));
    K().SetRenderZiel(ziel);
    EXPECT_EQ(Z().Zahl("SetDepthStencilSurface"), 1);
    K().SetRenderZiel(nullptr);

    // The depth buffer is restored right after the reset, the cube texture at its next use.
    EXPECT_TRUE(K().Zuruecksetzen());
    EXPECT_EQ(tiefe->mZustand, Velm_ObjektResident);
    EXPECT_EQ(ziel->mTiefe, tiefe->mOberflaeche);
    EXPECT_EQ(wuerfel->mZustand, Velm_ObjektFreigegeben);
    wuerfel->Benutzen();
    EXPECT_EQ(wuerfel->mZustand, Velm_ObjektResident);
    EXPECT_EQ(mBrueche.Anzahl(), 0);
}

} // namespace
