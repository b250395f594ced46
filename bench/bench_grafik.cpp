// The sprite batcher's load through the Direct3D 9 layer against the same draws in raw
// OpenGL: 1,000 instanced quad draws of 16 sprites each, with the state changes a batcher
// makes (atlas texture, blend mode, constants, a rewritten instance buffer per draw).

#include "plattform/grafik9/d3d9.h"
#include "plattform/shaderkompiler/shaderblob.h"
#include "testhilfen/einheitsquad.h"

#include "bench_gl.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr int kZuege = 1000;
constexpr int kSprites = 16;
constexpr UINT kGroesse = 256;

const char* kVs = R"(#version 330 core
uniform vec4 vs_c[1];
uniform vec4 velm_epilog;
layout(location = 0) in vec2 ecke;
layout(location = 1) in vec4 rechteck;
layout(location = 2) in vec4 farbe;
out vec4 velm_TEXCOORD0;
out vec2 velm_TEXCOORD1;
void main() {
    vec2 p = rechteck.xy + ecke * rechteck.zw;
    gl_Position = vec4(p.x * vs_c[0].x - 1.0, 1.0 - p.y * vs_c[0].y, 0.5, 1.0);
    velm_TEXCOORD0 = farbe;
    velm_TEXCOORD1 = ecke;
    gl_Position.x += velm_epilog.x * gl_Position.w;
    gl_Position.y = velm_epilog.y * gl_Position.w - gl_Position.y;
    gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;
}
)";

const char* kPs = R"(#version 330 core
uniform sampler2D ps_s0;
in vec4 velm_TEXCOORD0;
in vec2 velm_TEXCOORD1;
layout(location = 0) out vec4 velm_COLOR0;
void main() { velm_COLOR0 = texture(ps_s0, velm_TEXCOORD1) * velm_TEXCOORD0; }
)";

struct Sprite {
    float x, y, b, h, r, g, bl, a;
};

std::vector<Sprite> Sprites(int zug) {
    std::vector<Sprite> s(kSprites);
    for (int i = 0; i < kSprites; ++i) {
        s[i] = {float((zug * 7 + i * 13) % 240), float((zug * 3 + i * 29) % 240), 8, 8, 1, 0.5f, 0.25f, 1};
    }
    return s;
}

std::vector<uint8_t> Blob(uint32_t stufe, const char* glsl, uint32_t konstanten, uint32_t sampler) {
    Plattform::ShaderBlob blob{stufe, konstanten, sampler, glsl};
    auto bytes = Plattform::SchreibeShaderBlob(blob);
    bytes.resize((bytes.size() + 3) & ~size_t(3));
    return bytes;
}

IDirect3DDevice9* ErzeugeGeraet(IDirect3D9*& d3d) {
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS p{};
    p.BackBufferWidth = kGroesse;
    p.BackBufferHeight = kGroesse;
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.Windowed = TRUE;
    p.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    p.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    IDirect3DDevice9* geraet = nullptr;
    d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x52, &p, &geraet);
    return geraet;
}

