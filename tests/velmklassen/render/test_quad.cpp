// The whole road through the engine: a textured, blended quad drawn through the drawing context
// into the back buffer and read back.

#include "render_testhilfe.h"

#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/render/velm_textur.h"
#include "velmklassen/render/velm_zustaende.h"

#include <cstring>
#include <tuple>

namespace {

using rendertest::Kontext;
using rendertest::Quad;

class Zeichnen : public Kontext {};

using rendertest::Nahe;
using rendertest::Pixel;

using Punkt = std::tuple<uint64_t, uint64_t, uint32_t>;
void ErwartePixel(const Velm_Bild& bild, std::initializer_list<Punkt> soll) {
    for (const auto& [x, y, farbe] : soll) {
        EXPECT_TRUE(Nahe(Pixel(bild, x, y), farbe)) << x << "," << y << ": " << std::hex << Pixel(bild, x, y);
    }
}

TEST_F(Zeichnen, TexturiertesGeblendetesQuadLandetImRueckpuffer) {
    Quad quad(K());
    // 2 x 2 texels: opaque red, half-transparent green, transparent white, opaque black.
    Velm_Bild bild(2, 2, Velm_FormatA8R8G8B8, 1);
    const uint32_t texel[4] = {0xFFFF0000, 0x8000FF00, 0x00FFFFFF, 0xFF000000};
    for (int i = 0; i < 4; ++i) {
        std::memcpy(bild.mDaten + (i / 2) * bild.mPitch + (i % 2) * 4, &texel[i], 4);
    }
    Velm_TexturInhalt inhalt(bild.LockMipStufen());
    Velm_Textur* textur = K().ErzeugeTextur(0, 0, 1, Velm_FormatA8R8G8B8, inhalt);
    ASSERT_EQ(textur->mZustand, Velm_ObjektResident);
    EXPECT_EQ(inhalt.mStufen[0].mDaten, nullptr); // taken over

    Velm_Sampler* sampler = K().ErzeugeSampler(Velm_SamplerBeschreibung{});
    Velm_AlphaZustand* blend =
        K().ErzeugeAlphaZustand(Velm_AlphaZustandBeschreibung(Velm_BlendQuellAlpha, Velm_BlendInvQuellAlpha));

    K().SetRenderZiel(nullptr);
    K().Leeren(1, TAlphaFarbe{0, 0, 1, 1});
    quad.Binde(K());
    K().SetAlphaZustand(blend);
    K().SetSampler(quad.programm->GetSampler("bild"), sampler, textur);
    K().SetProgrammKonstante(quad.programm->GetKonstante("ziel"), -1, 1, 2, -2);
    K().SetProgrammKonstante(quad.programm->GetKonstante("farbe"), 1, 1, 1, 1);
    K().ZeichneIndexElemente();
    EXPECT_EQ(mBrueche.Anzahl(), 0);

    Velm_Bild rueck(64, 32, Velm_FormatA8R8G8B8, 1);
    K().LiesBildschirmInhalt(rueck);
    // Every pixel is covered: the edges as well.
    ErwartePixel(rueck, {{10, 5, 0xFFFF0000}, {50, 5, 0xFF00807F}, {10, 25, 0xFF0000FF}, {50, 25, 0xFF000000},
                         {0, 0, 0xFFFF0000}, {63, 31, 0xFF000000}});

    // Blending off and on again: the factors the back end skipped while it was off still hold.
    K().SetAlphaZustand(nullptr);
    K().ZeichneIndexElemente();
    K().LiesBildschirmInhalt(rueck);
    ErwartePixel(rueck, {{10, 25, 0xFFFFFFFF}}); // the back buffer has no alpha: it reads 0xFF
    K().Leeren(1, TAlphaFarbe{0, 0, 1, 1});
    K().SetAlphaZustand(blend);
    K().ZeichneIndexElemente();
    K().LiesBildschirmInhalt(rueck);
    ErwartePixel(rueck, {{50, 5, 0xFF00807F}, {10, 25, 0xFF0000FF}});

    K().Praesentieren();
    quad.GibFrei(K());
    Frei({textur, sampler, blend});
}

} // namespace
