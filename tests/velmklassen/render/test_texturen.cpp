// Textures, cube textures, render targets and depth buffers: mip counts, the flags a texture
// forces on itself, initial content and its take-over, partial writes, invalid input.

#include "render_testhilfe.h"

#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/render/velm_internhelfer.h"
#include "velmklassen/render/velm_renderziel.h"
#include "velmklassen/render/velm_textur.h"
#include "velmklassen/render/velm_wuerfeltextur.h"
#include "velmklassen/render/velm_zbuffer.h"

#include <cstring>

namespace {

using rendertest::Kontext;

using Texturen = Kontext;

TEST_F(Texturen, MipAnzahlen) {
    for (const auto& [stufen, anzahl] : {std::pair{0u, 9u}, {12u, 9u}, {1u, 1u}}) {
        Velm_Textur* t = Behalte(K().ErzeugeTextur(256, 64, stufen, Velm_FormatA8R8G8B8 | FLAG_DYNAMISCH));
        EXPECT_EQ(t->mMipAnzahl, anzahl);
        EXPECT_TRUE(stufen != 1 || t->mTextur->GetLevelCount() == 1);
    }
    EXPECT_EQ(mLog.Anzahl("Zuviele MipMap-Stufen angegeben."), 1);
    EXPECT_EQ(mBrueche.Anzahl(), 0);
}

TEST_F(Texturen, DxtVerlangtManuelleStufenUndBehaeltAlle) {
    Velm_Bild bild(64, 64, Velm_FormatDXT5, 3);
    Velm_TexturInhalt inhalt(bild.LockMipStufen());
    Velm_Textur* t = Behalte(K().ErzeugeTextur(0, 0, 3, Velm_FormatDXT5, inhalt));
    EXPECT_TRUE(mLog.Enthaelt("Keine automatischen MipMaps für komprimierte Texturformate."));
    EXPECT_TRUE(t->HatManuelleMips());
    EXPECT_EQ(t->KopieStufen(), 3u);
    for (uint64_t i = 0; i < 3; ++i) {
        EXPECT_NE(t->mKopie[i].mDaten, nullptr);
        EXPECT_EQ(t->mKopie[i].mBreite, 64u >> i);
    }
    EXPECT_EQ(t->mZustand, Velm_ObjektResident);
    EXPECT_EQ(mBrueche.Anzahl(), 0);
}

TEST_F(Texturen, OhneInhaltDynamischRenderzielFluechtig) {
    Velm_Textur* ohne = Textur(8, 8, 0);
    EXPECT_TRUE(mLog.Enthaelt("Textur ohne Initialinhalt muss dynamisch sein"));
    EXPECT_TRUE(ohne->mFlags & FLAG_DYNAMISCH);
    EXPECT_NE(ohne->mKopie[0].mDaten, nullptr);

    Velm_Textur* ziel = nullptr;
    K().SetRenderZiel(Ziel(512, 256, &ziel));
    EXPECT_TRUE(mLog.Enthaelt("Renderziel-Texturen sind immer flüchtig."));
    EXPECT_TRUE(ziel->mFlags & FLAG_FLUECHTIG);
    EXPECT_FALSE(ziel->mFlags & FLAG_DYNAMISCH);
    EXPECT_EQ(ziel->mKopie[0].mDaten, nullptr);
    EXPECT_EQ(K().mBereichBreite, 512u);
    EXPECT_EQ(K().mBereichHoehe, 256u);
}

TEST_F(Texturen, TeilInhaltAufDxtUndAmRand) {
    Velm_Textur* t = Behalte(K().ErzeugeTextur(16, 16, 1, Velm_FormatDXT1 | FLAG_DYNAMISCH | FLAG_MANUELLE_MIPS));
    Velm_Bild block(4, 4, Velm_FormatDXT1, 1);
    std::memset(block.mDaten, 0xAB, 8);
    TBereich b = block.LockBereich();
    t->SchreibeTeilInhalt(0, 4, 8, b);
    EXPECT_EQ(mBrueche.Anzahl(), 0);
    // Row of blocks 2 (y 8..11), block 1 (x 4..7) of the kept copy holds the block.
    EXPECT_EQ(t->mKopie[0].mDaten[2 * t->mKopie[0].mPitch * 4 + 8], 0xAB);

    t->SchreibeTeilInhalt(0, 2, 8, b);
    EXPECT_EQ(mBrueche.Anzahl(), 1);
    EXPECT_TRUE(mLog.Enthaelt("muss durch vier teilbare Koordinaten haben."));

    t->SchreibeTeilInhalt(0, 16, 0, b);
    EXPECT_EQ(mBrueche.Anzahl(), 2);

    // The level argument is not applied, and a taken-over region is freed and cleared.
    Velm_Bild dynBild(4, 4, Velm_FormatA8R8G8B8, 1);
    Velm_Textur* farbig = Textur(8, 8, FLAG_DYNAMISCH);
    TMipStufen stufen = dynBild.LockMipStufen();
    std::memset(stufen.mStufen[0].mDaten, 0x7F, 4 * 4 * 4);
    farbig->SchreibeTeilInhalt(3, 6, 6, stufen.mStufen[0], true);
    EXPECT_EQ(stufen.mStufen[0].mDaten, nullptr);
    EXPECT_EQ(farbig->mKopie[0].mDaten[7 * farbig->mKopie[0].mPitch + 7 * 4], 0x7F);
    EXPECT_EQ(farbig->mKopie[0].mDaten[5 * farbig->mKopie[0].mPitch + 5 * 4], 0);

    // A static texture is reported but still written.
    Velm_Bild voll(8, 8, Velm_FormatA8R8G8B8, 1);
    Velm_TexturInhalt inhalt(voll.LockMipStufen());
    Velm_Textur* statisch = Behalte(K().ErzeugeTextur(0, 0, 1, Velm_FormatA8R8G8B8, inhalt));
    Velm_Bild stueck(2, 2, Velm_FormatA8R8G8B8, 1);
    std::memset(stueck.mDaten, 0x11, 16);
    TBereich s = stueck.LockBereich();
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
    EXPECT_EQ(format->mZustand, Velm_ObjektResident);

    // Sizes of 0 or beyond the device's limit hold nothing anywhere.
    mBrueche.Null();
    Velm_Textur* leer = Textur(0, 0, FLAG_DYNAMISCH);
    Velm_Textur* riesig = Textur(1u << 30, 1u << 30, FLAG_DYNAMISCH);
    EXPECT_EQ(mBrueche.Anzahl(), 2);
    EXPECT_TRUE(mLog.Enthaelt("Ungültige Texturgröße."));
    for (Velm_Textur* t : {leer, riesig}) {
        EXPECT_EQ(t->mTextur, nullptr);
        EXPECT_EQ(t->mKopie[0].mDaten, nullptr);
        t->Benutzen();
        t->ErzeugeMipStufen();
        EXPECT_EQ(t->mTextur, nullptr);
    }

    // A level of the wrong size is reported and not used; taken-over memory is freed all the same.
    Velm_Bild klein(4, 4, Velm_FormatA8R8G8B8, 1);
    Velm_TexturInhalt inhalt(klein.LockMipStufen());
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
    Velm_Bild seiten[6];
    for (int s = 0; s < 6; ++s) {
        seiten[s].SetGroesse(16, 16, Velm_FormatA8R8G8B8, 1);
        std::memset(seiten[s].mDaten, 0x10 * (s + 1), 16 * 16 * 4);
        inhalt[s][0] = seiten[s].LockBereich();
    }
    auto* wuerfel = Behalte(new Velm_WuerfelTextur(16, 1, Velm_FormatA8R8G8B8, inhalt));
    wuerfel->mSlot = K().mRegister.Einfuegen(wuerfel);
    EXPECT_EQ(wuerfel->mZustand, Velm_ObjektResident);
    EXPECT_EQ(wuerfel->mKopie[5][0].mDaten[0], 0x60);

    auto* tiefe = Behalte(new Velm_ZBuffer(64, 32));
    tiefe->mSlot = K().mRegister.Einfuegen(tiefe);
    EXPECT_EQ(tiefe->mZustand, Velm_ObjektResident);

    Velm_RenderzielBeschreibung b;
    b.mAnzahl = 1;
    b.mTexturen[0] = Textur(64, 32, FLAG_RENDERZIEL);
    b.mZBuffer = tiefe;
    Velm_Renderziel* ziel = Behalte(K().ErzeugeRenderziel(b));
    EXPECT_EQ(ziel->mTiefe, tiefe->mOberflaeche);
    K().SetRenderZiel(ziel);
    EXPECT_EQ(Z().Zahl("SetDepthStencilSurface"), 1);
    K().SetRenderZiel(nullptr);

    EXPECT_TRUE(K().Zuruecksetzen());
    EXPECT_EQ(wuerfel->mZustand, Velm_ObjektFreigegeben);
    EXPECT_EQ(tiefe->mZustand, Velm_ObjektResident); // restored right after the reset
    EXPECT_EQ(ziel->mTiefe, tiefe->mOberflaeche);
    wuerfel->Benutzen();
    EXPECT_EQ(wuerfel->mZustand, Velm_ObjektResident);
    EXPECT_EQ(mBrueche.Anzahl(), 0);
}

} // namespace
