// The sprite batcher's frame against the same frame in raw OpenGL: 10,000 sprites queued and
// drawn in one instanced draw, headless on a 256 x 256 target; and the layout of text.

#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/render/velm_blockgfx3d.h"
#include "velmklassen/render/velm_font3d.h"
#include "velmklassen/render/velm_screen3d.h"
#include "velmklassen/render/velm_shaderbasis.h"
#include "velmklassen/render/velm_zeichenkontext.h"

#include "bench_gl.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kSprites = 10000;
constexpr int kGroesse = 256;
constexpr int kGrafiken = 4;

// A headless drawing context; its GL context is current on this thread while it lives.
struct Aufbau {
    Aufbau() {
        debugShader.SetBool(false);
        Velm_Screen3D::mDarstellung = {kGroesse, kGroesse, 0, 0};
        Velm_Screen3D::mFlags = 0;
        kontext = std::make_unique<Velm_ZeichenKontext>();
        Velm_Screen3D::Kontext = kontext.get();
    }
    ~Aufbau() {
        kontext->MeldeNichtFreigegebene();
        kontext.reset();
        Velm_Screen3D::Kontext = nullptr;
    }
    std::unique_ptr<Velm_ZeichenKontext> kontext;
};

// Where sprite i of a frame goes: spread over the target, each 8 x 8.
float X(int i) {
    return float((i * 37) % (kGroesse - 8));
}
float Y(int i) {
    return float((i * 53) % (kGroesse - 8));
}
TAlphaFarbe Farbe(int i) {
    return {1, float(i % 3) * 0.5f, 0.5f, i % 7 == 0 ? -1.0f : 1.0f};
}

void BM_ZeichneSprites(benchmark::State& state) {
    Aufbau aufbau;
    Velm_ZeichenKontext& k = *aufbau.kontext;
    if (!k.HatGeraet()) {
        state.SkipWithError("no device");
        return;
    }
    Velm_BlockGfx3D gfx(64, kSprites, 0);
    Velm_Bild bild(16, 16, Velm_FormatA8R8G8B8, 1);
    std::memset(bild.mDaten, 0xC0, bild.mPitch * bild.mHoehe);
    for (int id = 0; id < kGrafiken; ++id) {
        gfx.AddGrafik(id, bild, 0, 0, 16, 16);
    }
    for (auto _ : state) {
        k.SetRenderZiel(nullptr);
        k.Leeren(1, {0, 0, 0, 1});
        for (int i = 0; i < kSprites; ++i) {
            gfx.ZeichneGrafik(i % kGrafiken, X(i), Y(i), Farbe(i), 8, 8);
        }
        gfx.Zeichne();
        glFinish();
    }
    state.SetItemsProcessed(state.iterations() * kSprites);
}
BENCHMARK(BM_ZeichneSprites)->Unit(benchmark::kMillisecond);

// The batcher's shaders as the layer hands them to GL, written out by hand.
const char* kVs = R"(#version 330 core
uniform vec4 gQuellZiel;
uniform vec4 velm_epilog;
layout(location = 0) in vec2 vertexPos;
layout(location = 1) in vec3 instZielPos;
layout(location = 2) in vec2 instGroesse;
layout(location = 3) in vec4 instGrafik;
layout(location = 4) in vec4 instFarbe;
layout(location = 5) in vec2 instParam;
out vec4 fragFarbe;
out vec2 fragTex;
out vec4 fragTexGrenz;
void main() {
    float s = sin(instParam.x);
    float c = cos(instParam.x);
    vec2 q = (vertexPos - instParam.yy) * instGroesse;
    vec2 p = instZielPos.xy + q.x * vec2(c, s) + q.y * vec2(-s, c) - vec2(0.5);
    gl_Position = vec4(2.0 * p.x * gQuellZiel.z - 1.0, 1.0 - 2.0 * p.y * gQuellZiel.w, instZielPos.z, 1.0);
    fragFarbe = instFarbe;
    fragTex = (instGrafik.xy + vertexPos * instGrafik.zw) * gQuellZiel.xy;
    float r = min(abs(instGroesse.x) / instGrafik.z, abs(instGroesse.y) / instGrafik.w);
    float b = 0.5 / clamp(exp2(floor(log2(r))), 1.0 / 16.0, 1.0);
    fragTexGrenz = vec4(instGrafik.xy + b, instGrafik.xy + instGrafik.zw - b) * gQuellZiel.xyxy;
    gl_Position.x += velm_epilog.x * gl_Position.w;
    gl_Position.y = velm_epilog.y * gl_Position.w - gl_Position.y;
    gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;
}
)";

const char* kPs = R"(#version 330 core
uniform sampler2D Textur;
in vec4 fragFarbe;
in vec2 fragTex;
in vec4 fragTexGrenz;
layout(location = 0) out vec4 ergFarbe;
void main() {
    vec4 f = texture(Textur, clamp(fragTex, fragTexGrenz.xy, fragTexGrenz.zw)) * fragFarbe;
    ergFarbe = vec4(f.rgb * abs(f.a), max(0.0, f.a));
}
)";


