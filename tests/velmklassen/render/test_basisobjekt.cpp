// GPU objects over their life: eviction by age when video memory runs out, creation failures that
// leave an object without its device object, device loss and reset with the content coming back,
// the statistics and the report of objects never released. Then the objects one by one: textures,
// cube textures, depth buffers, vertex and index buffers and the vertex input layout, with the flags
// a texture forces on itself, initial content and its take-over, partial writes and invalid input.

#include "testhilfe.h"

#include "velmklassen/kern/velm_system.h"
#include "velmklassen/kern/velm_zeitgeber.h"
#include "velmklassen/render/velm_internhelfer.h"
#include "velmklassen/render/velm_wuerfeltextur.h"
#include "velmklassen/render/velm_zbuffer.h"

#include <cstring>
#include <tuple>

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
// and the new context sees no name of the old one (that would be an OpenGL error).
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

    Plattform::ErzwingeKontextVerlust(1);
    Z().Null();
    K().Praesentieren();
    EXPECT_TRUE(K().Impl().IstGeraetVerloren());
    bild();
    K().Praesentieren();
    EXPECT_FALSE(K().Impl().IstGeraetVerloren());
    EXPECT_EQ(std::pair(Z().Zahl("TestCooperativeLevel"), Z().Zahl("Reset")), std::pair(2, 1));
    EXPECT_EQ(bild(), vorher);
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

// A device that stays lost is not waited for forever: the reset gives up and says so.
TEST_F(GpuObjekte, ResetGibtNachBegrenztenVersuchenAuf) {
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
    EXPECT_EQ(mBrueche.Anzahl(), 1);
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

TEST_F(Puffer, EingabenUndIhreGrenzen) {
    constexpr int F2 = D3DDECLTYPE_FLOAT2, F3 = D3DDECLTYPE_FLOAT3, F4 = D3DDECLTYPE_FLOAT4;
    constexpr int T = D3DDECLUSAGE_TEXCOORD, P = D3DDECLUSAGE_POSITION;
    const Element ende{0xFF, 0, D3DDECLTYPE_UNUSED, 0, 0};
    Velm_VertexEingabe* e = Behalte(K().ErzeugeVertexEingabe());
    e->AddKanal(0, Velm_VertexFloat2, 0, false);
    e->AddKanal(1, Velm_VertexFloat3, 0, true);
    e->AddKanal(1, Velm_VertexFloat2, 12, true);
    e->AddKanal(1, Velm_VertexFloat4, 20, true);
    e->Beenden();
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

    // Instanced and per-vertex on one stream, a stream and a type out of range: all refused.
    Velm_VertexEingabe* f = Behalte(K().ErzeugeVertexEingabe());
    f->AddKanal(0, Velm_VertexFloat2, 0, false);
    f->AddKanal(0, Velm_VertexFloat2, 8, true);
    f->AddKanal(4, Velm_VertexFloat2, 0, false);
    f->AddKanal(0, 13, 0, false);
    EXPECT_EQ(mBrueche.Anzahl(), 3);

    // The device list holds 16 elements, a matrix one per row: a position, three matrices and
    // three vectors fill it; a matrix more is refused although only eight calls were made.
    Velm_VertexEingabe* voll = Behalte(K().ErzeugeVertexEingabe());
    voll->AddKanal(0, Velm_VertexFloat4, 0, false);
    for (int i = 0; i < 3; ++i) {
        voll->AddKanal(1, Velm_VertexFloat4x4, 64 * i, true);
        voll->AddKanal(0, Velm_VertexFloat4, 16 + 16 * i, false);
    }
    mBrueche.Null();
    voll->AddKanal(1, Velm_VertexFloat4x4, 192, true);
    voll->Beenden();
    EXPECT_EQ(mBrueche.Anzahl(), 1);
    EXPECT_EQ(voll->mElemente[15].UsageIndex, 14u);
    EXPECT_EQ(voll->mElemente[16].Stream, 0xFFu);

    // Sixteen calls, then the seventeenth is refused.
    Velm_VertexEingabe* v = Behalte(K().ErzeugeVertexEingabe());
    for (int i = 0; i < 16; ++i) {
        v->AddKanal(0, Velm_VertexFloat1, 4 * i, false);
    }
    mBrueche.Null();
    v->AddKanal(0, Velm_VertexFloat1, 64, false);
    EXPECT_EQ(mBrueche.Anzahl(), 1);
}

} // namespace
