#include "velmklassen/render/velm_blockgfx3d.h"

#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_segmentleser.h"
#include "velmklassen/kern/velm_speicher.h"
#include "velmklassen/render/velm_indexbuffer.h"
#include "velmklassen/render/velm_pixelshader.h"
#include "velmklassen/render/velm_screen3d.h"
#include "velmklassen/render/velm_textur.h"
#include "velmklassen/render/velm_vertexbuffer.h"
#include "velmklassen/render/velm_vertexeingabe.h"
#include "velmklassen/render/velm_vertexshader.h"
#include "velmklassen/render/velm_zeichenkontext.h"
#include "velmklassen/render/velm_zustaende.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <mutex>

namespace {

// Every quad is the unit square stretched, turned about its pivot and placed in pixels (y down);
// the texture bounds keep point sampling inside the graphic, by up to 8 texels when minified.
const char* const kVertexShader = R"(
float2 gQuellGroesse;
float2 gZielGroesse;
$rein float2 vertexPos;
$rein float3 instZielPos;
$rein float2 instGroesse;
$rein float4 instGrafik;
$rein float4 instFarbe;
$rein float2 instParam;
$raus float4 fragPos;
$raus float4 fragFarbe;
$raus float2 fragTex;
$raus float4 fragTexGrenz;
#ifdef ROTIERT
$raus float4 fragRotMatrix;
#endif
$main() {
    float s = sin( instParam.x);
    float c = cos( instParam.x);
    float2 vx = float2( c, s);
    float2 vy = float2( -s, c);
    float2 q = (vertexPos - instParam.yy) * instGroesse;
    float2 p = instZielPos.xy + q.x * vx + q.y * vy;
#if GRAFIK_DIRECTX == 9
    p -= float2( 0.5, 0.5);
#endif
    fragPos = float4( 2 * p.x * gZielGroesse.x - 1, 1 - 2 * p.y * gZielGroesse.y, instZielPos.z, 1);
    fragFarbe = instFarbe;
    fragTex = (instGrafik.xy + vertexPos * instGrafik.zw) * gQuellGroesse;
    float r = min( abs( instGroesse.x) / instGrafik.z, abs( instGroesse.y) / instGrafik.w);
    r = exp2( floor( log2( r)));
    float b = 0.5 / clamp( r, 1.0 / 16.0, 1.0);
    fragTexGrenz = float4( instGrafik.xy + b, instGrafik.xy + instGrafik.zw - b) * gQuellGroesse.xyxy;
#ifdef ROTIERT
    fragRotMatrix = float4( vx, vy);
#endif
}
)";

// Texels are straight alpha; the output is premultiplied, and a negative alpha adds. Normal-map
// sprites hold a tangent-space direction in red and green that turns with the quad.
const char* const kPixelShader = R"(
DEF_SAMPLER_2D( Textur);
$rein float4 fragFarbe;
$rein float2 fragTex;
$rein float4 fragTexGrenz;
#ifdef ROTIERT
$rein float4 fragRotMatrix;
#endif
$raus float4 ergFarbe;
$main() {
    float2 t = clamp( fragTex, fragTexGrenz.xy, fragTexGrenz.zw);
    float4 f = SAMPLE_2D( Textur, t) * fragFarbe;
#ifdef ROTIERT
    float2 n = 2 * f.rg - 1;
    n = n.x * fragRotMatrix.xy + n.y * fragRotMatrix.zw;
    f.rg = 0.5 * n + 0.5;
    ergFarbe = float4( f.rgb * abs( f.a), f.a);
#else
    ergFarbe = float4( f.rgb * abs( f.a), max( 0.0, f.a));
#endif
}
)";

constexpr uint64_t kStandardKapazitaet = 512;
constexpr uint32_t kQuadBytes = sizeof(Velm_BlockGfxQuad);

struct Programm {
    Velm_VertexShader* vertexShader = nullptr;
    Velm_PixelShader* pixelShader = nullptr;
    Velm_Programm* programm = nullptr;
    Velm_KonstantenHandle quellGroesse = 0;
    Velm_KonstantenHandle zielGroesse = 0;
    Velm_SamplerHandle textur = kVelm_KeinSamplerHandle;
};

