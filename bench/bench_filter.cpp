// The pause filter over a 1280 x 720 scene image into a 1280 x 720 target on the software GL,
// through the filter chain and the drawing context, against the same quad with the same compiled
// shader drawn in raw GL: the chain's bookkeeping should vanish next to the fill.

#include "bench_gl.h"
#include "nadrel/filter/filterverwaltung.h"
#include "plattform/shaderkompiler/shaderblob.h"
#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/render/velm_screen3d.h"
#include "velmklassen/render/velm_shaderbasis.h"
#include "velmklassen/render/velm_zeichenkontext.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr uint64_t kBreite = 1280;
constexpr uint64_t kHoehe = 720;
constexpr float kStaerke = 0.5f;

std::vector<uint32_t> Szenenpixel() {
    std::vector<uint32_t> pixel(kBreite * kHoehe);
    for (uint64_t i = 0; i < pixel.size(); ++i)
        pixel[i] = 0xFF000000u | uint32_t(i * 2654435761u >> 8);
    return pixel;
}

// A headless context with the game's filters loaded and the pause effect's chain computed.
struct Aufbau {
    Aufbau() {
        debugShader.SetBool(false);
        Velm_Screen3D::mDarstellung = {int64_t(kBreite), int64_t(kHoehe), 0, 0};
        Velm_Screen3D::mFenster = nullptr;
        kontext = std::make_unique<Velm_ZeichenKontext>();
        Velm_Screen3D::Kontext = kontext.get();
        verwaltung = std::make_unique<Spiel::FilterVerwaltung>(NADREL_DATEN);
        satz = std::make_unique<Spiel::FilterSatz>(verwaltung->mEffekte);
        satz->AddFilter("pause", 0);
        Spiel::FilterVerwaltung::BerechneFilterkette(*satz);
    }
    ~Aufbau() {
        satz.reset();
        verwaltung.reset();
        kontext->MeldeNichtFreigegebene();
        kontext.reset();
        Velm_Screen3D::Kontext = nullptr;
    }
    bool Bereit() const { return kontext->HatGeraet() && satz->mSchritte.size() == 1; }
    const Spiel::Filter& Pass() const { return *satz->mSchritte[0].mFilter; }

    std::unique_ptr<Velm_ZeichenKontext> kontext;
    std::unique_ptr<Spiel::FilterVerwaltung> verwaltung;
    std::unique_ptr<Spiel::FilterSatz> satz;
};

void BM_FilterPause(benchmark::State& state) {
    Aufbau a;
    if (!a.Bereit()) {
        state.SkipWithError("no device or no pause filter");
        return;
    }
    Velm_ZeichenKontext& k = *a.kontext;
    Velm_Bild bild(kBreite, kHoehe, Velm_FormatA8R8G8B8, 1);
    const std::vector<uint32_t> pixel = Szenenpixel();
    for (uint64_t y = 0; y < kHoehe; ++y)
        std::memcpy(bild.mDaten + y * bild.mPitch, pixel.data() + y * kBreite, kBreite * 4);
    Velm_TexturInhalt inhalt(bild.LockMipStufen());
    Velm_Textur* szene = k.ErzeugeTextur(0, 0, 1, Velm_FormatA8R8G8B8, inhalt);
    Velm_TexturInhalt leer;
    Velm_Textur* zielTextur =
        k.ErzeugeTextur(kBreite, kHoehe, 1, Velm_FormatA8R8G8B8 | FLAG_FLUECHTIG | FLAG_RENDERZIEL, leer);
    Velm_Renderziel* ziel = k.ErzeugeRenderziel(Velm_RenderzielBeschreibung(zielTextur));
    const Spiel::FilterSatz::Ressourcen ressourcen = a.verwaltung->Ressourcen();

    for (auto _ : state) {
        a.satz->SetParameter("staerke", kStaerke, 0, 0, 0);
        a.satz->Ausfuehren(szene, {ziel, 0, 0, kBreite, kHoehe}, ressourcen);
        glFinish();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kBreite * kHoehe));
    k.GibObjektFrei(ziel);
    k.GibObjektFrei(zielTextur);
    k.GibObjektFrei(szene);
}
BENCHMARK(BM_FilterPause)->Unit(benchmark::kMillisecond)->UseRealTime();

