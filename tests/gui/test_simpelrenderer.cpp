// The simple renderer headless through the layer: the quads it queues for each kind of element,
// one surface drawn and read back, and its easing curves.

#include "testhilfe.h"

#include "gui/gui_simpelrenderer.h"
#include "velmklassen/render/testhilfe.h"
#include "velmklassen/render/velm_blockgfx3d.h"
#include "velmklassen/render/velm_font3d.h"

using namespace guitest;

namespace {

// A 320 x 240 back buffer; graphic 0, which every rectangle stretches, and one glyph "F".
class Renderer : public rendertest::Kontext {
protected:
    void SetUp() override {
        mBildBreite = 320;
        mBildHoehe = 240;
        Kontext::SetUp();
        const auto weiss = rendertest::Einfarbig(4, 24, 0xFFFFFFFF);
        mAtlas = std::make_unique<Velm_BlockGfx3D>(0, 0, 0);
        mAtlas->AddGrafik(0, *weiss, 0, 0, 4, 4);
        mSchrift = std::make_unique<Velm_Font3D>();
        mSchrift->AddBuchstabe('F', *weiss, 0, 0, 4, 24, 0, 0, 4);
        mSchrift->mSofortZeichnen = false;
        mRenderer = std::make_unique<Gui::SimpelRenderer>(mAtlas.get(), mSchrift.get());
    }
    void TearDown() override {
        mRenderer.reset();
        mAtlas.reset();
        mSchrift.reset();
        Kontext::TearDown();
    }