// One set for the process. Batchers may be made and destroyed on any thread, so the user count
// is guarded; the objects themselves are only ever used on the main thread.
struct Pipeline {
    uint64_t nutzer = 0;
    Velm_ZeichenKontext* kontext = nullptr; // the context the objects belong to
    uint64_t eingabeSlot = 0;               // where that context registered the input layout
    Velm_VertexEingabe* eingabe = nullptr;
    Velm_VertexBuffer* ecken = nullptr;
    Velm_IndexBuffer* indizes = nullptr;
    Programm programme[2]; // plain, rotated
    Velm_AlphaZustand* blend = nullptr;
    Velm_Sampler* sampler = nullptr;
};
Pipeline gPipeline;
std::mutex gPipelineSperre;

// Whether the objects still live in this context. A context made anew, even at the same address,
// has a fresh registry that does not hold the input layout at its old slot.
bool PipelineLebt(const Velm_ZeichenKontext* k) {
    const Pipeline& p = gPipeline;
    return k != nullptr && k == p.kontext && k->mRegister.IstBelegt(p.eingabeSlot) &&
           k->mRegister[p.eingabeSlot] == p.eingabe;
}

Programm ErzeugeProgramm(Velm_ZeichenKontext& k, bool rotiert) {
    Programm p;
    const Velm_ShaderMakros makros = rotiert ? Velm_ShaderMakros{{"ROTIERT", "1"}} : Velm_ShaderMakros{};
    p.vertexShader = k.ErzeugeVertexShader();
    p.vertexShader->UebersetzeAusString(kVertexShader, makros);
    p.pixelShader = k.ErzeugePixelShader();
    p.pixelShader->UebersetzeAusString(kPixelShader, makros);
    p.programm = k.ErzeugeProgramm(gPipeline.eingabe, p.vertexShader, p.pixelShader);
    p.quellGroesse = p.programm->GetKonstante("gQuellGroesse");
    p.zielGroesse = p.programm->GetKonstante("gZielGroesse");
    p.textur = p.programm->GetSampler("Textur");
    return p;
}

void SchreibeF32BE(TSpeicher& s, float wert) {
    Velm_SchreibeU32BE(s, std::bit_cast<uint32_t>(wert));
}

float LiesF32BE(TSpeicher& s) {
    return std::bit_cast<float>(Velm_LiesU32BE(s));
}

Velm_BlockGfxEintrag MachEintrag(uint64_t x, uint64_t y, uint64_t breite, uint64_t hoehe,
                                 uint64_t atlasBreite, uint64_t atlasHoehe) {
    const float aw = float(std::max<uint64_t>(atlasBreite, 1));
    const float ah = float(std::max<uint64_t>(atlasHoehe, 1));
    return {x,
            y,
            breite,
            hoehe,
            (float(x) + 0.02f) / aw,
            (float(y) + 0.02f) / ah,
            (float(breite) - 0.02f) / aw,
            (float(hoehe) - 0.02f) / ah};
}

// A render-target atlas lives on the device alone; any other is written graphic by graphic.
uint32_t AtlasFlags(uint32_t batcherFlags) {
    return (batcherFlags & Velm_BlockGfx3D::kFlagRenderziel) ? FLAG_RENDERZIEL | FLAG_FLUECHTIG
                                                             : FLAG_DYNAMISCH;
}

// An "FX3D" block as read, before anything of the batcher changes.
struct GelesenerBlock {
    uint64_t kapazitaet = 0;
    bool zentriert = false;
    uint32_t flags = 0;
    uint64_t anzahl = 0;
    TSlotFeld<Velm_BlockGfxEintrag> eintraege;
    TPlatz platz;
    uint64_t breite = 0;
    uint64_t hoehe = 0;
};

