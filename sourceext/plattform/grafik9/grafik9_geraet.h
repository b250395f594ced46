#pragma once
// The Direct3D 9 device over OpenGL 3.3 core. Everything, the back buffer included, is drawn into
// framebuffer objects stored with row 0 at the top, as Direct3D stores surfaces; the shaders'
// epilogue adds Direct3D 9's half-pixel offset and the flip, and Present blits the back buffer
// flipped to the window. Its members are spread by topic: creation, reset and present in
// grafik9_geraet.cpp, the Create functions in grafik9_ressourcen.cpp, binding and drawing in
// grafik9_zeichnen.cpp, the OpenGL context and its reset in grafik9_kontext.cpp.

#include "plattform/grafik9/d3d9.h"
#include "plattform/grafik9/egl_anbindung.h"
#include "plattform/grafik9/grafik9_programme.h"
#include "plattform/grafik9/grafik9_puffer.h"
#include "plattform/grafik9/grafik9_texturen.h"
#include "plattform/grafik9/grafik9_zustand.h"

#include <array>
#include <memory>
#include <unordered_set>

namespace Plattform {

class Tauschkette;

class Geraet final : public Objekt<IDirect3DDevice9> {
public:
    static constexpr uint32_t kPixelSampler = 16;
    static constexpr uint32_t kVertexSampler = 4;
    static constexpr uint32_t kSamplerPlaetze = GlZustand::kSamplerPlaetze;
    static constexpr uint32_t kVertexEinheit = 16;  // texture unit of vertex sampler 0
    static constexpr uint32_t kArbeitsEinheit = 31; // uploads bind here, away from the samplers
    static constexpr uint32_t kStroeme = 8;
    static constexpr uint32_t kZiele = 4;
    static constexpr uint32_t kVsRegister = 256;
    static constexpr uint32_t kPsRegister = 224;

    // Null with the result when the context or the back buffer cannot be made.
    static Geraet* Erzeuge(HWND fenster, D3DPRESENT_PARAMETERS& parameter, HRESULT& ergebnis);
    // What a device can do before one is made: the existing device's, else those of a context
    // made for the question alone.
    static HRESULT AdapterFaehigkeiten(D3DCAPS9& faehigkeiten);

    HRESULT TestCooperativeLevel() override;
    HRESULT GetDeviceCaps(D3DCAPS9* faehigkeiten) override;
    HRESULT GetSwapChain(UINT nummer, IDirect3DSwapChain9** kette) override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* parameter) override;
    HRESULT Present(const RECT* quelle, const RECT* ziel, HWND fenster, const void* schmutzRegion) override;
    HRESULT GetBackBuffer(UINT kette, UINT nummer, D3DBACKBUFFER_TYPE typ,
                          IDirect3DSurface9** oberflaeche) override;

    HRESULT CreateTexture(UINT breite, UINT hoehe, UINT stufen, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture9** textur, void** teilen) override;
    HRESULT CreateCubeTexture(UINT kante, UINT stufen, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DCubeTexture9** textur, void** teilen) override;
    HRESULT CreateVertexBuffer(UINT laenge, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer9** puffer, void** teilen) override;
    HRESULT CreateIndexBuffer(UINT laenge, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer9** puffer, void** teilen) override;
    HRESULT CreateDepthStencilSurface(UINT breite, UINT hoehe, D3DFORMAT format, D3DMULTISAMPLE_TYPE mehrfach,
                                      DWORD qualitaet, BOOL verwerfen, IDirect3DSurface9** oberflaeche,
                                      void** teilen) override;
    HRESULT CreateOffscreenPlainSurface(UINT breite, UINT hoehe, D3DFORMAT format, D3DPOOL pool,
                                        IDirect3DSurface9** oberflaeche, void** teilen) override;
    HRESULT UpdateSurface(IDirect3DSurface9* quelle, const RECT* quellBereich, IDirect3DSurface9* ziel,
                          const POINT* zielPunkt) override;

    HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* oberflaeche) override;
    HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** oberflaeche) override;
    HRESULT SetDepthStencilSurface(IDirect3DSurface9* oberflaeche) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface9** oberflaeche) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD anzahl, const RECT* bereiche, DWORD flags, D3DCOLOR farbe, float z,
                  DWORD schablone) override;
    HRESULT SetViewport(const D3DVIEWPORT9* bereich) override;
    HRESULT GetViewport(D3DVIEWPORT9* bereich) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE zustand, DWORD wert) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE zustand, DWORD* wert) override;
    HRESULT SetTexture(DWORD sampler, IDirect3DBaseTexture9* textur) override;
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE zustand, DWORD wert) override;
    HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE zustand, DWORD* wert) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE typ, INT basisVertex, UINT kleinsterIndex,
                                 UINT vertexAnzahl, UINT startIndex, UINT primitivAnzahl) override;

    HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* elemente,
                                    IDirect3DVertexDeclaration9** deklaration) override;
    HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* deklaration) override;
    HRESULT CreateVertexShader(const DWORD* kode, IDirect3DVertexShader9** shader) override;
    HRESULT SetVertexShader(IDirect3DVertexShader9* shader) override;
    HRESULT SetVertexShaderConstantF(UINT start, const float* werte, UINT anzahl) override;
    HRESULT CreatePixelShader(const DWORD* kode, IDirect3DPixelShader9** shader) override;
    HRESULT SetPixelShader(IDirect3DPixelShader9* shader) override;
    HRESULT SetPixelShaderConstantF(UINT start, const float* werte, UINT anzahl) override;
    HRESULT SetStreamSource(UINT strom, IDirect3DVertexBuffer9* puffer, UINT versatz, UINT schritt) override;
    HRESULT SetStreamSourceFreq(UINT strom, UINT teiler) override;
    HRESULT SetIndices(IDirect3DIndexBuffer9* puffer) override;

    // For the resources: default-pool bookkeeping (budget, the reset check).
    // Default-pool objects are counted against the budget until they go.
    bool PasstInBudget(uint64_t bytes) const;
    void NimmInStandardPool(ObjektBasis& objekt, uint64_t bytes);
    void NimmAusStandardPool(ObjektBasis& objekt);
    // Managed-pool objects are brought back when a GPU reset takes the context.
    void NimmAusVerwaltetemPool(ObjektBasis& objekt);
    // Into the bookkeeping of the default or the managed pool.
    void NimmInPool(ObjektBasis& objekt, D3DPOOL pool, uint64_t bytes);
    // The shader goes: its programs with it.
    void VergissProgramme(ShaderObjekt* shader);
    // False only between a GPU reset and the Reset that gets a new context: meanwhile the device
    // acts as a lost one, whose draws succeed and do nothing, and shaders compile in the new one.
    bool HatKontext() const { return mEgl != nullptr; }
    // Reads a rectangle of a colour render target into tightly packed rows.
    void LiesZiel(const TexturBasis& textur, uint32_t seite, uint32_t stufe, const RECT& bereich, void* ziel);

