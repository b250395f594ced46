#pragma once
// The Direct3D 9 back end of the drawing context: the device, a shadow of every state it sets so
// that only real changes reach the device, the shader constant banks uploaded in dirty ranges
// before each draw, the scene begun once per frame, reset, presentation and device loss. Its members
// lie in velm_geraetdx9.cpp (creation, reset, presentation, loss) and velm_zeichenkontextimpldx9.cpp
// (states and draws).

#include "plattform/grafik9/d3d9.h"
#include "velmklassen/render/velm_programm.h"

#include <cstdint>

class Velm_AlphaZustand;
class Velm_BasisObjekt;
class Velm_Bild;
class Velm_IndexBuffer;
class Velm_Renderziel;
class Velm_Sampler;
class Velm_TiefeZustand;
class Velm_VertexBuffer;
class Velm_ZeichenKontext;
struct TAlphaFarbe;

class Velm_ZeichenKontextImplDX9 {
public:
    static constexpr uint64_t kVsRegister = 256;
    static constexpr uint64_t kPsRegister = 224;
    static constexpr uint64_t kRegister = kVsRegister + kPsRegister;
    static constexpr uint32_t kPixelSampler = 16;
    static constexpr uint32_t kVertexSampler = 4;
    // How often one reset tries while the device still reports itself lost, before the frame goes
    // on and the next frame's test tries again.
    static constexpr int kResetVersuche = 100;

    // The waits of reset (100 ms) and of a lost device (50 ms); tests replace them.
    using SchlafFunktion = void (*)(uint32_t millisekunden);
    static SchlafFunktion sSchlafe;

    // Creates the device on the screen's window; a device that cannot be made (no Direct3D, no
    // device for the window) leaves a "!" line and no device, without a check report: it is the
    // player's system, not the engine's code, that lacks it. While the object lives, the graphics
    // layer's lines go to the log, so its cause stands on the line before.
    explicit Velm_ZeichenKontextImplDX9(Velm_ZeichenKontext& front);
    ~Velm_ZeichenKontextImplDX9();
    Velm_ZeichenKontextImplDX9(const Velm_ZeichenKontextImplDX9&) = delete;
    Velm_ZeichenKontextImplDX9& operator=(const Velm_ZeichenKontextImplDX9&) = delete;

    // The largest texture the adapter's device will take, asked before the device exists; 0 x 0
    // when the adapter cannot be asked.
    static void GroessteTextur(uint64_t& breite, uint64_t& hoehe);

    IDirect3DDevice9* Geraet() const { return mGeraet; }
    // Puts another device object in front of the device (tests count the calls through one);
    // returns the one used before.
    IDirect3DDevice9* TauscheGeraet(IDirect3DDevice9* geraet);
    const char* VertexProfil() const { return mVsProfil; }
    const char* PixelProfil() const { return mPsProfil; }
    D3DFORMAT TiefenFormat() const { return mParameter.AutoDepthStencilFormat; }
    bool IstGeraetVerloren() const { return mGeraetVerloren; }

    void SetzeStandardZustand();
    void SetRenderZiel(Velm_Renderziel* ziel);
    void SetRenderBereich(uint64_t x, uint64_t y, uint64_t breite, uint64_t hoehe);
    void Leeren(uint32_t flags, const TAlphaFarbe& farbe);
    void SetRueckseite();
    void SetProgramm(Velm_Programm* programm);
    void SetProgrammKonstante(Velm_KonstantenHandle handle, float x, float y, float z, float w);
    void SetTiefeZustand(Velm_TiefeZustand* zustand);
    void SetAlphaZustand(Velm_AlphaZustand* zustand);
    void SetVertexBuffer(uint64_t kanal, Velm_VertexBuffer* puffer, uint64_t schritt);
    void SetIndexBuffer(Velm_IndexBuffer* puffer);
    void SetTextur(Velm_SamplerHandle handle, Velm_Sampler* sampler, Velm_BasisObjekt* textur);
    void InternVorZeichenAufruf(uint64_t instanzen);
    void StartZeichnen();
    void BeendeZeichnen();
    void ZeichneIndexElemente();
    void ZeichneIndexInstanzen(uint64_t anzahl);
    bool LiesBildschirmInhalt(Velm_Bild& bild);

    // Device side of a reset: ends the scene, lets go of the back buffer, resets, fetches it again.
    void Zuruecksetzen();
    void Praesentieren();
    // Once per frame while the device is lost.
    void PruefeGeraet();
    // Releases the surfaces, the device and the interface.
    void Beende();

    // Shader constant banks: registers 0-255 vertex, then 224 pixel; dirty ranges [first, end).
    float mKonstanten[kRegister][4] = {};
    uint64_t mVsErster = kRegister;
    uint64_t mVsEnde = 0;
    uint64_t mPsErster = kRegister;
    uint64_t mPsEnde = 0;

private:
    // Wider than the device values, so that "unknown" is a value no real setting has.
    struct SamplerSchatten {
        IDirect3DBaseTexture9* mTextur;
        uint64_t mFilter;
        uint64_t mAdressierung;
        uint64_t mRandFarbe;
        uint64_t mMaxMip;
        uint64_t mMaxAnisotropie;
    };
    enum Schatten : uint32_t {
        kZEnable,
        kZWriteEnable,
        kZFunc,
        kAlphaBlendEnable,
        kBlendOp,
        kSrcBlend,
        kDestBlend,
        kSeparateAlpha,
        kBlendOpAlpha,
        kSrcBlendAlpha,
        kDestBlendAlpha,
        kColorWriteEnable,
        kSchattenAnzahl,
    };

    void SetzeZustand(Schatten schatten, D3DRENDERSTATETYPE zustand, uint32_t wert, const char* fehler,
                      const char* funktion);
    // False, with a "!" line, when the device cannot be made.
    bool ErzeugeGeraet(UINT adapter, D3DDEVTYPE typ);
    void ZeichneQuad(uint64_t instanzen, const char* funktion);
    void HoleRueckpuffer();
    void PruefeKooperation();
    void SetzeSampler(SamplerSchatten& schatten, DWORD nummer, Velm_Sampler* sampler,
                      IDirect3DBaseTexture9* textur);

    Velm_ZeichenKontext& mFront;
    IDirect3D9* mD3D = nullptr;
    IDirect3DDevice9* mGeraet = nullptr;
    bool mGeraetVerloren = false;
    D3DPRESENT_PARAMETERS mParameter{};
    const char* mVsProfil = nullptr;
    const char* mPsProfil = nullptr;
    IDirect3DSurface9* mRueckpuffer = nullptr;
    IDirect3DSurface9* mTiefe = nullptr;

    IDirect3DSurface9* mGebundeneTiefe = nullptr;
    IDirect3DSurface9* mGebundeneFarbe[4] = {};
    IDirect3DVertexDeclaration9* mDeklaration = nullptr;
    IDirect3DVertexShader9* mVertexShader = nullptr;
    IDirect3DPixelShader9* mPixelShader = nullptr;
    uint64_t mZustaende[kSchattenAnzahl] = {};
    SamplerSchatten mSampler[kPixelSampler + kVertexSampler] = {};
    uint32_t mFrequenz[4] = {};
    bool mSzeneBegonnen = false;
};