// The records, each behind a byte that is 1 for a slot in use.
void LiesEintraege(TSpeicher& speicher, GelesenerBlock& b) {
    b.eintraege.SetKapazitaet(b.anzahl, false);
    for (uint64_t i = 0; i < b.anzahl && !speicher.Ueberlauf(); ++i) {
        if (speicher.LiesU8() != 1) {
            continue;
        }
        Velm_BlockGfxEintrag e;
        e.x = Velm_LiesU32BE(speicher);
        e.y = Velm_LiesU32BE(speicher);
        e.breite = Velm_LiesU32BE(speicher);
        e.hoehe = Velm_LiesU32BE(speicher);
        e.u = LiesF32BE(speicher);
        e.v = LiesF32BE(speicher);
        e.du = LiesF32BE(speicher);
        e.dv = LiesF32BE(speicher);
        b.eintraege.Setze(i, e);
    }
}

// Everything after the magic up to the atlas's pixels: false for a block cut short, or one whose
// sizes its data or the device cannot hold.
bool LiesBlock(TSpeicher& speicher, uint32_t bisherigeFlags, GelesenerBlock& b) {
    const uint32_t version = Velm_LiesU32BE(speicher);
    if (version < 261) {
        speicher.Ueberspringe(8);
    }
    b.kapazitaet = Velm_LiesU32BE(speicher);
    // More quads than any batcher needs: a broken field that would reserve gigabytes.
    constexpr uint64_t kHoechstKapazitaet = uint64_t(1) << 20;
    b.zentriert = speicher.LiesU8() == 1;
    b.flags = version >= 258 ? Velm_LiesU32BE(speicher) : bisherigeFlags;
    speicher.Ueberspringe(4);
    b.anzahl = Velm_LiesU32BE(speicher);
    bool heil = !speicher.Ueberlauf() && b.kapazitaet <= kHoechstKapazitaet &&
                b.anzahl <= speicher.Rest(); // every record takes a byte at least
    if (heil) {
        LiesEintraege(speicher, b);
    }
    heil = heil && !speicher.Ueberlauf() && b.platz.Lade(speicher);
    speicher.Ueberspringe(4);
    b.breite = Velm_LiesU32BE(speicher);
    b.hoehe = version >= 259 ? Velm_LiesU32BE(speicher) : b.breite;
    const Velm_ZeichenKontext* k = Velm_Screen3D::Kontext;
    // Without a context no texture is made; the pixels are bounded by the data all the same.
    const uint64_t grenze =
        k != nullptr ? std::min(k->mFaehigkeiten.mMaxTexturBreite, k->mFaehigkeiten.mMaxTexturHoehe)
                     : UINT32_MAX;
    const bool mitBild = b.breite != 0 && b.hoehe != 0;
    return heil && !speicher.Ueberlauf() &&
           (!mitBild ||
            (b.breite <= grenze && b.hoehe <= grenze && b.hoehe <= speicher.Rest() / 4 / b.breite));
}

} // namespace

void Velm_BlockGfx3D::InternErzeugePipeline() {
    // Without a context the pipeline waits for the first draw.
    Velm_ZeichenKontext* k = Velm_Screen3D::Kontext;
    if (k == nullptr) {
        return;
    }
    Pipeline& p = gPipeline;
    p.kontext = k;
    p.eingabe = k->ErzeugeVertexEingabe();
    p.eingabe->AddKanal(0, Velm_VertexFloat2, 0, false);
    p.eingabe->AddKanal(1, Velm_VertexFloat3, offsetof(Velm_BlockGfxQuad, mZielX), true);
    p.eingabe->AddKanal(1, Velm_VertexFloat2, offsetof(Velm_BlockGfxQuad, mBreite), true);
    p.eingabe->AddKanal(1, Velm_VertexFloat4, offsetof(Velm_BlockGfxQuad, mGrafikX), true);
    p.eingabe->AddKanal(1, Velm_VertexFloat4, offsetof(Velm_BlockGfxQuad, mFarbe), true);
    p.eingabe->AddKanal(1, Velm_VertexFloat2, offsetof(Velm_BlockGfxQuad, mWinkel), true);
    p.eingabe->Beenden();
    p.eingabeSlot = p.eingabe->mSlot;

    float ecken[] = {0, 0, 1, 0, 0, 1, 1, 1};
    Velm_Initialdaten e{ecken, sizeof ecken, 0};
    p.ecken = k->ErzeugeVertexBuffer(0, 0, e);
    uint16_t indizes[] = {0, 1, 2, 1, 3, 2};
    Velm_Initialdaten i{indizes, sizeof indizes, 0};
    p.indizes = k->ErzeugeIndexBuffer(i);

    p.programme[0] = ErzeugeProgramm(*k, false);
    p.programme[1] = ErzeugeProgramm(*k, true);

    p.blend = k->ErzeugeAlphaZustand(Velm_AlphaZustandBeschreibung(Velm_BlendEins, Velm_BlendInvQuellAlpha));
    Velm_SamplerBeschreibung sampler;
    sampler.mFilter = 0;
    sampler.mAdressierung = 1 | 1 << 2 | 1 << 4;
    sampler.mMaxAnisotropie = 16;
    sampler.mRandFarbe[3] = 1;
    p.sampler = k->ErzeugeSampler(sampler);
}