GLuint Shader(GLenum art, const Velm_HighLevelShaderBasis& shader) {
    Plattform::ShaderBlob blob;
    Plattform::LiesShaderBlob(shader.mKode->GetBufferPointer(), shader.mKode->GetBufferSize(), blob);
    return benchgl::Shader(art, blob.glsl.c_str());
}

// The pass's own GLSL in its own program, the quad in a vertex array, the scene image and the
// target as plain GL textures: what a GL renderer written for this one effect would do.
void BM_FilterRohesGL(benchmark::State& state) {
    Aufbau a;
    if (!a.Bereit()) {
        state.SkipWithError("no device or no pause filter");
        return;
    }
    const Spiel::Filter& pass = a.Pass();
    const GLuint programm = glCreateProgram();
    const GLuint vs = Shader(GL_VERTEX_SHADER, *pass.mVertexShader);
    const GLuint ps = Shader(GL_FRAGMENT_SHADER, *pass.mPixelShader);
    glAttachShader(programm, vs);
    glAttachShader(programm, ps);
    glLinkProgram(programm);
    GLint gelinkt = GL_FALSE;
    glGetProgramiv(programm, GL_LINK_STATUS, &gelinkt);
    if (gelinkt != GL_TRUE) {
        state.SkipWithError("the pass's GLSL does not link");
        return;
    }
    glUseProgram(programm);
    glUniform1i(glGetUniformLocation(programm, "ps_s0"), 0);
    glUniform4f(glGetUniformLocation(programm, "velm_epilog"), 1.0f / kBreite, 1.0f / kHoehe, 0, 0);
    const GLint konstanten = glGetUniformLocation(programm, "ps_c");
    float register_[8][4] = {};
    const uint32_t groesse = pass.mPixelShader->FindeKonstante("gBildGroesse")->mRegister;
    const uint32_t staerke = pass.mPixelShader->FindeKonstante("gStaerke")->mRegister;
    const float bildGroesse[4] = {1, 1, 1.0f / kBreite, 1.0f / kHoehe};
    std::memcpy(register_[groesse], bildGroesse, sizeof bildGroesse);
    register_[staerke][0] = kStaerke;
    const GLsizei registerAnzahl = GLsizei(std::max(groesse, staerke) + 1);

    GLuint vao = 0;
    GLuint puffer[2] = {};
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glGenBuffers(2, puffer);
    const float ecken[4][6] = {{-1, -1, 0.1f, 1, 0, 1}, {1, -1, 0.1f, 1, 1, 1}, {-1, 1, 0.1f, 1, 0, 0}, {1, 1, 0.1f, 1, 1, 0}};
    const uint16_t indizes[6] = {0, 1, 2, 1, 3, 2};
    glBindBuffer(GL_ARRAY_BUFFER, puffer[0]);
    glBufferData(GL_ARRAY_BUFFER, sizeof ecken, ecken, GL_STATIC_DRAW);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 24, nullptr);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 24, reinterpret_cast<const void*>(16));
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, puffer[1]);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof indizes, indizes, GL_STATIC_DRAW);

    GLuint texturen[2] = {};
    glGenTextures(2, texturen);
    const std::vector<uint32_t> pixel = Szenenpixel();
    for (int i = 0; i < 2; ++i) {
        glBindTexture(GL_TEXTURE_2D, texturen[i]);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kBreite, kHoehe, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                     i == 0 ? pixel.data() : nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    GLuint fbo = 0;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texturen[1], 0);
    glViewport(0, 0, kBreite, kHoehe);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texturen[0]);

    for (auto _ : state) {
        glUniform4fv(konstanten, registerAnzahl, register_[0]);
        glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, nullptr);
        glFinish();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kBreite * kHoehe));

    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &fbo);
    glDeleteTextures(2, texturen);
    glDeleteBuffers(2, puffer);
    glDeleteVertexArrays(1, &vao);
    glDeleteProgram(programm);
    glDeleteShader(vs);
    glDeleteShader(ps);
}
BENCHMARK(BM_FilterRohesGL)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