void BM_ZeichneQuads(benchmark::State& state) {
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* g = ErzeugeGeraet(d3d);
    if (g == nullptr) {
        state.SkipWithError("no device");
        return;
    }
    IDirect3DVertexBuffer9* ecken = nullptr;
    IDirect3DVertexBuffer9* instanzen = nullptr;
    IDirect3DIndexBuffer9* indizes = nullptr;
    g->CreateVertexBuffer(sizeof kEinheitsEcken, D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &ecken, nullptr);
    g->CreateVertexBuffer(kSprites * sizeof(Sprite), D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0,
                          D3DPOOL_DEFAULT, &instanzen, nullptr);
    g->CreateIndexBuffer(sizeof kEinheitsIndizes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT,
                         &indizes, nullptr);
    void* p = nullptr;
    ecken->Lock(0, 0, &p, 0);
    std::memcpy(p, kEinheitsEcken, sizeof kEinheitsEcken);
    ecken->Unlock();
    indizes->Lock(0, 0, &p, 0);
    std::memcpy(p, kEinheitsIndizes, sizeof kEinheitsIndizes);
    indizes->Unlock();
    const D3DVERTEXELEMENT9 elemente[] = {{0, 0, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_POSITION, 0},
                                          {1, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                          {1, 16, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_TEXCOORD, 1},
                                          D3DDECL_END};
    IDirect3DVertexDeclaration9* deklaration = nullptr;
    g->CreateVertexDeclaration(elemente, &deklaration);
    const auto vsBlob = Blob(Plattform::kStufeVertex, kVs, 1, 0);
    const auto psBlob = Blob(Plattform::kStufePixel, kPs, 0, 1);
    IDirect3DVertexShader9* vs = nullptr;
    IDirect3DPixelShader9* ps = nullptr;
    g->CreateVertexShader(reinterpret_cast<const DWORD*>(vsBlob.data()), &vs);
    g->CreatePixelShader(reinterpret_cast<const DWORD*>(psBlob.data()), &ps);
    IDirect3DTexture9* atlas[2] = {};
    for (IDirect3DTexture9*& t : atlas) {
        g->CreateTexture(64, 64, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t, nullptr);
        D3DLOCKED_RECT lr{};
        t->LockRect(0, &lr, nullptr, D3DLOCK_DISCARD);
        std::memset(lr.pBits, 0xC0, size_t(lr.Pitch) * 64);
        t->UnlockRect(0);
    }
    g->SetRenderState(D3DRS_ZENABLE, FALSE);
    g->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    g->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    g->SetVertexDeclaration(deklaration);
    g->SetVertexShader(vs);
    g->SetPixelShader(ps);
    g->SetStreamSource(0, ecken, 0, 8);
    g->SetStreamSource(1, instanzen, 0, sizeof(Sprite));
    g->SetIndices(indizes);
    IDirect3DSurface9* rueck = nullptr;
    g->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &rueck);
    const float ziel[4] = {2.0f / kGroesse, 2.0f / kGroesse, 0, 0};
    const RECT einPixel = {0, 0, 1, 1};

    for (auto _ : state) {
        g->BeginScene();
        g->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        for (int zug = 0; zug < kZuege; ++zug) {
            g->SetTexture(0, atlas[(zug / 4) % 2]);
            const bool additiv = (zug / 8) % 2 == 1;
            g->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
            g->SetRenderState(D3DRS_DESTBLEND, additiv ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA);
            g->SetVertexShaderConstantF(0, ziel, 1);
            const auto sprites = Sprites(zug);
            instanzen->Lock(0, 0, &p, D3DLOCK_DISCARD);
            std::memcpy(p, sprites.data(), sprites.size() * sizeof(Sprite));
            instanzen->Unlock();
            g->SetStreamSourceFreq(0, D3DSTREAMSOURCE_INDEXEDDATA | kSprites);
            g->SetStreamSourceFreq(1, D3DSTREAMSOURCE_INSTANCEDATA | 1);
            g->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2);
        }
        g->EndScene();
        D3DLOCKED_RECT lr{};
        rueck->LockRect(&lr, &einPixel, D3DLOCK_READONLY);
        benchmark::DoNotOptimize(*static_cast<uint32_t*>(lr.pBits));
        rueck->UnlockRect();
    }
    state.SetItemsProcessed(state.iterations() * kZuege);

    g->SetTexture(0, nullptr);
    rueck->Release();
    for (IDirect3DTexture9* t : atlas) {
        t->Release();
    }
    ps->Release();
    vs->Release();
    deklaration->Release();
    indizes->Release();
    instanzen->Release();
    ecken->Release();
    g->Release();
    d3d->Release();
}
BENCHMARK(BM_ZeichneQuads)->Unit(benchmark::kMillisecond);