void Velm_BlockGfx3D::InternGibPipelineFrei() {
    Pipeline& p = gPipeline;
    // A context that has gone has deleted its objects with it.
    if (PipelineLebt(Velm_Screen3D::Kontext)) {
        Velm_ZeichenKontext& k = *p.kontext;
        for (Programm& programm : p.programme) {
            k.GibObjektFrei(programm.programm);
            k.GibObjektFrei(programm.vertexShader);
            k.GibObjektFrei(programm.pixelShader);
        }
        k.GibObjektFrei(p.eingabe);
        k.GibObjektFrei(p.ecken);
        k.GibObjektFrei(p.indizes);
        k.GibObjektFrei(p.blend);
        k.GibObjektFrei(p.sampler);
    }
    const uint64_t nutzer = p.nutzer;
    p = Pipeline{};
    p.nutzer = nutzer;
}

Velm_BlockGfx3D::Velm_BlockGfx3D(uint64_t groesse, uint64_t kapazitaet, uint32_t flags) : mFlags(flags) {
    {
        const std::lock_guard<std::mutex> sperre(gPipelineSperre);
        if (gPipeline.nutzer++ == 0) {
            InternErzeugePipeline();
        }
    }
    InternReserviereQuads(kapazitaet);
    InternErzeugeAtlas(groesse);
}

Velm_BlockGfx3D::~Velm_BlockGfx3D() {
    {
        const std::lock_guard<std::mutex> sperre(gPipelineSperre);
        if (--gPipeline.nutzer == 0) {
            InternGibPipelineFrei();
        }
    }
    if (Velm_ZeichenKontext* k = Velm_Screen3D::Kontext) {
        k->GibObjektFrei(mAtlas);
        k->GibObjektFrei(mInstanzen);
    }
}

void Velm_BlockGfx3D::InternReserviereQuads(uint64_t kapazitaet) {
    Velm_ZeichenKontext* k = Velm_Screen3D::Kontext;
    if (k == nullptr) {
        return;
    }
    k->GibObjektFrei(mInstanzen);
    mInstanzen = nullptr;
    mKapazitaet = 0;
    if (kapazitaet == 0) {
        return;
    }
    Velm_Initialdaten keine{};
    mInstanzen = k->ErzeugeVertexBuffer(kapazitaet * kQuadBytes, FLAG_DYNAMISCH | FLAG_FLUECHTIG, keine);
    mKapazitaet = kapazitaet;
}

void Velm_BlockGfx3D::InternErzeugeAtlas(uint64_t groesse) {
    Velm_ZeichenKontext* k = Velm_Screen3D::Kontext;
    if (k == nullptr || (mAtlas != nullptr && mAtlas->mBreite == groesse && mAtlas->mHoehe == groesse)) {
        return;
    }
    // The graphics to place anew, in ascending id order; the old slots are emptied first so that
    // a growth while repacking only copies what already sits in the new atlas.
    struct Alt {
        uint64_t id;
        Velm_BlockGfxEintrag eintrag;
    };
    std::vector<Alt> alte;
    Velm_Bild kopie;
    bool mitInhalt = false;
    if (mAtlas != nullptr) {
        for (uint64_t id = 0; id < mEintraege.Kapazitaet(); ++id) {
            if (mEintraege.IstBelegt(id)) {
                alte.push_back({id, mEintraege[id]});
                mEintraege.Entfernen(id);
            }
        }
        // A volatile atlas keeps no copy: its graphics get new places with undefined content.
        if (mAtlas->mKopie[0].mDaten != nullptr) {
            kopie.SetGroesse(mAtlas->mBreite, mAtlas->mHoehe, Velm_FormatA8R8G8B8, 1);
            mAtlas->mKopie[0].KopiereAus(kopie);
            mitInhalt = true;
        }
        k->GibObjektFrei(mAtlas);
        mAtlas = nullptr;
        mPlatz.Leere();
    }
    if (groesse != 0) {
        mAtlas = k->ErzeugeTextur(groesse, groesse, 0, Velm_FormatA8R8G8B8 | AtlasFlags(mFlags));
        mPlatz.Init(groesse, groesse, mEintraege.Kapazitaet());
    }
    for (const Alt& alt : alte) {
        const Velm_BlockGfxEintrag& e = alt.eintrag;
        if (mitInhalt) {
            AddGrafik(alt.id, kopie, e.x, e.y, e.breite, e.hoehe);
        } else {
            ReservierePlatz(alt.id, e.breite, e.hoehe);
        }
    }
}

