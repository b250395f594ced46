#include "bild_testhilfen.h"
#include "velmklassen/bild/velm_bild.h"

#include <gtest/gtest.h>

TEST(BildGroessen, DXTInGanzenBloecken) {
    const struct {
        Velm_Pixelformat format;
        uint64_t breite, hoehe, zeile, daten;
    } faelle[] = {{Velm_FormatA8R8G8B8, 0, 1, 0, 0},  {Velm_FormatA8R8G8B8, 3, 2, 12, 24},
                  {Velm_FormatA32B32G32R32F, 3, 1, 48, 48}, {Velm_FormatR16F, 7, 0, 14, 0},
                  {Velm_FormatDXT1, 5, 3, 4, 16},    {Velm_FormatDXT5, 5, 1, 8, 32},
                  {Velm_FormatDXT1, 1, 1, 2, 8},     {Velm_FormatDXT3, 1, 1, 4, 16}};
    for (const auto& f : faelle) {
        EXPECT_EQ(Velm_Bild::BerechneZeilenGroesse(f.format, f.breite), f.zeile) << f.format << f.breite;
        EXPECT_EQ(Velm_Bild::BerechneDatenGroesse(f.format, f.breite, f.hoehe), f.daten) << f.format;
    }
    Velm_Bild dxt(5, 3, Velm_FormatDXT1, 1);
    EXPECT_EQ(dxt.mPitch, 4u);
    EXPECT_NE(dxt.mDaten, nullptr);
}

TEST(Bild, VolleMipKetteUndIhreStufen) {
    Velm_Bild leer;
    EXPECT_EQ(leer.mDaten, nullptr);
    EXPECT_EQ(leer.MipAnzahl(), 1u);
    EXPECT_EQ(leer.GibMipStufe(0), &leer);
    EXPECT_EQ(leer.GibMipStufe(1), nullptr);

    Velm_Bild bild(256, 64, Velm_FormatA8R8G8B8, 0);
    ASSERT_EQ(bild.MipAnzahl(), 9u);
    EXPECT_EQ(bild.GibMipStufe(9), nullptr);
    uint64_t w = 256, h = 64;
    for (uint64_t k = 0; k < 9; ++k) {
        Velm_Bild* stufe = bild.GibMipStufe(k);
        ASSERT_NE(stufe, nullptr);
        EXPECT_EQ(std::vector<uint64_t>({stufe->mBreite, stufe->mHoehe, stufe->MipAnzahl(), stufe->mPitch}),
                  std::vector<uint64_t>({w, h, 9 - k, 4 * w}))
            << k;
        EXPECT_EQ(stufe->IstMipStufe(), k > 0);
        w = std::max<uint64_t>(1, w / 2);
        h = std::max<uint64_t>(1, h / 2);
    }
    EXPECT_EQ(Velm_Bild(1, 1, Velm_FormatA8, 0).MipAnzahl(), 1u);
    EXPECT_EQ(Velm_Bild(0, 0, Velm_FormatA8, 0).MipAnzahl(), 1u);
    // Levels beyond the full chain stay legal and are 1 x 1.
    Velm_Bild lang(1, 1, Velm_FormatA8, 5);
    EXPECT_EQ(lang.MipAnzahl(), 5u);
    EXPECT_EQ(lang.GibMipStufe(4)->mBreite, 1u);
}

TEST(Bild, MipKetteKuerzenUndVerlaengern) {
    Velm_Bild bild(64, 64, Velm_FormatR32F, 0);
    Velm_Bild* zweite = bild.GibMipStufe(1);
    bild.ErzeugeMipStufen(3);
    EXPECT_EQ(bild.MipAnzahl(), 3u);
    EXPECT_EQ(bild.GibMipStufe(1), zweite);
    EXPECT_EQ(bild.GibMipStufe(2)->NaechsteStufe(), nullptr);
    EXPECT_EQ(bild.GibMipStufe(3), nullptr);
    bild.ErzeugeMipStufen(1);
    EXPECT_EQ(bild.NaechsteStufe(), nullptr);
    bild.ErzeugeMipStufen(0);
    EXPECT_EQ(bild.MipAnzahl(), 7u);
}

TEST(Bild, LangeKetteWirdOhneRekursionGebautUndFreigegeben) {
    // Levels built and freed one after another: 100,000 levels would overflow the stack of a
    // recursive destructor or builder.
    auto bild = std::make_unique<Velm_Bild>(1, 1, Velm_FormatA8, 100000);
    EXPECT_EQ(bild->GibMipStufe(99999)->MipAnzahl(), 1u);
    bild.reset();
}