// The same frame straight against GL in the device's context: the same 60-byte instances built
// on the processor, one upload of their bytes, one instanced draw.
void BM_SpritesRohesGL(benchmark::State& state) {
    Aufbau aufbau;
    if (!aufbau.kontext->HatGeraet()) {
        state.SkipWithError("no device");
        return;
    }
    const benchgl::Ziel ziel(GL_RGBA8, kGroesse);

    GLuint vao = 0;
    GLuint puffer[3] = {};
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glGenBuffers(3, puffer);
    const float ecken[] = {0, 0, 1, 0, 0, 1, 1, 1};
    glBindBuffer(GL_ARRAY_BUFFER, puffer[0]);
    glBufferData(GL_ARRAY_BUFFER, sizeof ecken, ecken, GL_STATIC_DRAW);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 8, nullptr);
    glEnableVertexAttribArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, puffer[1]);
    glBufferData(GL_ARRAY_BUFFER, kSprites * sizeof(Velm_BlockGfxQuad), nullptr, GL_STREAM_DRAW);
    const struct {
        GLint n;
        size_t versatz;
    } attribute[] = {{3, 0}, {2, 12}, {4, 20}, {4, 36}, {2, 52}};
    for (GLuint a = 0; a < 5; ++a) {
        glVertexAttribPointer(a + 1, attribute[a].n, GL_FLOAT, GL_FALSE, sizeof(Velm_BlockGfxQuad),
                              reinterpret_cast<const void*>(attribute[a].versatz));
        glVertexAttribDivisor(a + 1, 1);
        glEnableVertexAttribArray(a + 1);
    }
    const uint16_t indizes[] = {0, 1, 2, 1, 3, 2};
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, puffer[2]);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof indizes, indizes, GL_STATIC_DRAW);

    const GLuint programm = glCreateProgram();
    const GLuint vs = benchgl::Shader(GL_VERTEX_SHADER, kVs);
    const GLuint ps = benchgl::Shader(GL_FRAGMENT_SHADER, kPs);
    glAttachShader(programm, vs);
    glAttachShader(programm, ps);
    glLinkProgram(programm);
    glUseProgram(programm);
    glUniform4f(glGetUniformLocation(programm, "gQuellZiel"), 1.0f / 64, 1.0f / 64, 1.0f / kGroesse,
                1.0f / kGroesse);
    glUniform4f(glGetUniformLocation(programm, "velm_epilog"), 1.0f / kGroesse, 1.0f / kGroesse, 0, 0);
    glUniform1i(glGetUniformLocation(programm, "Textur"), 0);

    GLuint atlas = 0;
    glGenTextures(1, &atlas);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, atlas);
    const std::vector<uint8_t> texel(64 * 64 * 4, 0xC0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 64, 64, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, texel.data());
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);

    std::vector<Velm_BlockGfxQuad> quads(kSprites);
    for (auto _ : state) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        for (int i = 0; i < kSprites; ++i) {
            const float gx = float((i % kGrafiken) * 16);
            quads[i] = {X(i), Y(i), 0.5f, 8, 8, gx, 0, 16, 16, Farbe(i), 0, 0};
        }
        glBindBuffer(GL_ARRAY_BUFFER, puffer[1]);
        glBufferData(GL_ARRAY_BUFFER, kSprites * sizeof(Velm_BlockGfxQuad), quads.data(), GL_STREAM_DRAW);
        glDrawElementsInstanced(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, nullptr, kSprites);
        glFinish();
    }
    state.SetItemsProcessed(state.iterations() * kSprites);

    glDeleteTextures(1, &atlas);
    glDeleteProgram(programm);
    glDeleteShader(vs);
    glDeleteShader(ps);
    glDeleteBuffers(3, puffer);
    glDeleteVertexArrays(1, &vao);
}
BENCHMARK(BM_SpritesRohesGL)->Unit(benchmark::kMillisecond);

// 100 lines of 80 characters laid out and queued with the overlay font; nothing is drawn.
void BM_SetzeText(benchmark::State& state) {
    Aufbau aufbau;
    if (!aufbau.kontext->HatGeraet()) {
        state.SkipWithError("no device");
        return;
    }
    const auto font = Velm_Font3D::LadeSchriftart(VELM_DATEN "/calibrib.ttf");
    if (font == nullptr) {
        state.SkipWithError("no font");
        return;
    }
    font->mSofortZeichnen = false;
    const std::string satz =
        "Der Schluessel liegt hinter dem dritten Huegel, wo die Geister nachts umgehen. ";
    std::vector<std::string> zeilen;
    for (int z = 0; z < 100; ++z) {
        std::string zeile;
        for (size_t i = size_t(z); zeile.size() < 80; ++i) {
            zeile += satz[i % satz.size()];
        }
        zeilen.push_back(zeile);
    }
    for (auto _ : state) {
        for (int z = 0; z < 100; ++z) {
            font->ZeichneText(4, float(z * 24), zeilen[z].c_str());
        }
        benchmark::DoNotOptimize(font->mAtlas->mWarteschlange.data());
        font->mAtlas->mWarteschlange.clear();
    }
    state.SetItemsProcessed(state.iterations() * 100 * 80);
}
BENCHMARK(BM_SetzeText)->Unit(benchmark::kMicrosecond);

} // namespace