private:
    struct Strom {
        VertexPuffer* puffer = nullptr;
        uint32_t versatz = 0;
        uint32_t schritt = 0;
        uint32_t frequenz = 1;
    };
    enum class Lage { Gut, Verloren, NichtZurueckgesetzt };

    Geraet();
    ~Geraet() override;
    void ExternFrei() override;

    HRESULT Einrichten(HWND fenster, D3DPRESENT_PARAMETERS& parameter);
    // The device's own objects and capabilities in a context just made current.
    void RichteKontextEin();
    // What the current context can do, as Direct3D 9 reports it; the anisotropy's limit also as
    // the float the sampler objects take.
    static D3DCAPS9 LiesFaehigkeiten(float& hoechsteAnisotropie);
    // After the swap: a context the driver reset is lost for good, and so is the device.
    HRESULT PruefeRuecksetzung();
    uint32_t RuecksetzStatus();
    // TestCooperativeLevel after such a reset.
    HRESULT KooperationNachRuecksetzung();
    // Reset after such a reset: a new context on the same window, and in it everything the device
    // keeps beyond the default pool; false when no context can be had yet.
    bool ErneuereKontext();
    HRESULT PruefeParameter(D3DPRESENT_PARAMETERS& parameter) const;
    HRESULT LegeRueckpufferAn();
    void LoeseAlles();
    void SetzeStandardZustand();
    // Reads and compiles a new shader's blob and keeps the shader for the next context; false
    // when the blob is not one of the stage or does not compile.
    bool NimmShader(ShaderObjekt& shader, const DWORD* kode, uint32_t stufe, uint32_t hoechstRegister,
                    uint32_t hoechstSampler);
    HRESULT LegeTexturAn(TexturBasis& textur, UINT breite, UINT hoehe, UINT stufen, DWORD usage,
                         D3DFORMAT format, D3DPOOL pool);
    Oberflaeche* Rueckpuffer() const;
    void BindeZiele();
    void ZielGeaendert();
    bool BereiteZeichnenVor();
    void BaueAttribute();
    template <class T> void Binde(T*& platz, T* neu);

    std::unique_ptr<EglKontext> mEgl;
    HWND mFenster = nullptr;
    D3DPRESENT_PARAMETERS mParameter{};
    D3DCAPS9 mFaehigkeiten{};
    Lage mLage = Lage::Gut;
    uint32_t mVerlorenAntworten = 0;
    bool mKontextVerloren = false; // the driver reset the context: Reset must make a new one
    uint32_t mLaufendGemeldet = 0; // TestCooperativeLevel's answers while the reset is reported

    Textur2D* mRueckpufferTextur = nullptr; // held internally, like the automatic depth buffer
    Oberflaeche* mAutoTiefe = nullptr;
    Tauschkette* mKette = nullptr;

    GLuint mFbo = 0;
    GLuint mLeseFbo = 0;
    GLuint mVao = 0;
    std::array<Oberflaeche*, kZiele> mZiele{};
    Oberflaeche* mTiefe = nullptr;
    bool mZieleVeraltet = true;

    D3DVIEWPORT9 mViewport{};
    GlZustand mZustand;
    std::array<TexturBasis*, kSamplerPlaetze> mTexturen{};
    std::array<Strom, kStroeme> mStroeme{};
    IndexPuffer* mIndizes = nullptr;
    Deklaration* mDeklaration = nullptr;
    VertexShaderObjekt* mVs = nullptr;
    PixelShaderObjekt* mPs = nullptr;
    bool mAttributeVeraltet = true;
    uint32_t mAktiveOrte = 0; // enabled attribute locations

    std::array<float, kVsRegister * 4> mVsKonstanten{};
    std::array<float, kPsRegister * 4> mPsKonstanten{};
    uint64_t mVsStand = 1;
    uint64_t mPsStand = 1;
    ProgrammSpeicher mProgramme;
    Programm* mProgramm = nullptr;
    bool mProgrammVeraltet = true;

    bool mSzene = false;
    std::unordered_set<ObjektBasis*> mStandardObjekte;
    std::unordered_set<ObjektBasis*> mVerwalteteObjekte;
    // Compiled again in a new context from their GLSL.
    std::unordered_set<ShaderObjekt*> mShader;

    friend class Tauschkette;
};

} // namespace Plattform