    std::unique_ptr<Velm_BlockGfx3D> mAtlas;
    std::unique_ptr<Velm_Font3D> mSchrift;
    std::unique_ptr<Gui::SimpelRenderer> mRenderer;
};

// A queued quad as "x y width height r g b a", to three digits.
std::string Text(const Velm_BlockGfxQuad& q) {
    char text[128];
    snprintf(text, sizeof text, "%.3g %.3g %.3g %.3g %.3g %.3g %.3g %.3g", q.mZielX, q.mZielY, q.mBreite,
             q.mHoehe, q.mFarbe.r, q.mFarbe.g, q.mFarbe.b, q.mFarbe.a);
    return text;
}

TEST_F(Renderer, RechteckeUndBlenden) {
    // What happens to a text or a button at (10, 20), 100 x 40, after it was shown.
    enum Vorgang { kFrisch, kVersteckt, kAusUndEin, kSchmal, kGesperrt, kFokus, kKlick };
    const struct {
        const char* name;
        bool knopf;
        Vorgang vorgang;
        std::vector<std::string> quads;
    } faelle[] = {
        // clang-format off
        {"text 0.125 s nach dem Zeigen: a = 0.5", false, kFrisch, {"10 20 100 40 0.2 0.2 0.2 0.35"}},
        {"0.5 s nach dem Verstecken unsichtbar", false, kVersteckt, {}},
        {"aus und ein im selben Tick: keine Blende", false, kAusUndEin, {"10 20 100 40 0.2 0.2 0.2 0.7"}},
        {"text 3 breit: nur das dunkle Rechteck", false, kSchmal, {"10 20 3 40 0.2 0.2 0.2 0.7"}},
        {"gesperrter Knopf grau", true, kGesperrt, {"10 20 100 40 0.7 0.7 0.7 0.8", "12 22 96 36 0.8 0.8 0.8 0.8"}},
        {"0.1 s nach dem Fokus halber Glanz", true, kFokus, {"8 18 104 44 0.3 0.3 0.5 1.8", "12 22 96 36 0.7 0.7 0.9 2"}},
        {"0.1 s nach dem Klick der volle Blitz", true, kKlick,
         {"10 20 100 40 0.2 0.2 0.4 1.8", "12 22 96 36 0.6 0.6 0.8 2", "-10 0 140 80 1 1 1 0.5"}},
        // clang-format on
    };
    for (const auto& fall : faelle) {
        SCOPED_TRACE(fall.name);
        std::unique_ptr<Gui::Basis> element;
        if (fall.knopf)
            element = std::make_unique<Gui::Button>("F");
        else
            element = std::make_unique<Gui::Text>("F", true);
        element->SetGroesse({100, 40, 0}, false);
        element->SetPosition({10, 20, 0}, false);
        Schritt(fall.vorgang == kFrisch ? 0.125f : 1);
        Gui::FokusEreignis fokus(element.get(), true);
        Gui::TasteEreignis klick(Gui::kTasteZeiger, Gui::kGedrueckt, false);
        if (fall.vorgang == kVersteckt || fall.vorgang == kAusUndEin)
            element->SetAktiv(false);
        if (fall.vorgang == kAusUndEin)
            element->SetAktiv(true);
        if (fall.vorgang == kSchmal)
            element->SetGroesse({3, 40, 0}, false);
        if (fall.vorgang == kGesperrt)
            static_cast<Gui::Button&>(*element).SetAktivierbar(false);
        if (fall.vorgang == kFokus)
            element->BeiFokus(fokus);
        if (fall.vorgang == kKlick)
            element->BeiTaste(klick);
        Schritt(fall.vorgang == kVersteckt ? 0.5f : fall.vorgang >= kFokus ? 0.1f : 0);
        mAtlas->mWarteschlange.clear();
        mRenderer->BeginneZeichnen();
        element->Zeichne(*mRenderer);
        std::vector<std::string> ist;
        for (const Velm_BlockGfxQuad& quad : mAtlas->mWarteschlange)
            ist.push_back(Text(quad));
        EXPECT_EQ(ist, fall.quads);
        mSchrift->mAtlas->mWarteschlange.clear();
    }
}

TEST_F(Renderer, TextAusrichtungAusDenEigenenEigenschaften) {
    Gui::Text text("F", true);
    text.SetGroesse({100, 40, 0}, false);
    Schritt(1);
    for (auto [wert, horizontal, vertikal] : {std::tuple{0.3f, Velm_Font3D::kMitte, Velm_Font3D::kVMitte},
                                              {0.29f, Velm_Font3D::kLinks, Velm_Font3D::kOben},
                                              {0.71f, Velm_Font3D::kRechts, Velm_Font3D::kUnten}}) {
        SetzeZahl(text.Eigenschaften(), "richt_horiz", wert);
        SetzeZahl(text.Eigenschaften(), "richt_vert", wert);
        mRenderer->ZeichneText(text);
        EXPECT_EQ(mSchrift->mHAusrichtung, horizontal) << wert;
        EXPECT_EQ(mSchrift->mVAusrichtung, vertikal) << wert;
    }
}

TEST_F(Renderer, BildknopfBehaeltDieGroesseSeinerGrafik) {
    auto atlas = std::make_unique<Velm_BlockGfx3D>(0, 0, 0);
    atlas->AddGrafik(3, *rendertest::Einfarbig(20, 10, 0xFFFFFFFF), 0, 0, 20, 10);

    Gui::Oberflaeche flaeche("");
    flaeche.SetLayout(std::make_unique<Gui::Anordnung>());
    auto* knopf = new Gui::Button("", Gui::ButtonBild(std::move(atlas), 3));
    flaeche.AddKind(knopf);
    Schritt(1);
    EXPECT_EQ(knopf->Groesse(), (BVektor{20, 10, 0}));
    flaeche.ZeichneAlles(*mRenderer);
    EXPECT_TRUE(knopf->mBild.mAtlas->mWarteschlange.empty()) << "the image is drawn at once";
    EXPECT_EQ(Gui::Button("", Gui::ButtonBild(std::make_unique<Velm_BlockGfx3D>(0, 0, 0), 3)).Groesse(),
              (BVektor{}));
}

TEST_F(Renderer, KnopfLandetWoDasLayoutIhnHinlegt) {
    Gui::Oberflaeche flaeche("");
    flaeche.SetLayout(std::make_unique<Gui::Anordnung>());
    auto* knopf = new Gui::Button("F");
    flaeche.AddKind(knopf);
    knopf->SetHinweisText("h");
    Schritt(1);
    flaeche.VerarbeiteMausBewegung({120, 110, 0});
    Schritt(1);
    ASSERT_NE(flaeche.HinweisElement(), nullptr);

    Leere();
    flaeche.ZeichneAlles(*mRenderer);
    LiesZurueck();
    EXPECT_EQ(P(105, 95) & 0xFFFFFF, 0u) << "outside the button";
    EXPECT_EQ(P(150, 120) & 0xFFFFFF, 0xFFFFFFu) << "the inner rectangle at full alpha";
    EXPECT_NE(P(110, 100) & 0xFFFFFF, 0u) << "the focused button's glow at its corner";
    EXPECT_EQ(P(158, 116) & 0xFFFFFF, 0u) << "the black glyph centred in the inner rectangle";
    EXPECT_EQ(K().mBereichBreite, uint64_t(mBildBreite)) << "the whole back buffer again";
}

TEST(Verlauf, AlleArten) {
    const struct {
        uint32_t art;
        float bei0, beiHalb, bei1;
    } faelle[] = {
        {0, 0, 0.5f, 1},        {1, 1, 0.5f, 0},  {2, 0, 0.25f, 1}, {3, 1, 0.75f, 0}, {4, 0, 0.70710678f, 1},
        {5, 1, 0.29289322f, 0}, {6, 0, 0.5f, 1},  {7, 1, 0.5f, 0},  {8, 0, 0.5f, 1},  {9, 1, 0.5f, 0},
        {10, 0, 0.5f, 1},       {11, 1, 0.5f, 0}, {12, 0, 1, 0},    {13, 0, 0, 1},    {14, 1, 1, 0},
        {15, 0, 0.5f, 0},       {16, 1, 0.5f, 1}, {17, 1, 1, 1},    {1000, 1, 1, 1},
    };
    for (const auto& fall : faelle) {
        EXPECT_NEAR(Gui::SimpelRenderer::Verlauf(0, fall.art), fall.bei0, 1e-6f) << fall.art;
        EXPECT_NEAR(Gui::SimpelRenderer::Verlauf(0.5f, fall.art), fall.beiHalb, 1e-6f) << fall.art;
        EXPECT_NEAR(Gui::SimpelRenderer::Verlauf(1, fall.art), fall.bei1, 1e-6f) << fall.art;
    }
    EXPECT_EQ(Gui::SimpelRenderer::Verlauf(2, 2), 4) << "not clamped";
}

} // namespace
