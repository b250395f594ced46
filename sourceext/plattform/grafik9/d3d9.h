#pragma once
// Direct3D 9 as the engine calls it: the interface objects, calls, structures and constants of
// the drawing context and its resources, implemented over OpenGL 3.3 core (see grafik9_geraet.h).

#include "plattform/d3d9typen/d3d9typen.h"

constexpr UINT D3D_SDK_VERSION = 32;
constexpr UINT D3DADAPTER_DEFAULT = 0;

// Colours are packed A << 24 | R << 16 | G << 8 | B.
using D3DCOLOR = DWORD;

constexpr DWORD MachVierZeichenKode(char a, char b, char c, char d) {
    return DWORD(BYTE(a)) | DWORD(BYTE(b)) << 8 | DWORD(BYTE(c)) << 16 | DWORD(BYTE(d)) << 24;
}

enum D3DFORMAT : DWORD {
    D3DFMT_UNKNOWN = 0,
    D3DFMT_A8R8G8B8 = 21,
    D3DFMT_X8R8G8B8 = 22,
    D3DFMT_R5G6B5 = 23,
    D3DFMT_X1R5G5B5 = 24,
    D3DFMT_A8 = 28,
    D3DFMT_A2B10G10R10 = 31,
    D3DFMT_G16R16 = 34,
    D3DFMT_A16B16G16R16 = 36,
    D3DFMT_D32 = 71,
    D3DFMT_D24S8 = 75,
    D3DFMT_D24X8 = 77,
    D3DFMT_D16 = 80,
    D3DFMT_INDEX16 = 101,
    D3DFMT_INDEX32 = 102,
    D3DFMT_R16F = 111,
    D3DFMT_G16R16F = 112,
    D3DFMT_A16B16G16R16F = 113,
    D3DFMT_R32F = 114,
    D3DFMT_G32R32F = 115,
    D3DFMT_A32B32G32R32F = 116,
    D3DFMT_DXT1 = MachVierZeichenKode('D', 'X', 'T', '1'),
    D3DFMT_DXT3 = MachVierZeichenKode('D', 'X', 'T', '3'),
    D3DFMT_DXT5 = MachVierZeichenKode('D', 'X', 'T', '5'),
};

enum D3DDEVTYPE : DWORD { D3DDEVTYPE_HAL = 1, D3DDEVTYPE_REF = 2 };
enum D3DRESOURCETYPE : DWORD {
    D3DRTYPE_SURFACE = 1,
    D3DRTYPE_TEXTURE = 3,
    D3DRTYPE_CUBETEXTURE = 5,
    D3DRTYPE_VERTEXBUFFER = 6,
    D3DRTYPE_INDEXBUFFER = 7,
};
enum D3DPOOL : DWORD { D3DPOOL_DEFAULT = 0, D3DPOOL_MANAGED = 1, D3DPOOL_SYSTEMMEM = 2, D3DPOOL_SCRATCH = 3 };
enum D3DMULTISAMPLE_TYPE : DWORD { D3DMULTISAMPLE_NONE = 0 };
enum D3DSWAPEFFECT : DWORD { D3DSWAPEFFECT_DISCARD = 1, D3DSWAPEFFECT_FLIP = 2, D3DSWAPEFFECT_COPY = 3 };
enum D3DBACKBUFFER_TYPE : DWORD { D3DBACKBUFFER_TYPE_MONO = 0 };
enum D3DPRIMITIVETYPE : DWORD {
    D3DPT_POINTLIST = 1,
    D3DPT_LINELIST = 2,
    D3DPT_LINESTRIP = 3,
    D3DPT_TRIANGLELIST = 4,
    D3DPT_TRIANGLESTRIP = 5,
    D3DPT_TRIANGLEFAN = 6,
};
enum D3DCUBEMAP_FACES : DWORD {
    D3DCUBEMAP_FACE_POSITIVE_X = 0,
    D3DCUBEMAP_FACE_NEGATIVE_X = 1,
    D3DCUBEMAP_FACE_POSITIVE_Y = 2,
    D3DCUBEMAP_FACE_NEGATIVE_Y = 3,
    D3DCUBEMAP_FACE_POSITIVE_Z = 4,
    D3DCUBEMAP_FACE_NEGATIVE_Z = 5,
};

// Behaviour flags of CreateDevice; the engine passes 0x52.
constexpr DWORD D3DCREATE_FPU_PRESERVE = 0x02;
constexpr DWORD D3DCREATE_PUREDEVICE = 0x10;
constexpr DWORD D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x40;