const Velm_BlockGfxEintrag* Velm_BlockGfx3D::Platziere(uint64_t id, uint64_t breite, uint64_t hoehe) {
    Velm_ZeichenKontext* k = Velm_Screen3D::Kontext;
    const uint64_t grenze =
        k != nullptr ? std::min(k->mFaehigkeiten.mMaxTexturBreite, k->mFaehigkeiten.mMaxTexturHoehe) : 0;
    uint64_t x = 0;
    uint64_t y = 0;
    // Growing stops at the largest texture the device makes; what exceeds it is not grown for.
    while (mAtlas == nullptr || !mPlatz.FindePlatz(breite, hoehe, x, y)) {
        const uint64_t neu = mAtlas == nullptr ? 512 : std::bit_floor(mAtlas->mHoehe) << 1;
        if (breite > grenze || hoehe > grenze || neu > grenze) {
            Velm_Konsole::Schreibe(
                "!Velm_BlockGfx3D::AddGrafik( %d, ..., %d, %d): Grafik passt in keinen Atlas.", int(id),
                int(breite), int(hoehe));
            return nullptr;
        }
        InternErzeugeAtlas(neu);
    }
    mEintraege.Setze(id, MachEintrag(x, y, breite, hoehe, mAtlas->mBreite, mAtlas->mHoehe));
    mMipsSchmutzig = true;
    return &mEintraege[id];
}

void Velm_BlockGfx3D::AddGrafik(uint64_t id, const TBereich& bild, uint64_t x, uint64_t y, uint64_t breite,
                                uint64_t hoehe) {
    if (bild.mFormat != Velm_FormatA8R8G8B8) {
        Velm_Konsole::Schreibe("!Velm_BlockGfx3D::AddGrafik( %d, ..., %d, %d, %d, %d): Quellgrafik muss vom "
                               "Format A8R8G8B8 sein.",
                               int(id), int(x), int(y), int(breite), int(hoehe));
        return;
    }
    // The region does not know its memory beyond its size: a rectangle outside it would be read
    // from foreign memory.
    if (x > bild.mBreite || breite > bild.mBreite - x || y > bild.mHoehe || hoehe > bild.mHoehe - y) {
        Velm_Konsole::Schreibe(
            "!Velm_BlockGfx3D::AddGrafik( %d, ..., %d, %d, %d, %d): Rechteck liegt außerhalb "
            "der Quellgrafik.",
            int(id), int(x), int(y), int(breite), int(hoehe));
        return;
    }
    const Velm_BlockGfxEintrag* e = Platziere(id, breite, hoehe);
    if (e != nullptr && breite != 0 && hoehe != 0) {
        TBereich quelle = TBereich::LockSubBereich(bild, x, y, breite, hoehe);
        mAtlas->SchreibeTeilInhalt(0, e->x, e->y, quelle);
    }
}

void Velm_BlockGfx3D::ReservierePlatz(uint64_t id, uint64_t breite, uint64_t hoehe) {
    Platziere(id, breite, hoehe);
}

