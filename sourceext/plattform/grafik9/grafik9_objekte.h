#pragma once
// The objects behind the Direct3D 9 interfaces: reference counting shared by all of them, and the
// resources (textures, surfaces, buffers, declarations, shaders) with their OpenGL names.

#include "plattform/grafik9/d3d9.h"
#include "plattform/grafik9/gl_formate.h"
#include "plattform/grafik9/gl_kopf.h"

#include <memory>
#include <vector>

namespace Plattform {

class Geraet;

// Two counts keep an object alive: the engine's references (AddRef/Release) and the device's own
// for everything it has bound. The engine compares raw pointers of bound objects, so a bound
// object must not die (and its address be reused) before it is unbound.
class ObjektBasis {
public:
    ObjektBasis(const ObjektBasis&) = delete;
    ObjektBasis& operator=(const ObjektBasis&) = delete;

    void HalteIntern();
    void LasseIntern();
    uint32_t ExternZahl() const { return mExtern; }
    // Whether the engine still references the object or a part of it (a texture's levels).
    virtual bool VonAussenGehalten() const { return mExtern > 0; }
    Geraet* GibGeraet() const { return mGeraet; }

    // Default-pool objects count against the video-memory budget and are checked by Reset.
    uint64_t mVideoBytes = 0;
    bool mImStandardPool = false;

protected:
    // Objects the device makes for itself start without an engine reference.
    ObjektBasis(Geraet* geraet, bool extern_);
    virtual ~ObjektBasis();

    ULONG Hoch();
    ULONG Runter();
    // Both counts are zero: the object goes, unless it belongs to another one.
    virtual void Unbenutzt() { delete this; }
    virtual void WiederBenutzt() {}
    // The engine dropped its last reference.
    virtual void ExternFrei() {}

    Geraet* mGeraet;

private:
    uint32_t mExtern;
    uint32_t mIntern = 0;
};

template <class Schnittstelle> class Objekt : public Schnittstelle, public ObjektBasis {
public:
    ULONG AddRef() override { return Hoch(); }
    ULONG Release() override { return Runter(); }

protected:
    Objekt(Geraet* geraet, bool extern_) : ObjektBasis(geraet, extern_) {}
};

class TexturBasis;

// A surface is a level of a texture (or a cube face of one), a depth buffer, or plain memory of
// the system pool that UpdateSurface uploads from.
class Oberflaeche final : public Objekt<IDirect3DSurface9> {
public:
    enum class Art { TexturStufe, Tiefe, Speicher };

    static Oberflaeche* MachStufe(TexturBasis& textur, uint32_t seite, uint32_t stufe);
    static Oberflaeche* MachTiefe(Geraet& geraet, const GlFormat& format, uint32_t breite, uint32_t hoehe,
                                  bool extern_);
    static Oberflaeche* MachSpeicher(Geraet& geraet, const GlFormat& format, uint32_t breite, uint32_t hoehe,
                                     D3DPOOL pool);

    HRESULT GetDesc(D3DSURFACE_DESC* beschreibung) override;
    HRESULT LockRect(D3DLOCKED_RECT* gesperrt, const RECT* bereich, DWORD flags) override;
    HRESULT UnlockRect() override;
    // The texture goes; nobody holds its levels any more.
    void LoeseVonTextur();

    Art mArt;
    const GlFormat* mFormat;
    uint32_t mBreite;
    uint32_t mHoehe;
    D3DPOOL mPool;
    TexturBasis* mTextur = nullptr; // the owner of a texture level
    uint32_t mSeite = 0;
    uint32_t mStufe = 0;
    GLuint mPuffer = 0;             // renderbuffer of a depth surface
    std::vector<uint8_t> mSpeicher; // content of a system-pool surface
    bool mGesperrt = false;

private:
    Oberflaeche(Geraet* geraet, bool extern_) : Objekt(geraet, extern_) {}
    ~Oberflaeche() override;
    void Unbenutzt() override;
    void WiederBenutzt() override;
};

// What 2D and cube textures share: the GL texture, its levels, their surfaces and their locks.
class TexturBasis {
public:
    TexturBasis(ObjektBasis& objekt, GLenum ziel, uint32_t seiten);
    virtual ~TexturBasis();

    // Allocates every level; false when OpenGL runs out of memory.
    bool Anlegen(const GlFormat& format, uint32_t breite, uint32_t hoehe, uint32_t stufen, DWORD usage);
    uint64_t Bytes() const;
    uint32_t StufenBreite(uint32_t stufe) const;
    uint32_t StufenHoehe(uint32_t stufe) const;
    GLenum SeitenZiel(uint32_t seite) const;

    HRESULT GibOberflaeche(uint32_t seite, uint32_t stufe, IDirect3DSurface9** oberflaeche);
    // The level's surface without a reference, for the device's own bindings.
    Oberflaeche* Stufe(uint32_t seite, uint32_t stufe);
    bool StufeGehalten() const;
    HRESULT Sperre(uint32_t seite, uint32_t stufe, D3DLOCKED_RECT* gesperrt, const RECT* bereich,
                   DWORD flags);
    HRESULT Entsperre(uint32_t seite, uint32_t stufe);
    HRESULT StufenBeschreibung(uint32_t stufe, D3DSURFACE_DESC* beschreibung) const;
    // Writes a rectangle of one level from tightly packed rows.
    void LadeHoch(uint32_t seite, uint32_t stufe, uint32_t x, uint32_t y, uint32_t breite, uint32_t hoehe,
                  const void* daten);
    // Before sampling: regenerates the levels of an automatic chain whose level 0 changed.
    void ErneuereMips();
    void MipsErneuern();

