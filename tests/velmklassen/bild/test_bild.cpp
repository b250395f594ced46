#include "testhilfe.h"
#include "velmklassen/bild/velm_bild.h"

#include <gtest/gtest.h>

// Levels halve down to 1 x 1; the chain is trimmed and grown in place, and may go on at 1 x 1.
TEST(Bild, MipKetteBauenKuerzenVerlaengern) {
    Velm_Bild bild(256, 64, Velm_FormatA8R8G8B8, 0);
    ASSERT_EQ(bild.MipAnzahl(), 9u);
    EXPECT_EQ(bild.GibMipStufe(9), nullptr);
    for (uint64_t k = 0; k < 9; ++k) {
        const uint64_t w = std::max<uint64_t>(1, 256 >> k), h = std::max<uint64_t>(1, 64 >> k);
        const Velm_Bild* stufe = bild.GibMipStufe(k);
        EXPECT_EQ(std::vector<uint64_t>({stufe->mBreite, stufe->mHoehe, stufe->MipAnzahl(), stufe->mPitch,
                                         stufe->IstMipStufe()}),
                  std::vector<uint64_t>({w, h, 9 - k, 4 * w, k > 0}))
            << k;
    }
    Velm_Bild* zweite = bild.GibMipStufe(1);
    bild.ErzeugeMipStufen(3);
    EXPECT_EQ(bild.GibMipStufe(1), zweite);
    EXPECT_EQ(bild.GibMipStufe(2)->NaechsteStufe(), nullptr);
    bild.ErzeugeMipStufen(0);
    EXPECT_EQ(bild.GibMipStufe(8)->MipAnzahl(), 1u);
    EXPECT_EQ(Velm_Bild(1, 1, Velm_FormatA8, 5).GibMipStufe(4)->mBreite, 1u);
}

TEST(Bild, LangeKetteWirdOhneRekursionGebautUndFreigegeben) {
    // Levels built and freed one after another: 100,000 levels would overflow the stack of a
    // recursive destructor or builder.
    auto bild = std::make_unique<Velm_Bild>(1, 1, Velm_FormatA8, 100000);
    EXPECT_EQ(bild->GibMipStufe(99999)->MipAnzahl(), 1u);
    bild.reset();
}

// Every level of every face knows the matching level of every face, also after the chain grew. The
// sanitizer run sees double frees: destroyed, the base face frees every face once, though the lower
// levels of the base face also point to themselves in slot -X.
TEST(BildCubeMap, SeitenStufenUndFreigabe) {
    Velm_Bild wuerfel;
    wuerfel.SetCubeMapGroesse(16, Velm_FormatDXT5, 2);
    wuerfel.ErzeugeMipStufen(0);
    ASSERT_EQ(wuerfel.Seite(Velm_Bild::kPlusZ)->MipAnzahl(), 5u);
    for (int s = 0; s < Velm_Bild::kSeiten; ++s)
        for (uint64_t k = 0; k < 5; ++k) {
            Velm_Bild* stufe = wuerfel.Seite(s)->GibMipStufe(k);
            EXPECT_EQ(stufe->mBreite, 16u >> k);
            for (int t = 0; t < Velm_Bild::kSeiten; ++t)
                EXPECT_EQ(stufe->Seite(t), wuerfel.Seite(t)->GibMipStufe(k)) << s << t << k;
        }
}

// More than 16 levels cannot be handed on: reported, and the image keeps them all.
TEST(BildMipStufen, MehrAlsSechzehnWerdenGemeldetUndBleiben) {
    TLog log;
    THaltepunktZaehler brueche;
    Velm_Bild bild(1, 1, Velm_FormatA8R8G8B8, 17);
    EXPECT_FALSE(bild.LockMipStufen().mGueltig);
    EXPECT_EQ(brueche.Anzahl(), 1);
    EXPECT_TRUE(log.Enthaelt("!Ausnahme \"Mehr als 16 MipMap-Stufen\""));
    EXPECT_NE(bild.GibMipStufe(16)->mDaten, nullptr);
}

// Only a base image may be remade: a mip level's memory belongs to its chain, another face's to the
// base face. The refused resize must also stop the loaders, which would fill memory of another size.
TEST(Bild, UmbauUndLadenNurAmBasisbild) {
    TLog log;
    Velm_Bild bild(4, 4, Velm_FormatA8R8G8B8, 0), wuerfel;
    wuerfel.SetCubeMapGroesse(2, Velm_FormatA8R8G8B8, 1);
    const std::vector<uint8_t> dds = Kopf(64, 64, 116).Bytes(std::vector<uint8_t>(64 * 64 * 16));
    const std::vector<uint8_t> png = BaueTestPNG(64, 64, 4, Zufallsbytes(64 * 64 * 4, 1), {0});
    for (Velm_Bild* ziel : {bild.GibMipStufe(2), wuerfel.Seite(Velm_Bild::kPlusZ)}) {
        EXPECT_FALSE(Lade(*ziel, dds));
        EXPECT_FALSE(Lade(*ziel, png));
        EXPECT_FALSE(ziel->SetCubeMapGroesse(64, Velm_FormatA8, 1));
        EXPECT_LT(ziel->mBreite, 64u);
    }
    for (const char* zeile :
         {"!Velm_Bild::SetGroesse( 64, 64, 8, 1):  Umdimensionierung ist für MipMaps nicht zulässig.",
          "!Velm_Bild::SetCubeMapGroesse( 64, 14, 1):  Umdimensionierung ist für MipMaps nicht zulässig.",
          "!Velm_Bild::SetGroesse( 64, 64, 0, 1):  Umbau einer CubeMap zu einem 2D-Bild darf nur von der "
          "Basisseite (Links) ausgehen.",
          "!Velm_Bild::SetCubeMapGroesse( 64, 14, 1):  Umbau einer CubeMap darf nur von der Basisseite "
          "(Links) ausgehen."})
        EXPECT_TRUE(log.Enthaelt(zeile)) << zeile;
    // The base face remade as 2D lets go of the other faces.
    EXPECT_TRUE(Lade(wuerfel, png));
    EXPECT_FALSE(wuerfel.IstCubeMap());
    EXPECT_EQ(wuerfel.Seite(Velm_Bild::kPlusY), nullptr);
}