constexpr DWORD D3DPRESENTFLAG_LOCKABLE_BACKBUFFER = 0x1;
constexpr UINT D3DPRESENT_INTERVAL_DEFAULT = 0;
constexpr UINT D3DPRESENT_INTERVAL_ONE = 1;
constexpr UINT D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000u;

constexpr DWORD D3DUSAGE_RENDERTARGET = 0x1;
constexpr DWORD D3DUSAGE_DEPTHSTENCIL = 0x2;
constexpr DWORD D3DUSAGE_WRITEONLY = 0x8;
constexpr DWORD D3DUSAGE_DYNAMIC = 0x200;
constexpr DWORD D3DUSAGE_AUTOGENMIPMAP = 0x400;

constexpr DWORD D3DLOCK_READONLY = 0x10;
constexpr DWORD D3DLOCK_NOOVERWRITE = 0x1000;
constexpr DWORD D3DLOCK_DISCARD = 0x2000;

constexpr DWORD D3DCLEAR_TARGET = 0x1;
constexpr DWORD D3DCLEAR_ZBUFFER = 0x2;
constexpr DWORD D3DCLEAR_STENCIL = 0x4;

// Stream frequencies: stream 0 with INDEXEDDATA | n draws n instances, streams with
// INSTANCEDATA | 1 advance once per instance.
constexpr UINT D3DSTREAMSOURCE_INDEXEDDATA = 1u << 30;
constexpr UINT D3DSTREAMSOURCE_INSTANCEDATA = 2u << 30;

constexpr DWORD D3DPTFILTERCAPS_MINFANISOTROPIC = 0x400;
constexpr DWORD D3DPTFILTERCAPS_MAGFANISOTROPIC = 0x04000000;

constexpr DWORD D3DVS_VERSION(DWORD gross, DWORD klein) {
    return 0xFFFE0000u | gross << 8 | klein;
}
constexpr DWORD D3DPS_VERSION(DWORD gross, DWORD klein) {
    return 0xFFFF0000u | gross << 8 | klein;
}

enum D3DRENDERSTATETYPE : DWORD {
    D3DRS_ZENABLE = 7,
    D3DRS_ZWRITEENABLE = 14,
    D3DRS_SRCBLEND = 19,
    D3DRS_DESTBLEND = 20,
    D3DRS_CULLMODE = 22,
    D3DRS_ZFUNC = 23,
    D3DRS_ALPHABLENDENABLE = 27,
    D3DRS_COLORWRITEENABLE = 168,
    D3DRS_BLENDOP = 171,
    D3DRS_SEPARATEALPHABLENDENABLE = 206,
    D3DRS_SRCBLENDALPHA = 207,
    D3DRS_DESTBLENDALPHA = 208,
    D3DRS_BLENDOPALPHA = 209,
};

enum D3DBLEND : DWORD {
    D3DBLEND_ZERO = 1,
    D3DBLEND_ONE = 2,
    D3DBLEND_SRCCOLOR = 3,
    D3DBLEND_INVSRCCOLOR = 4,
    D3DBLEND_SRCALPHA = 5,
    D3DBLEND_INVSRCALPHA = 6,
    D3DBLEND_DESTALPHA = 7,
    D3DBLEND_INVDESTALPHA = 8,
    D3DBLEND_DESTCOLOR = 9,
    D3DBLEND_INVDESTCOLOR = 10,
};
enum D3DBLENDOP : DWORD {
    D3DBLENDOP_ADD = 1,
    D3DBLENDOP_SUBTRACT = 2,
    D3DBLENDOP_REVSUBTRACT = 3,
    D3DBLENDOP_MIN = 4,
    D3DBLENDOP_MAX = 5,
};
enum D3DCMPFUNC : DWORD {
    D3DCMP_NEVER = 1,
    D3DCMP_LESS = 2,
    D3DCMP_EQUAL = 3,
    D3DCMP_LESSEQUAL = 4,
    D3DCMP_GREATER = 5,
    D3DCMP_NOTEQUAL = 6,
    D3DCMP_GREATEREQUAL = 7,
    D3DCMP_ALWAYS = 8,
};
enum D3DCULL : DWORD { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };
enum D3DZBUFFERTYPE : DWORD { D3DZB_FALSE = 0, D3DZB_TRUE = 1 };