    ObjektBasis& mObjekt;
    GLuint mId = 0;
    GLenum mZiel;
    uint32_t mSeiten;
    const GlFormat* mFormat = nullptr;
    uint32_t mBreite = 0;
    uint32_t mHoehe = 0;
    uint32_t mStufen = 0; // levels allocated in GL
    DWORD mUsage = 0;
    bool mAutoMips = false;
    bool mMipsVeraltet = false;
    bool mIstRueckpuffer = false;

private:
    struct Sperrung {
        bool aktiv = false;
        RECT bereich{};
        std::vector<uint8_t> daten;
    };
    uint32_t Index(uint32_t seite, uint32_t stufe) const { return seite * mStufen + stufe; }
    std::vector<Oberflaeche*> mOberflaechen; // owned; made on first request
    std::vector<Sperrung> mSperrungen;
};

class Textur2D final : public Objekt<IDirect3DTexture9>, public TexturBasis {
public:
    Textur2D(Geraet* geraet, bool extern_);

    DWORD GetLevelCount() override;
    void GenerateMipSubLevels() override;
    HRESULT GetLevelDesc(UINT stufe, D3DSURFACE_DESC* beschreibung) override;
    HRESULT GetSurfaceLevel(UINT stufe, IDirect3DSurface9** oberflaeche) override;
    HRESULT LockRect(UINT stufe, D3DLOCKED_RECT* gesperrt, const RECT* bereich, DWORD flags) override;
    HRESULT UnlockRect(UINT stufe) override;
    bool VonAussenGehalten() const override { return ExternZahl() > 0 || StufeGehalten(); }

private:
    ~Textur2D() override;
};

class WuerfelTextur final : public Objekt<IDirect3DCubeTexture9>, public TexturBasis {
public:
    explicit WuerfelTextur(Geraet* geraet);

    DWORD GetLevelCount() override;
    void GenerateMipSubLevels() override;
    HRESULT GetLevelDesc(UINT stufe, D3DSURFACE_DESC* beschreibung) override;
    HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES seite, UINT stufe, IDirect3DSurface9** oberflaeche) override;
    HRESULT LockRect(D3DCUBEMAP_FACES seite, UINT stufe, D3DLOCKED_RECT* gesperrt, const RECT* bereich,
                     DWORD flags) override;
    HRESULT UnlockRect(D3DCUBEMAP_FACES seite, UINT stufe) override;
    bool VonAussenGehalten() const override { return ExternZahl() > 0 || StufeGehalten(); }

private:
    ~WuerfelTextur() override;
};

// The texture behind a texture interface the engine passes in, or null.
TexturBasis* AlsTextur(IDirect3DBaseTexture9* textur);

// Vertex and index buffers: a GL buffer and a main-memory staging copy that locks write into.
class PufferBasis {
public:
    PufferBasis() = default;
    ~PufferBasis();
    bool Anlegen(uint32_t groesse, DWORD usage);
    HRESULT Sperre(UINT versatz, UINT groesse, void** daten, DWORD flags);
    HRESULT Entsperre();

    GLuint mId = 0;
    uint32_t mGroesse = 0;
    DWORD mUsage = 0;

private:
    std::vector<uint8_t> mStaging;
    bool mGesperrt = false;
    uint32_t mSperrVersatz = 0;
    uint32_t mSperrGroesse = 0;
    bool mVerwerfen = false;
};

class VertexPuffer final : public Objekt<IDirect3DVertexBuffer9>, public PufferBasis {
public:
    explicit VertexPuffer(Geraet* geraet);
    HRESULT Lock(UINT versatz, UINT groesse, void** daten, DWORD flags) override;
    HRESULT Unlock() override;

private:
    ~VertexPuffer() override;
};

class IndexPuffer final : public Objekt<IDirect3DIndexBuffer9>, public PufferBasis {
public:
    explicit IndexPuffer(Geraet* geraet);
    HRESULT Lock(UINT versatz, UINT groesse, void** daten, DWORD flags) override;
    HRESULT Unlock() override;

    GLenum mIndexTyp = GL_UNSIGNED_SHORT;
    uint32_t mIndexBytes = 2;

private:
    ~IndexPuffer() override;
};

// One vertex element as OpenGL reads it: POSITION0 at location 0, TEXCOORDn at n + 1.
struct Attribut {
    uint32_t strom;
    uint32_t versatz;
    GLuint ort;
    GLint komponenten;
    GLenum typ;
    GLboolean normiert;
};

class Deklaration final : public Objekt<IDirect3DVertexDeclaration9> {
public:
    explicit Deklaration(Geraet* geraet) : Objekt(geraet, true) {}
    std::vector<Attribut> mAttribute;
};

class ShaderObjekt {
public:
    ShaderObjekt() = default;
    ~ShaderObjekt();
    GLuint mId = 0;
    uint32_t mRegister = 0;
    uint32_t mSampler = 0;
};

class VertexShaderObjekt final : public Objekt<IDirect3DVertexShader9>, public ShaderObjekt {
public:
    explicit VertexShaderObjekt(Geraet* geraet) : Objekt(geraet, true) {}

private:
    ~VertexShaderObjekt() override;
};

class PixelShaderObjekt final : public Objekt<IDirect3DPixelShader9>, public ShaderObjekt {
public:
    explicit PixelShaderObjekt(Geraet* geraet) : Objekt(geraet, true) {}

private:
    ~PixelShaderObjekt() override;
};

} // namespace Plattform