TEST(Bild, UmdimensionierungEinerMipStufeWirdAbgelehnt) {
    TBildLog log;
    Velm_Bild bild(8, 8, Velm_FormatA8R8G8B8, 0);
    Velm_Bild* stufe = bild.GibMipStufe(1);
    stufe->SetGroesse(16, 16, Velm_FormatA8, 1);
    EXPECT_TRUE(
        log.Enthaelt("!Velm_Bild::SetGroesse( 16, 16, 14, 1):  Umdimensionierung ist für MipMaps nicht "
                     "zulässig."));
    EXPECT_EQ(stufe->mBreite, 4u);
    EXPECT_EQ(stufe->mFormat, Velm_FormatA8R8G8B8);
    stufe->SetCubeMapGroesse(16, Velm_FormatA8, 1);
    EXPECT_TRUE(
        log.Enthaelt("!Velm_Bild::SetCubeMapGroesse( 16, 14, 1):  Umdimensionierung ist für MipMaps"));
    EXPECT_FALSE(stufe->IstCubeMap());
}

TEST(BildCubeMap, SeitenStufenUndVerknuepfung) {
    Velm_Bild wuerfel;
    wuerfel.SetCubeMapGroesse(16, Velm_FormatA16B16G16R16F, 0);
    ASSERT_TRUE(wuerfel.IstCubeMap());
    EXPECT_EQ(wuerfel.MipAnzahl(), 5u);
    EXPECT_EQ(wuerfel.Seite(Velm_Bild::kMinusX), &wuerfel);
    for (int s = 0; s < Velm_Bild::kSeiten; ++s) {
        Velm_Bild* seite = wuerfel.Seite(s);
        ASSERT_NE(seite, nullptr);
        EXPECT_EQ(seite->mBreite, 16u);
        EXPECT_EQ(seite->mFormat, Velm_FormatA16B16G16R16F);
        EXPECT_EQ(seite->MipAnzahl(), 5u);
        EXPECT_TRUE(seite->IstCubeMap());
        for (int t = 0; t < Velm_Bild::kSeiten; ++t)
            EXPECT_EQ(seite->Seite(t), wuerfel.Seite(t));
        // Every level knows the matching level of every face.
        for (uint64_t k = 1; k < 5; ++k) {
            Velm_Bild* stufe = seite->GibMipStufe(k);
            EXPECT_TRUE(stufe->IstCubeMap());
            EXPECT_EQ(stufe->mBreite, 16u >> k);
            for (int t = 0; t < Velm_Bild::kSeiten; ++t)
                EXPECT_EQ(stufe->Seite(t), wuerfel.Seite(t)->GibMipStufe(k));
        }
    }
    // Growing the chain later links the new levels too.
    wuerfel.ErzeugeMipStufen(2);
    wuerfel.ErzeugeMipStufen(4);
    EXPECT_EQ(wuerfel.Seite(Velm_Bild::kPlusZ)->MipAnzahl(), 4u);
    EXPECT_EQ(wuerfel.GibMipStufe(3)->Seite(Velm_Bild::kPlusY),
              wuerfel.Seite(Velm_Bild::kPlusY)->GibMipStufe(3));
}

TEST(BildCubeMap, NurDieBasisseiteWirdZweiD) {
    TBildLog log;
    Velm_Bild wuerfel;
    wuerfel.SetCubeMapGroesse(8, Velm_FormatA8R8G8B8, 1);
    Velm_Bild* oben = wuerfel.Seite(Velm_Bild::kPlusY);
    oben->SetGroesse(4, 4, Velm_FormatA8R8G8B8, 1);
    EXPECT_TRUE(
        log.Enthaelt("!Velm_Bild::SetGroesse( 4, 4, 0, 1):  Umbau einer CubeMap zu einem 2D-Bild darf nur "
                     "von der Basisseite (Links) ausgehen."));
    EXPECT_EQ(oben->mBreite, 8u);
    oben->SetCubeMapGroesse(4, Velm_FormatA8R8G8B8, 1);
    EXPECT_TRUE(log.Enthaelt("!Velm_Bild::SetCubeMapGroesse( 4, 0, 1):  Umbau einer CubeMap darf nur von der "
                             "Basisseite (Links) ausgehen."));
    EXPECT_EQ(oben->mBreite, 8u);
    EXPECT_EQ(oben->Seite(Velm_Bild::kMinusX), &wuerfel);

    // The base face frees the other five (the sanitizer run sees leaks and double frees).
    wuerfel.SetGroesse(4, 2, Velm_FormatA8, 2);
    EXPECT_FALSE(wuerfel.IstCubeMap());
    for (int s = 0; s < Velm_Bild::kSeiten; ++s)
        EXPECT_EQ(wuerfel.Seite(s), nullptr);
    EXPECT_EQ(wuerfel.MipAnzahl(), 2u);
    EXPECT_EQ(wuerfel.GibMipStufe(1)->Seite(Velm_Bild::kMinusX), nullptr);
}

TEST(BildCubeMap, ZerstoerenMitStufenGibtJedeSeiteEinmalFrei) {
    auto wuerfel = std::make_unique<Velm_Bild>();
    wuerfel->SetCubeMapGroesse(32, Velm_FormatDXT5, 0);
    // Lower levels of the base face also point to themselves in slot -X; they must not act as
    // base faces.
    EXPECT_EQ(wuerfel->GibMipStufe(2)->Seite(Velm_Bild::kMinusX), wuerfel->GibMipStufe(2));
    wuerfel.reset();
}