constexpr DWORD D3DCOLORWRITEENABLE_RED = 1;
constexpr DWORD D3DCOLORWRITEENABLE_GREEN = 2;
constexpr DWORD D3DCOLORWRITEENABLE_BLUE = 4;
constexpr DWORD D3DCOLORWRITEENABLE_ALPHA = 8;

enum D3DSAMPLERSTATETYPE : DWORD {
    D3DSAMP_ADDRESSU = 1,
    D3DSAMP_ADDRESSV = 2,
    D3DSAMP_ADDRESSW = 3,
    D3DSAMP_BORDERCOLOR = 4,
    D3DSAMP_MAGFILTER = 5,
    D3DSAMP_MINFILTER = 6,
    D3DSAMP_MIPFILTER = 7,
    D3DSAMP_MIPMAPLODBIAS = 8,
    D3DSAMP_MAXMIPLEVEL = 9,
    D3DSAMP_MAXANISOTROPY = 10,
};
enum D3DTEXTUREFILTERTYPE : DWORD {
    D3DTEXF_NONE = 0,
    D3DTEXF_POINT = 1,
    D3DTEXF_LINEAR = 2,
    D3DTEXF_ANISOTROPIC = 3,
};
enum D3DTEXTUREADDRESS : DWORD {
    D3DTADDRESS_WRAP = 1,
    D3DTADDRESS_MIRROR = 2,
    D3DTADDRESS_CLAMP = 3,
    D3DTADDRESS_BORDER = 4,
};

// Samplers 0..15 belong to the pixel shader, D3DVERTEXTEXTURESAMPLER0..3 to the vertex shader.
constexpr DWORD D3DVERTEXTEXTURESAMPLER0 = 257;

enum D3DDECLTYPE : BYTE {
    D3DDECLTYPE_FLOAT1 = 0,
    D3DDECLTYPE_FLOAT2 = 1,
    D3DDECLTYPE_FLOAT3 = 2,
    D3DDECLTYPE_FLOAT4 = 3,
    D3DDECLTYPE_D3DCOLOR = 4,
    D3DDECLTYPE_UBYTE4 = 5,
    D3DDECLTYPE_SHORT2 = 6,
    D3DDECLTYPE_SHORT4 = 7,
    D3DDECLTYPE_UBYTE4N = 8,
    D3DDECLTYPE_SHORT2N = 9,
    D3DDECLTYPE_SHORT4N = 10,
    D3DDECLTYPE_USHORT2N = 11,
    D3DDECLTYPE_USHORT4N = 12,
    D3DDECLTYPE_FLOAT16_2 = 15,
    D3DDECLTYPE_FLOAT16_4 = 16,
    D3DDECLTYPE_UNUSED = 17,
};
enum D3DDECLMETHOD : BYTE { D3DDECLMETHOD_DEFAULT = 0 };
enum D3DDECLUSAGE : BYTE { D3DDECLUSAGE_POSITION = 0, D3DDECLUSAGE_TEXCOORD = 5 };

struct D3DVERTEXELEMENT9 {
    WORD Stream; // 0xFF ends the list
    WORD Offset;
    BYTE Type;
    BYTE Method;
    BYTE Usage;
    BYTE UsageIndex;
};
constexpr D3DVERTEXELEMENT9 D3DDECL_END = {0xFF, 0, D3DDECLTYPE_UNUSED, 0, 0, 0};

struct D3DPRESENT_PARAMETERS {
    UINT BackBufferWidth;  // windowed 0 = the window's client width
    UINT BackBufferHeight; // windowed 0 = the window's client height
    D3DFORMAT BackBufferFormat;
    UINT BackBufferCount;
    D3DMULTISAMPLE_TYPE MultiSampleType;
    DWORD MultiSampleQuality;
    D3DSWAPEFFECT SwapEffect;
    HWND hDeviceWindow;
    BOOL Windowed;
    BOOL EnableAutoDepthStencil;
    D3DFORMAT AutoDepthStencilFormat;
    DWORD Flags;
    UINT FullScreen_RefreshRateInHz;
    UINT PresentationInterval;
};

// The capabilities the engine reads.
struct D3DCAPS9 {
    D3DDEVTYPE DeviceType;
    UINT AdapterOrdinal;
    DWORD TextureFilterCaps;
    DWORD MaxTextureWidth;
    DWORD MaxTextureHeight;
    DWORD MaxAnisotropy;
    DWORD NumSimultaneousRTs;
    DWORD VertexShaderVersion;
    DWORD MaxVertexShaderConst;
    DWORD PixelShaderVersion;
};

