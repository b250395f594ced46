// GPU objects over their life: eviction by age when video memory runs out, creation failures that
// leave an object without its device object, device loss and reset with the content coming back,
// the statistics and the report of objects never released.

#include "testhilfe.h"

#include "velmklassen/kern/velm_system.h"
#include "velmklassen/kern/velm_zeitgeber.h"
#include "velmklassen/render/velm_internhelfer.h"

namespace {

using rendertest::Kontext;

class GpuObjekte : public Kontext {
protected:
    void SetUp() override {
        Kontext::SetUp();
        Velm_System::Global().mPraesenz = Velm_System::Aktiv;
    }
    static void Vergehe(double sekunden) {
        Velm_Zeitgeber::Global().Schritt(Ticks(sekunden));
    }

    // A 64 x 64 texture of one colour, static with main-memory content unless flags say otherwise.
    Velm_Textur* Einfarbig(uint32_t farbe, uint32_t flags = 0) {
        return Textur(*rendertest::Einfarbig(64, 64, farbe), flags);
    }
};

TEST_F(GpuObjekte, RauswurfNachAlterImAeltestenZehntel) {
    Velm_Textur* a = Einfarbig(0xFFFF0000);
    Vergehe(5);
    Velm_Textur* b = Einfarbig(0xFF00FF00);
    Vergehe(4.5);
    Velm_Textur* c = Einfarbig(0xFF0000FF);
    Vergehe(0.5);

    EXPECT_EQ(Velm_Screen3D::SchaffeVideoRAMPlatz(&K()), 1u);
    EXPECT_EQ(std::vector({a->mZustand, b->mZustand, c->mZustand}),
              std::vector<uint32_t>({Velm_ObjektFreigegeben, Velm_ObjektResident, Velm_ObjektResident}));
    // Nine tenths of the oldest age, ten seconds, figured in float.
    EXPECT_TRUE(mLog.Enthaelt("Platz geschaffen: 1 Resourcen rausgeworfen, Grenzalter 8.999999"));
    EXPECT_FALSE(mLog.Enthaelt("sehr jung"));

    // The evicted static texture shows its content again at its next use.
    EXPECT_EQ(Zeige(a), 0xFF0000u);

    // Everything used in this very tick: a warning, and nothing goes.
    Zeige(b);
    Zeige(c);
    EXPECT_EQ(Velm_Screen3D::SchaffeVideoRAMPlatz(&K()), 0u);
    EXPECT_TRUE(
        mLog.Enthaelt("?Velm_Screen3D::SchaffeVideoRAMPlatz(): Rausgeworfene Resourcen sind sehr jung!"));

    // Video memory full: making a new texture throws out the oldest, now a.
    Vergehe(10);
    Zeige(b);
    Zeige(c);
    Plattform::SetzeVideoSpeicherBudget(Plattform::VideoSpeicherBelegt());
    Velm_Textur* d = Einfarbig(0xFFFFFFFF);
    EXPECT_EQ(std::vector({a->mZustand, b->mZustand, d->mZustand}),
              std::vector<uint32_t>({Velm_ObjektFreigegeben, Velm_ObjektResident, Velm_ObjektResident}));
    EXPECT_TRUE(mLog.Enthaelt("?VideoRAM knapp. Versuche, Platz zu schaffen."));
    EXPECT_EQ(mBrueche.Anzahl(), 0);
}

// Creation fails for good (nothing old enough to evict): the object stays without its device
// object, nothing touches the missing one, and its kept content reaches the device later.
TEST_F(GpuObjekte, ObjekteOhneGeraeteobjektWerdenSpaeterHochgeladen) {
    Zeige(nullptr);
    Plattform::SetzeVideoSpeicherBudget(Plattform::VideoSpeicherBelegt());
    mBrueche.Null();

    Velm_Textur* statisch = Einfarbig(0xFF00FF00);
    EXPECT_TRUE(mLog.Enthaelt("!Velm_Textur::Benutzen(): Erzeugung der Textur gescheitert."));
    EXPECT_LE(mLog.Anzahl("?VideoRAM knapp."), 1 + Velm::kRaeumVersuche);

    Velm_Textur* dynamisch = Textur(64, 64, FLAG_DYNAMISCH);
    const auto rot = rendertest::Einfarbig(64, 64, 0xFFFF0000);
    TBereich bereich = rot->LockBereich();
    dynamisch->SchreibeTeilInhalt(0, 0, 0, bereich);
    dynamisch->ErzeugeMipStufen();

    float daten[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    Velm_VertexBuffer* puffer = VertexPuffer(daten, sizeof daten, FLAG_DYNAMISCH);
    EXPECT_EQ(puffer->mPuffer, nullptr);
    Velm_Initialdaten d{daten, sizeof daten, 0};
    puffer->SchreibeInhalt(d);

    Velm_Renderziel* ziel = Ziel(64, 64);
    K().SetRenderZiel(ziel);
    EXPECT_GT(mBrueche.Anzahl(), 0);

    Plattform::SetzeVideoSpeicherBudget(0);
    EXPECT_EQ(Zeige(statisch), 0x00FF00u);
    EXPECT_EQ(Zeige(dynamisch), 0xFF0000u);
    puffer->Benutzen();
    EXPECT_EQ(puffer->mZustand, Velm_ObjektResident);
    K().SetRenderZiel(ziel);
    EXPECT_NE(ziel->mFarbe[0], nullptr);
}

// Binding a target stamps neither it nor its texture: both go first. Evicted while bound, it gets
// a new device object at its next use, so binding it again must reach the device even though the
// cache still holds it.
TEST_F(GpuObjekte, RenderzieleStempelnNichtGehenZuerstUndWerdenNeuGebunden) {
    Velm_Renderziel* ziel = Ziel(32, 32);
    Vergehe(10);
    K().SetRenderZiel(ziel);
    EXPECT_EQ(Velm_Screen3D::SchaffeVideoRAMPlatz(&K()), 2u);
    Z().Null();
    K().SetRenderZiel(ziel);
    EXPECT_EQ(Z().Zahl("SetRenderTarget"), 1);
    EXPECT_EQ(std::vector({ziel->mZustand, ziel->mBeschreibung.mTexturen[0]->mZustand}),
              std::vector<uint32_t>({Velm_ObjektResident, Velm_ObjektResident}));
}

TEST_F(GpuObjekte, GeraeteverlustUndResetBringenDenInhaltZurueck) {
    Velm_Textur* statisch = Einfarbig(0xFF00FF00);
    Velm_Textur* dynamisch = Einfarbig(0xFFFF0000, FLAG_DYNAMISCH);
    float daten[4] = {1, 2, 3, 4};
    Velm_VertexBuffer* puffer = VertexPuffer(daten, sizeof daten);
    Velm_Renderziel* ziel = Ziel(64, 32);
    K().SetRenderZiel(ziel);
    EXPECT_EQ(Zeige(statisch), 0x00FF00u);

    // Lost at the present, not yet resettable at the first check, reset at the second.
    Plattform::ErzwingeGeraeteVerlust(2);
    Z().Null();
    K().Praesentieren();
    K().Impl().PruefeGeraet();
    EXPECT_TRUE(K().Impl().IstGeraetVerloren());
    K().Impl().PruefeGeraet();
    EXPECT_FALSE(K().Impl().IstGeraetVerloren());
    EXPECT_EQ(Z().Zahl("Reset"), 1);
    EXPECT_TRUE(mLog.Enthaelt("ReInit Darstellung: Device zurücksetzen"));

    // Everything was released for the reset and comes back with its content at its next use.
    EXPECT_EQ(puffer->mZustand, Velm_ObjektFreigegeben);
    EXPECT_EQ(Zeige(statisch), 0x00FF00u);
    EXPECT_EQ(Zeige(dynamisch), 0xFF0000u);
    puffer->Benutzen();
    EXPECT_EQ(puffer->mZustand, Velm_ObjektResident);

    // The drawn target is volatile: it can be drawn again after the reset.
    K().SetRenderZiel(ziel);
    K().Leeren(1, TAlphaFarbe{0, 1, 1, 1});
    EXPECT_EQ(Zeige(ziel->mBeschreibung.mTexturen[0]), 0x00FFFFu);
    EXPECT_EQ(mBrueche.Anzahl(), 0);
}

// A GPU reset the driver reports at the present: the frame's test waits while the driver still
// reports it, then the reset makes a new context. Textures with kept content, a render target drawn
// every frame, buffers, shaders and a blend state serve again in it; the frame comes out as before,
// and the new context sees no name of the old one (that would be an OpenGL error). A driver that
// refuses the new context for longer than one reset tries leaves the frames drawing into nothing,
// with no check report, until a later frame's reset gets one.
TEST_F(GpuObjekte, NachGpuResetGleichesBildImNeuenKontext) {
    Plattform::BeobachteGlFehler(true);
    const uint64_t fehler = Plattform::GlFehlerAnzahl();
    const auto muster = rendertest::Einfarbig(64, 32, 0xFF400000);
    TBereich rechts = muster->LockBereich();
    rechts.mDaten += 32 * 4;
    rechts.mBreite = 32;
    rendertest::Fuelle(rechts, 0xFF004000);
    Velm_Textur* statisch = Textur(*muster);
    Velm_Textur* dynamisch = Einfarbig(0xFF000030, FLAG_DYNAMISCH);
    Velm_Renderziel* ziel = Ziel(64, 32);
    Velm_AlphaZustand* addiere = Blend(Velm_BlendEins, Velm_BlendEins);
    // The static texture added into the cleared target, the target over the back buffer and the
    // dynamic texture added over that.
    const auto bild = [&] {
        K().SetRenderZiel(ziel);
        K().Leeren(1, TAlphaFarbe{0, 0, 0.5f, 1});
        Zeige(statisch, addiere, false);
        Leere();
        Zeige(ziel->mBeschreibung.mTexturen[0], nullptr, false);
        Zeige(dynamisch, addiere, false);
        return std::vector<uint8_t>(mRueck.mDaten, mRueck.mDaten + mRueck.mPitch * mRueck.mHoehe);
    };
    const std::vector<uint8_t> vorher = bild();
    EXPECT_EQ(std::pair(P(10, 16) & 0xFFFFFF, P(50, 16) & 0xFFFFFF), std::pair(0x4000B0u, 0x0040B0u));

    for (const int fehlversuche : {0, Velm_ZeichenKontextImplDX9::kResetVersuche + 2}) {
        SCOPED_TRACE(fehlversuche);
        Plattform::ErzwingeKontextVerlust(1);
        Plattform::ErzwingeKontextFehler(uint32_t(fehlversuche));
        Z().Null();
        K().Praesentieren();
        EXPECT_TRUE(K().Impl().IstGeraetVerloren());
        int bilder = 0;
        for (; bilder < 5 && K().Impl().IstGeraetVerloren(); ++bilder) {
            bild();
            K().Praesentieren();
        }
        EXPECT_FALSE(K().Impl().IstGeraetVerloren());
        EXPECT_EQ(bilder, fehlversuche == 0 ? 1 : 2);
        EXPECT_EQ(std::pair(Z().Zahl("TestCooperativeLevel"), Z().Zahl("Reset")),
                  std::pair(1 + bilder, 1 + fehlversuche));
        EXPECT_EQ(bild(), vorher);
    }
    EXPECT_EQ(Plattform::GlFehlerAnzahl(), fehler);
    EXPECT_EQ(mBrueche.Anzahl(), 0);
    Plattform::BeobachteGlFehler(false);
}

TEST_F(GpuObjekte, VerlorenWaehrendMinimiertWirdErstNachDemWiederherstellenZurueckgesetzt) {
    Plattform::ErzwingeGeraeteVerlust(0);
    Velm_System::Global().mPraesenz = Velm_System::Minimiert;
    Z().Null();
    K().Praesentieren();
    K().Impl().PruefeGeraet();
    EXPECT_EQ(Z().Zahl("TestCooperativeLevel"), 0);
    Velm_System::Global().mPraesenz = Velm_System::Inaktiv;
    K().Impl().PruefeGeraet();
    EXPECT_FALSE(K().Impl().IstGeraetVerloren());
    EXPECT_EQ(Z().Zahl("Reset"), 1);
}

// A reset forgets the bound states and their shadows and sets the render area to the back buffer.
// It leaves the back buffer and the device's own depth surface bound, as creation does; a target
// without a depth buffer bound afterwards must not keep that smaller depth surface.
TEST_F(GpuObjekte, ResetSetztDenZustandZurueckUndZieleTragenKeineFremdeTiefe) {
    Velm_AlphaZustand* blend = Blend(Velm_BlendEins, Velm_BlendEins);
    K().SetAlphaZustand(blend);
    K().SetRenderBereich(1, 2, 3, 4);
    EXPECT_TRUE(K().Zuruecksetzen());
    EXPECT_EQ(std::pair(K().mBereichBreite, K().mBereichHoehe), std::pair(uint64_t(64), uint64_t(32)));
    Z().Null();
    K().SetAlphaZustand(blend);
    EXPECT_EQ(Z().mRenderZustaende[D3DRS_ALPHABLENDENABLE], 1); // the shadows were forgotten too

    Velm_Renderziel* ziel = Ziel(128, 64);
    K().SetRenderZiel(ziel);
    K().Leeren(1, TAlphaFarbe{1, 1, 0, 1});
    // The middle of the target lies outside the 64 x 32 depth surface of the back buffer.
    EXPECT_EQ(Zeige(ziel->mBeschreibung.mTexturen[0]), 0xFFFF00u);
}

// Windowed, the display mode may be larger than the back buffer; the read stays inside the buffer.
TEST_F(GpuObjekte, BildschirmInhaltNachDerGroesseDesRueckpuffers) {
    K().Leeren(1, TAlphaFarbe{1, 0, 0, 1});
    Velm_Screen3D::mDarstellung = {128, 64, 0, 0};
    const auto bild = rendertest::Einfarbig(128, 64, 0);
    K().LiesBildschirmInhalt(*bild);
    EXPECT_EQ(Pixel(*bild, 63, 31), 0xFFFF0000u);
    EXPECT_EQ(Pixel(*bild, 64, 32), 0u);
    Velm_Screen3D::mDarstellung = {kBreite, kHoehe, 0, 0};
}

// A device that stays lost is not waited for forever: the reset gives up without a check report,
// and the next frame's test tries again.
TEST_F(GpuObjekte, ResetVersuchtEsImNaechstenBildWieder) {
    Plattform::ErzwingeGeraeteVerlust(Velm_ZeichenKontextImplDX9::kResetVersuche + 5);
    K().Praesentieren();
    Z().Null();
    EXPECT_TRUE(K().Zuruecksetzen());
    EXPECT_EQ(Z().Zahl("Reset"), Velm_ZeichenKontextImplDX9::kResetVersuche);
    // The device still counts as lost; once it can be reset, a frame's test does it.
    for (int i = 0; i < 10 && K().Impl().IstGeraetVerloren(); ++i) {
        K().Impl().PruefeGeraet();
    }
    EXPECT_FALSE(K().Impl().IstGeraetVerloren());
    EXPECT_EQ(Z().Zahl("Reset"), Velm_ZeichenKontextImplDX9::kResetVersuche + 1);
    EXPECT_EQ(mBrueche.Anzahl(), 0);
}

// The statistics count by class; at shut-down the objects never released are listed and deleted.
TEST_F(GpuObjekte, StatistikUndNichtFreigegebene) {
    Velm_Textur* t = Einfarbig(0xFF000000, FLAG_DYNAMISCH);
    float daten[256] = {};
    VertexPuffer(daten, sizeof daten);
    Velm_Screen3D::ZeigeVideoRAM("");
    for (const char* zeile : {"Insgesamt 4 Resourcen mit einer Gesamtgröße von schätzungsweise 17 kb.",
                              "1 VertexBuffer (1 kb)", "1 Texturen (16 kb)", "  davon 1 dynamisch (16 kb)",
                              "0 Renderziele, 0 Sampler-Konfigs, 1 Alpha-Konfigs, 1 Alpha-Zustände"}) {
        EXPECT_TRUE(mLog.Enthaelt(zeile)) << zeile;
    }
    const std::string zeile = "class Velm_Textur mit AllocID " + std::to_string(t->mAllocId);
    mBehalten.clear();
    Schliesse();
    EXPECT_TRUE(mLog.Enthaelt(zeile + " nicht freigegeben."));
    EXPECT_TRUE(mLog.Enthaelt("class Velm_VertexBuffer mit AllocID"));
    EXPECT_EQ(mLog.Anzahl("nicht freigegeben."), 2); // the default states are no leaks
}

} // namespace