void Velm_BlockGfx3D::Entfernen(uint64_t id) {
    if (!mEintraege.IstBelegt(id)) {
        Velm_Konsole::Schreibe("!Velm_BlockGfx3D::Entfernen( %d): Keine Grafik mit dieser ID definiert.",
                               int(id));
        return;
    }
    mPlatz.GibPlatzFrei(mEintraege[id].x, mEintraege[id].y);
    mEintraege.Entfernen(id);
}

void Velm_BlockGfx3D::ZeichneGrafik(uint64_t id, float x, float y, const TAlphaFarbe& farbe, float breite,
                                    float hoehe, float winkel) {
    ZeichneGrafikMitTiefe(id, x, y, 0.5f, farbe, breite, hoehe, winkel);
}

void Velm_BlockGfx3D::ZeichneGrafikMitTiefe(uint64_t id, float x, float y, float z, const TAlphaFarbe& farbe,
                                            float breite, float hoehe, float winkel) {
    if (!mEintraege.IstBelegt(id)) {
        return;
    }
    const Velm_BlockGfxEintrag& e = mEintraege[id];
    mWarteschlange.push_back({x, y, z, breite != 0 ? breite : float(e.breite),
                              hoehe != 0 ? hoehe : float(e.hoehe), float(e.x), float(e.y), float(e.breite),
                              float(e.hoehe), farbe, winkel, mZentriert ? 0.5f : 0.0f});
}

void Velm_BlockGfx3D::SetZeichenZustand() {
    Velm_ZeichenKontext* k = Velm_Screen3D::Kontext;
    if (k == nullptr) {
        return;
    }
    if (!PipelineLebt(k)) {
        // Made before there was a context, or for one that has been replaced since.
        const std::lock_guard<std::mutex> sperre(gPipelineSperre);
        InternErzeugePipeline();
    }
    if (mInstanzen == nullptr) {
        InternReserviereQuads(kStandardKapazitaet);
    }
    if (mMipsSchmutzig) {
        ErzeugeMipStufen();
    }
    const Programm& p = gPipeline.programme[(mFlags & kFlagRotiert) ? 1 : 0];
    k->SetProgramm(p.programm);
    k->SetSampler(p.textur, gPipeline.sampler, mAtlas);
    const float aw = mAtlas != nullptr ? float(mAtlas->mBreite) : 1.0f;
    const float ah = mAtlas != nullptr ? float(mAtlas->mHoehe) : 1.0f;
    k->SetProgrammKonstante(p.quellGroesse, 1 / aw, 1 / ah, 0, 1);
    k->SetProgrammKonstante(p.zielGroesse, 1 / float(std::max<uint64_t>(k->mBereichBreite, 1)),
                            1 / float(std::max<uint64_t>(k->mBereichHoehe, 1)), 0, 1);
    k->SetAlphaZustand(mAlphaZustand != nullptr ? mAlphaZustand : gPipeline.blend);
    k->SetTiefeZustand(k->mStandardTiefe);
    k->SetVertexBuffer(0, gPipeline.ecken);
    k->SetVertexBuffer(1, mInstanzen);
    k->SetIndexBuffer(gPipeline.indizes);
}

void Velm_BlockGfx3D::ZeichneWarteschlange() {
    Velm_ZeichenKontext* k = Velm_Screen3D::Kontext;
    if (k != nullptr && mInstanzen != nullptr && mKapazitaet != 0) {
        for (uint64_t erster = 0; erster < mWarteschlange.size();) {
            const uint64_t n = std::min<uint64_t>(mKapazitaet, mWarteschlange.size() - erster);
            Velm_Initialdaten daten{&mWarteschlange[erster], n * kQuadBytes, 0};
            mInstanzen->SchreibeInhalt(daten);
            k->ZeichneIndexInstanzen(n);
            erster += n;
        }
    }
    mWarteschlange.clear();
}

void Velm_BlockGfx3D::Zeichne() {
    if (!mWarteschlange.empty()) {
        SetZeichenZustand();
        ZeichneWarteschlange();
    }
}

void Velm_BlockGfx3D::ErzeugeMipStufen() {
    mMipsSchmutzig = false;
    if (mAtlas != nullptr) {
        mAtlas->ErzeugeMipStufen();
    }
}