struct D3DADAPTER_IDENTIFIER9 {
    char Driver[512];
    char Description[512];
    char DeviceName[32];
    DWORD VendorId;
    DWORD DeviceId;
};

struct D3DVIEWPORT9 {
    DWORD X;
    DWORD Y;
    DWORD Width;
    DWORD Height;
    float MinZ;
    float MaxZ;
};

struct D3DLOCKED_RECT {
    INT Pitch; // bytes per row; for DXT bytes per row of 4 x 4 blocks
    void* pBits;
};

struct D3DSURFACE_DESC {
    D3DFORMAT Format;
    D3DRESOURCETYPE Type;
    DWORD Usage;
    D3DPOOL Pool;
    D3DMULTISAMPLE_TYPE MultiSampleType;
    DWORD MultiSampleQuality;
    UINT Width;
    UINT Height;
};

struct IDirect3DDevice9;

struct IDirect3DSurface9 : IUnknown {
    virtual HRESULT GetDesc(D3DSURFACE_DESC* beschreibung) = 0;
    virtual HRESULT LockRect(D3DLOCKED_RECT* gesperrt, const RECT* bereich, DWORD flags) = 0;
    virtual HRESULT UnlockRect() = 0;
};

struct IDirect3DBaseTexture9 : IUnknown {
    virtual DWORD GetLevelCount() = 0;
    virtual void GenerateMipSubLevels() = 0;
};

struct IDirect3DTexture9 : IDirect3DBaseTexture9 {
    virtual HRESULT GetLevelDesc(UINT stufe, D3DSURFACE_DESC* beschreibung) = 0;
    virtual HRESULT GetSurfaceLevel(UINT stufe, IDirect3DSurface9** oberflaeche) = 0;
    virtual HRESULT LockRect(UINT stufe, D3DLOCKED_RECT* gesperrt, const RECT* bereich, DWORD flags) = 0;
    virtual HRESULT UnlockRect(UINT stufe) = 0;
};

struct IDirect3DCubeTexture9 : IDirect3DBaseTexture9 {
    virtual HRESULT GetLevelDesc(UINT stufe, D3DSURFACE_DESC* beschreibung) = 0;
    virtual HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES seite, UINT stufe,
                                      IDirect3DSurface9** oberflaeche) = 0;
    virtual HRESULT LockRect(D3DCUBEMAP_FACES seite, UINT stufe, D3DLOCKED_RECT* gesperrt,
                             const RECT* bereich, DWORD flags) = 0;
    virtual HRESULT UnlockRect(D3DCUBEMAP_FACES seite, UINT stufe) = 0;
};

struct IDirect3DVertexBuffer9 : IUnknown {
    virtual HRESULT Lock(UINT versatz, UINT groesse, void** daten, DWORD flags) = 0;
    virtual HRESULT Unlock() = 0;
};

struct IDirect3DIndexBuffer9 : IUnknown {
    virtual HRESULT Lock(UINT versatz, UINT groesse, void** daten, DWORD flags) = 0;
    virtual HRESULT Unlock() = 0;
};

struct IDirect3DVertexDeclaration9 : IUnknown {};
struct IDirect3DVertexShader9 : IUnknown {};
struct IDirect3DPixelShader9 : IUnknown {};

struct IDirect3DSwapChain9 : IUnknown {
    virtual HRESULT GetBackBuffer(UINT nummer, D3DBACKBUFFER_TYPE typ, IDirect3DSurface9** oberflaeche) = 0;
};

struct IDirect3DDevice9 : IUnknown {
    virtual HRESULT TestCooperativeLevel() = 0;
    virtual HRESULT GetDeviceCaps(D3DCAPS9* faehigkeiten) = 0;
    virtual HRESULT GetSwapChain(UINT nummer, IDirect3DSwapChain9** kette) = 0;
    virtual HRESULT Reset(D3DPRESENT_PARAMETERS* parameter) = 0;
    virtual HRESULT Present(const RECT* quelle, const RECT* ziel, HWND fenster,
                            const void* schmutzRegion) = 0;
    virtual HRESULT GetBackBuffer(UINT kette, UINT nummer, D3DBACKBUFFER_TYPE typ,
                                  IDirect3DSurface9** oberflaeche) = 0;

