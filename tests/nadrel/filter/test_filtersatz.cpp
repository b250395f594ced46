// A filter set drawn on the headless device: each effect over a patterned scene texture into the
// back buffer, read back pixel by pixel, and the intermediate image that follows the destination.

#include "testhilfe.h"
#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/render/velm_textur.h"

#include <cstring>
#include <filesystem>
#include <functional>
#include <tuple>

namespace {

using namespace Spiel;
using filtertest::Satz;

// Blue 0, green 1, red 2.
float Kanal(uint32_t farbe, int kanal) {
    return float(farbe >> (8 * kanal) & 0xFF);
}

// How many colour channels of the image are further than `toleranz` from what `soll` says.
template <class Soll> int Abweichungen(const Velm_Bild& bild, Soll soll, float toleranz = 0) {
    int anzahl = 0;
    for (uint64_t y = 0; y < bild.mHoehe; ++y)
        for (uint64_t x = 0; x < bild.mBreite; ++x)
            for (int kanal = 0; kanal < 3; ++kanal)
                anzahl += std::abs(Kanal(Pixel(bild, x, y), kanal) - soll(x, y, kanal)) > toleranz;
    return anzahl;
}

// An image no symmetry maps onto itself; with `block` 2 it is made of 2 x 2 blocks.
uint32_t Muster(uint64_t x, uint64_t y, uint64_t block = 1) {
    x /= block;
    y /= block;
    return 0xFF000000u | uint32_t((x * 37 + y * 11) & 0xFF) << 16 | uint32_t((y * 53 + 7) & 0xFF) << 8 |
           uint32_t((x * y * 29 + x) & 0xFF);
}

class FilterSatzTest : public filtertest::FilterTest {
protected:
    // A scene texture of the given size, released with the test; the back buffer's size is filled
    // with the pattern, the rest with white.
    Velm_Textur* Szenenbild(uint64_t breite, uint64_t hoehe, uint64_t block = 1) {
        Velm_Bild bild(breite, hoehe, Velm_FormatA8R8G8B8, 1);
        for (uint64_t y = 0; y < hoehe; ++y)
            for (uint64_t x = 0; x < breite; ++x) {
                const uint32_t wert = x < kBreite && y < kHoehe ? Muster(x, y, block) : 0xFFFFFFFFu;
                std::memcpy(bild.mDaten + y * bild.mPitch + x * 4, &wert, 4);
            }
        Velm_TexturInhalt inhalt(bild.LockMipStufen());
        return Behalte(K().ErzeugeTextur(0, 0, 1, Velm_FormatA8R8G8B8, inhalt));
    }

    // Runs the set's chain over the scene texture into the whole back buffer, cleared to magenta.
    void Fuehre(FilterVerwaltung& verwaltung, FilterSatz& satz, Velm_Textur* szene) {
        K().SetRenderZiel(nullptr);
        K().Leeren(1, TAlphaFarbe{1, 0, 1, 1});
        satz.Ausfuehren(szene, {nullptr, 0, 0, kBreite, kHoehe}, verwaltung.Ressourcen());
    }
};

// Each effect over the patterned scene texture into the whole back buffer, every channel compared
// with the row's expectation: the pause filter copies at strength 0 and greys at 1 (also from a
// scene texture twice the destination's size, the picture in its corner); two passes through an
// image of half the size keep 2 x 2 blocks; inputs without content read black with size 0.
TEST_F(FilterSatzTest, JederEffektBildpunktGenau) {
    const auto muster = [](uint64_t x, uint64_t y, int k) { return Kanal(Muster(x, y), k); };
    const auto bloecke = [](uint64_t x, uint64_t y, int k) { return Kanal(Muster(x, y, 2), k); };
    const auto grau = [](uint64_t x, uint64_t y, int) {
        const uint32_t m = Muster(x, y);
        return (0.299f * Kanal(m, 2) + 0.587f * Kanal(m, 1) + 0.114f * Kanal(m, 0)) * 0.4f;
    };
    using Soll = std::function<float(uint64_t, uint64_t, int)>;
    // Folder, effect, strength, the scene texture's size in screens, the pattern's blocks, what each
    // channel should read and how far it may be off.
    const std::tuple<std::filesystem::path, const char*, float, uint64_t, uint64_t, Soll, float> faelle[] = {
        {NADREL_DATEN, "pause", 0, 1, 1, muster, 0},
        {NADREL_DATEN, "pause", 0, 2, 1, muster, 0},
        {NADREL_DATEN, "pause", 1, 1, 1, grau, 1},
        {NADREL_DATEN, "pause", 1, 2, 1, grau, 1},
        {NADREL_FILTERDATEN, "zwei", 0, 1, 2, bloecke, 0},
        {NADREL_FILTERDATEN, "leer", 0, 1, 1, [](uint64_t, uint64_t, int) { return 128.0f; }, 0},
    };
    for (const auto& [ordner, effekt, staerke, groesse, block, soll, toleranz] : faelle) {
        SCOPED_TRACE(testing::Message() << effekt << " " << staerke << " " << groesse);
        FilterVerwaltung verwaltung(ordner);
        FilterSatz satz = Satz(verwaltung.mEffekte, effekt);
        satz.SetParameter("staerke", staerke, 0, 0, 0);
        Fuehre(verwaltung, satz, Szenenbild(kBreite * groesse, kHoehe * groesse, block));
        LiesZurueck();
        EXPECT_EQ(Abweichungen(mRueck, soll, toleranz), 0);
    }
}

// The half-size image follows the destination: kept for the same size, made again for another.
TEST_F(FilterSatzTest, ZwischenbildFolgtDemZiel) {
    FilterVerwaltung verwaltung(NADREL_FILTERDATEN);
    FilterSatz satz = Satz(verwaltung.mEffekte, "zwei");
    Velm_Textur* szene = Szenenbild(kBreite, kHoehe);
    const FilterSatz::Bild& halb = satz.mBilder[size_t(satz.mSchritte[0].mAusgabe)];
    Fuehre(verwaltung, satz, szene);
    const Velm_Textur* vorher = halb.mTextur.get();
    EXPECT_EQ(halb.mTextur->mBreite, uint64_t(kBreite / 2));
    EXPECT_EQ(halb.mTextur->mHoehe, uint64_t(kHoehe / 2));
    Fuehre(verwaltung, satz, szene);
    EXPECT_EQ(halb.mTextur.get(), vorher);
    satz.Ausfuehren(szene, {nullptr, 0, 0, 3, 5}, verwaltung.Ressourcen());
    EXPECT_EQ(halb.mTextur->mBreite, 1u);
    EXPECT_EQ(halb.mTextur->mHoehe, 2u);
}

} // namespace