TEST(BildMipStufen, WerdenAnDenEmpfaengerUebergeben) {
    Velm_Bild bild(8, 4, Velm_FormatA8R8G8B8, 0);
    uint8_t* oben = bild.mDaten;
    uint8_t* zweite = bild.GibMipStufe(1)->mDaten;
    TMipStufen stufen = bild.LockMipStufen();
    ASSERT_TRUE(stufen.mGueltig);
    EXPECT_EQ(stufen.mStufen[0].mDaten, oben);
    EXPECT_EQ(stufen.mStufen[0].mBreite, 8u);
    EXPECT_EQ(stufen.mStufen[0].mPitch, 32u);
    EXPECT_EQ(stufen.mStufen[1].mDaten, zweite);
    EXPECT_EQ(stufen.mStufen[3].mBreite, 1u);
    EXPECT_EQ(stufen.mStufen[4].mDaten, nullptr);
    EXPECT_EQ(bild.mDaten, nullptr);
    EXPECT_EQ(bild.mBreite, 0u);
    EXPECT_EQ(bild.GibMipStufe(1)->mDaten, nullptr);
    for (uint64_t k = 0; k < bild.MipAnzahl(); ++k)
        Velm_Bild::GibDatenFrei(stufen.mStufen[k].mDaten);
}

TEST(BildMipStufen, MehrAlsSechzehnWerdenGemeldetUndBleiben) {
    TBildLog log;
    THaltepunktZaehler brueche;
    Velm_Bild bild(1, 1, Velm_FormatA8R8G8B8, 17);
    const TMipStufen stufen = bild.LockMipStufen();
    EXPECT_FALSE(stufen.mGueltig);
    EXPECT_EQ(brueche.Anzahl(), 1);
    EXPECT_TRUE(log.Enthaelt("!Ausnahme \"Mehr als 16 MipMap-Stufen\""));
    EXPECT_NE(bild.mDaten, nullptr);
    EXPECT_NE(bild.GibMipStufe(16)->mDaten, nullptr);
}

TEST(BildLaden, FormatNachInhaltNichtNachName) {
    TBildLog log;
    Velm_Bild bild;
    TSpeicher unbekannt = AlsSpeicher({'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0});
    EXPECT_FALSE(bild.LadeBildAusSpeicher(unbekannt));
    EXPECT_TRUE(log.Enthaelt("!Velm_Bild::LadeBildAusDatei():  Dateiformat nicht erkennbar."));
    TSpeicher kurz = AlsSpeicher({0x89, 'P'});
    EXPECT_FALSE(bild.LadeBildAusSpeicher(kurz));
    TSpeicher leer;
    EXPECT_FALSE(bild.LadeBildAusSpeicher(leer));

    TDDSKopf kopf;
    kopf.magie = "MJLP";
    kopf.breite = kopf.hoehe = 1;
    std::vector<uint8_t> datei = kopf.Bytes();
    HaengeLE(datei, 0xFF102030);
    TSpeicher mjlp = AlsSpeicher(datei);
    ASSERT_TRUE(bild.LadeBildAusSpeicher(mjlp));
    uint32_t pixel;
    std::memcpy(&pixel, bild.mDaten, 4);
    EXPECT_EQ(pixel, 0xFF102030u);
}

TEST(BildLaden, AusDateiMitUtf8PfadUndFehlenderDatei) {
    TBildLog log;
    const std::filesystem::path ordner = std::filesystem::temp_directory_path() / "velm_bild_pfade";
    std::filesystem::create_directories(ordner);
    Velm_Bild bild(3, 2, Velm_FormatA8R8G8B8, 1);
    for (uint32_t i = 0; i < 6; ++i) {
        const uint32_t pixel = 0xFF000000u | i * 0x010203u;
        std::memcpy(bild.mDaten + 4 * i, &pixel, 4);
    }
    const std::filesystem::path pfad = ordner / u8"grüße_😀.png";
    ASSERT_TRUE(bild.SpeicherePNG(pfad));
    EXPECT_TRUE(std::filesystem::exists(ordner / "gr\xC3\xBC\xC3\x9F"
                                                 "e_\xF0\x9F\x98\x80.png"));
    Velm_Bild gelesen;
    ASSERT_TRUE(gelesen.LadeBildAusDatei(pfad));
    EXPECT_EQ(std::memcmp(gelesen.mDaten, bild.mDaten, 24), 0);

    EXPECT_FALSE(gelesen.LadeBildAusDatei(ordner / u8"fehlt_ä.png"));
    EXPECT_TRUE(log.Enthaelt("!Velm_Bild::LadeBildAusDatei( \"" + (ordner / "fehlt_ä.png").string() +
                             "\"):  Datei konnte nicht geladen werden."));
    std::filesystem::remove_all(ordner);
}