bool Velm_BlockGfx3D::Laden(TSpeicher& speicher) {
    char magie[4] = {};
    speicher.LiesBlock(magie, 4);
    if (std::memcmp(magie, "FX3D", 4) != 0) {
        return false;
    }
    // Everything is read into the block first: a block that turns out to be broken changes nothing.
    GelesenerBlock block;
    if (!LiesBlock(speicher, mFlags, block)) {
        Velm_Konsole::Schreibe("!Velm_BlockGfx3D::Laden: Block ist abgeschnitten oder beschädigt.");
        return false;
    }
    const bool mitBild = block.breite != 0 && block.hoehe != 0;
    Velm_Bild bild;
    if (mitBild) {
        bild.SetGroesse(block.breite, block.hoehe, Velm_FormatA8R8G8B8, 1);
        for (uint64_t y = 0; y < block.hoehe; ++y) {
            speicher.LiesMemEndianKorrekt(bild.mDaten + y * bild.mPitch, block.breite * 4);
        }
    }
    InternReserviereQuads(block.kapazitaet);
    mZentriert = block.zentriert;
    mFlags = block.flags;
    mEintraege.SetKapazitaet(block.anzahl, false);
    for (uint64_t i = 0; i < block.eintraege.Kapazitaet(); ++i) {
        if (block.eintraege.IstBelegt(i)) {
            mEintraege.Setze(i, block.eintraege[i]);
        }
    }
    mPlatz = std::move(block.platz);
    if (Velm_ZeichenKontext* k = Velm_Screen3D::Kontext) {
        k->GibObjektFrei(mAtlas);
        mAtlas = nullptr;
        if (mitBild) {
            Velm_TexturInhalt inhalt(bild.LockMipStufen());
            mAtlas = k->ErzeugeTextur(block.breite, block.hoehe, 0, Velm_FormatA8R8G8B8 | AtlasFlags(mFlags),
                                      inhalt);
        }
    }
    mMipsSchmutzig = false;
    mPlatz.Init(block.breite, block.hoehe, mEintraege.Kapazitaet());
    return true;
}

void Velm_BlockGfx3D::Speichern(TSpeicher& speicher) const {
    speicher.SchreibeBlock("FX3D", 4);
    Velm_SchreibeU32BE(speicher, kVersion);
    Velm_SchreibeU32BE(speicher, uint32_t(mKapazitaet));
    speicher.SchreibeU8(mZentriert ? 1 : 0);
    Velm_SchreibeU32BE(speicher, mFlags);
    Velm_SchreibeU32BE(speicher, 0);
    Velm_SchreibeU32BE(speicher, uint32_t(mEintraege.Kapazitaet()));
    for (uint64_t i = 0; i < mEintraege.Kapazitaet(); ++i) {
        const bool da = mEintraege.IstBelegt(i);
        speicher.SchreibeU8(da ? 1 : 0);
        if (da) {
            const Velm_BlockGfxEintrag& e = mEintraege[i];
            for (uint64_t wert : {e.x, e.y, e.breite, e.hoehe}) {
                Velm_SchreibeU32BE(speicher, uint32_t(wert));
            }
            for (float wert : {e.u, e.v, e.du, e.dv}) {
                SchreibeF32BE(speicher, wert);
            }
        }
    }
    mPlatz.Speichere(speicher);
    Velm_SchreibeU32BE(speicher, 0);
    const uint64_t breite = mAtlas != nullptr ? mAtlas->mBreite : 0;
    const uint64_t hoehe = mAtlas != nullptr ? mAtlas->mHoehe : 0;
    Velm_SchreibeU32BE(speicher, uint32_t(breite));
    Velm_SchreibeU32BE(speicher, uint32_t(hoehe));
    const TBereich* kopie =
        mAtlas != nullptr && mAtlas->mKopie[0].mDaten != nullptr ? &mAtlas->mKopie[0] : nullptr;
    for (uint64_t y = 0; y < hoehe; ++y) {
        for (uint64_t x = 0; x < breite; ++x) {
            uint32_t pixel = 0;
            if (kopie != nullptr) {
                std::memcpy(&pixel, kopie->mDaten + y * kopie->mPitch + x * 4, 4);
            }
            Velm_SchreibeU32BE(speicher, pixel);
        }
    }
}