    virtual HRESULT CreateTexture(UINT breite, UINT hoehe, UINT stufen, DWORD usage, D3DFORMAT format,
                                  D3DPOOL pool, IDirect3DTexture9** textur, void** teilen) = 0;
    virtual HRESULT CreateCubeTexture(UINT kante, UINT stufen, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DCubeTexture9** textur, void** teilen) = 0;
    virtual HRESULT CreateVertexBuffer(UINT laenge, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       IDirect3DVertexBuffer9** puffer, void** teilen) = 0;
    virtual HRESULT CreateIndexBuffer(UINT laenge, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DIndexBuffer9** puffer, void** teilen) = 0;
    virtual HRESULT CreateDepthStencilSurface(UINT breite, UINT hoehe, D3DFORMAT format,
                                              D3DMULTISAMPLE_TYPE mehrfach, DWORD qualitaet, BOOL verwerfen,
                                              IDirect3DSurface9** oberflaeche, void** teilen) = 0;
    virtual HRESULT CreateOffscreenPlainSurface(UINT breite, UINT hoehe, D3DFORMAT format, D3DPOOL pool,
                                                IDirect3DSurface9** oberflaeche, void** teilen) = 0;
    virtual HRESULT UpdateSurface(IDirect3DSurface9* quelle, const RECT* quellBereich,
                                  IDirect3DSurface9* ziel, const POINT* zielPunkt) = 0;

    virtual HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* oberflaeche) = 0;
    virtual HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** oberflaeche) = 0;
    virtual HRESULT SetDepthStencilSurface(IDirect3DSurface9* oberflaeche) = 0;
    virtual HRESULT GetDepthStencilSurface(IDirect3DSurface9** oberflaeche) = 0;
    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    virtual HRESULT Clear(DWORD anzahl, const RECT* bereiche, DWORD flags, D3DCOLOR farbe, float z,
                          DWORD schablone) = 0;
    virtual HRESULT SetViewport(const D3DVIEWPORT9* bereich) = 0;
    virtual HRESULT GetViewport(D3DVIEWPORT9* bereich) = 0;
    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE zustand, DWORD wert) = 0;
    virtual HRESULT GetRenderState(D3DRENDERSTATETYPE zustand, DWORD* wert) = 0;
    virtual HRESULT SetTexture(DWORD sampler, IDirect3DBaseTexture9* textur) = 0;
    virtual HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE zustand, DWORD wert) = 0;
    virtual HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE zustand, DWORD* wert) = 0;
    virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE typ, INT basisVertex, UINT kleinsterIndex,
                                         UINT vertexAnzahl, UINT startIndex, UINT primitivAnzahl) = 0;

    virtual HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* elemente,
                                            IDirect3DVertexDeclaration9** deklaration) = 0;
    virtual HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* deklaration) = 0;
    virtual HRESULT CreateVertexShader(const DWORD* kode, IDirect3DVertexShader9** shader) = 0;
    virtual HRESULT SetVertexShader(IDirect3DVertexShader9* shader) = 0;
    virtual HRESULT SetVertexShaderConstantF(UINT start, const float* werte, UINT anzahl) = 0;
    virtual HRESULT CreatePixelShader(const DWORD* kode, IDirect3DPixelShader9** shader) = 0;
    virtual HRESULT SetPixelShader(IDirect3DPixelShader9* shader) = 0;
    virtual HRESULT SetPixelShaderConstantF(UINT start, const float* werte, UINT anzahl) = 0;
    virtual HRESULT SetStreamSource(UINT strom, IDirect3DVertexBuffer9* puffer, UINT versatz,
                                    UINT schritt) = 0;
    virtual HRESULT SetStreamSourceFreq(UINT strom, UINT teiler) = 0;
    virtual HRESULT SetIndices(IDirect3DIndexBuffer9* puffer) = 0;
};

struct IDirect3D9 : IUnknown {
    virtual UINT GetAdapterCount() = 0;
    virtual HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* kennung) = 0;
    virtual HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE typ, D3DFORMAT anzeigeFormat, DWORD usage,
                                      D3DRESOURCETYPE art, D3DFORMAT format) = 0;
    virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE typ, HWND fenster, DWORD verhalten,
                                 D3DPRESENT_PARAMETERS* parameter, IDirect3DDevice9** geraet) = 0;
    // What a device on the adapter can do, asked before one is created.
    virtual HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE typ, D3DCAPS9* faehigkeiten) = 0;
};

// Null for any SDK version but 32. Whether OpenGL 3.3 core can be had through EGL shows at
// CreateDevice, which then answers D3DERR_NOTAVAILABLE (the reason goes out as a layer line).
IDirect3D9* Direct3DCreate9(UINT sdkVersion);
