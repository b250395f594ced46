#pragma once
// Textures and surfaces: a GL texture with its levels, each level a surface the engine can hold,
// lock, render into and upload to; depth surfaces and system-memory surfaces beside them.

#include "plattform/grafik9/d3d9.h"
#include "plattform/grafik9/gl_formate.h"
#include "plattform/grafik9/gl_kopf.h"
#include "plattform/grafik9/grafik9_objekt.h"

#include <vector>

namespace Plattform {

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

    // Allocates every level; false when OpenGL runs out of memory. A managed texture keeps a copy
    // of every level in main memory, which locks read and which a new context takes after a
    // GPU reset.
    bool Anlegen(const GlFormat& format, uint32_t breite, uint32_t hoehe, uint32_t stufen, DWORD usage,
                 bool verwaltet);
    // In a new context: the GL texture again, every level from the copy.
    void StelleWiederHer();
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
    bool mSperrbaresZiel = false; // the back buffer of a device made with LOCKABLE_BACKBUFFER

private:
    struct Sperrung {
        bool aktiv = false;
        RECT bereich{};
        std::vector<uint8_t> daten;
    };
    uint32_t Index(uint32_t seite, uint32_t stufe) const { return seite * mStufen + stufe; }
    void LegeGlAn();
    void SendeAnGl(uint32_t seite, uint32_t stufe, uint32_t x, uint32_t y, uint32_t breite, uint32_t hoehe,
                   const void* daten);
    std::vector<Oberflaeche*> mOberflaechen; // owned; made on first request
    std::vector<Sperrung> mSperrungen;
    std::vector<std::vector<uint8_t>> mKopie; // a managed texture's levels, packed
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
    void Wiederherstellen() override { StelleWiederHer(); }

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
    void Wiederherstellen() override { StelleWiederHer(); }

private:
    ~WuerfelTextur() override;
};

// The texture behind a texture interface the engine passes in, or null.
TexturBasis* AlsTextur(IDirect3DBaseTexture9* textur);

} // namespace Plattform