// The same frame written directly against GL, in the device's context, the way a GL renderer
// would: FBO with row 0 at the top, instanced attributes, one draw per batch.
void BM_RohesGL(benchmark::State& state) {
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* g = ErzeugeGeraet(d3d);
    if (g == nullptr) {
        state.SkipWithError("no device");
        return;
    }
    benchgl::Ziel ziel(GL_RGB8, kGroesse);

    GLuint vao = 0;
    GLuint puffer[3] = {};
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glGenBuffers(3, puffer);
    glBindBuffer(GL_ARRAY_BUFFER, puffer[0]);
    glBufferData(GL_ARRAY_BUFFER, sizeof kEinheitsEcken, kEinheitsEcken, GL_STATIC_DRAW);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 8, nullptr);
    glEnableVertexAttribArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, puffer[1]);
    glBufferData(GL_ARRAY_BUFFER, kSprites * sizeof(Sprite), nullptr, GL_DYNAMIC_DRAW);
    glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, sizeof(Sprite), nullptr);
    glVertexAttribPointer(2, 4, GL_FLOAT, GL_FALSE, sizeof(Sprite), reinterpret_cast<const void*>(16));
    glVertexAttribDivisor(1, 1);
    glVertexAttribDivisor(2, 1);
    glEnableVertexAttribArray(1);
    glEnableVertexAttribArray(2);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, puffer[2]);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof kEinheitsIndizes, kEinheitsIndizes, GL_STATIC_DRAW);

    const GLuint programm = glCreateProgram();
    const GLuint vs = benchgl::Shader(GL_VERTEX_SHADER, kVs);
    const GLuint ps = benchgl::Shader(GL_FRAGMENT_SHADER, kPs);
    glAttachShader(programm, vs);
    glAttachShader(programm, ps);
    glLinkProgram(programm);
    glUseProgram(programm);
    const GLint konstanten = glGetUniformLocation(programm, "vs_c");
    glUniform4f(glGetUniformLocation(programm, "velm_epilog"), 1.0f / kGroesse, 1.0f / kGroesse, 0, 0);
    glUniform1i(glGetUniformLocation(programm, "ps_s0"), 0);

    GLuint atlas[2] = {};
    glGenTextures(2, atlas);
    const std::vector<uint8_t> texel(64 * 64 * 4, 0xC0);
    for (GLuint t : atlas) {
        glBindTexture(GL_TEXTURE_2D, t);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 64, 64, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                     texel.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    const float zielGroesse[4] = {2.0f / kGroesse, 2.0f / kGroesse, 0, 0};
    GLuint gebunden = 0;
    int mischung = -1;

    for (auto _ : state) {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        for (int zug = 0; zug < kZuege; ++zug) {
            if (atlas[(zug / 4) % 2] != gebunden) {
                gebunden = atlas[(zug / 4) % 2];
                glBindTexture(GL_TEXTURE_2D, gebunden);
            }
            const int additiv = (zug / 8) % 2;
            if (additiv != mischung) {
                mischung = additiv;
                glBlendFunc(GL_ONE, additiv ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
            }
            glUniform4fv(konstanten, 1, zielGroesse);
            const auto sprites = Sprites(zug);
            glBindBuffer(GL_ARRAY_BUFFER, puffer[1]);
            glBufferData(GL_ARRAY_BUFFER, kSprites * sizeof(Sprite), sprites.data(), GL_DYNAMIC_DRAW);
            glDrawElementsInstanced(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, nullptr, kSprites);
        }
        uint32_t pixel = 0;
        glReadPixels(0, 0, 1, 1, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, &pixel);
        benchmark::DoNotOptimize(pixel);
    }
    state.SetItemsProcessed(state.iterations() * kZuege);

    glDeleteTextures(2, atlas);
    glDeleteProgram(programm);
    glDeleteShader(vs);
    glDeleteShader(ps);
    glDeleteBuffers(3, puffer);
    glDeleteVertexArrays(1, &vao);
    ziel.Frei();
    g->Release();
    d3d->Release();
}
BENCHMARK(BM_RohesGL)->Unit(benchmark::kMillisecond);

} // namespace
