// The generated GLSL in a real driver (Mesa, headless): the vertex shader computes what Direct3D 9
// computes from the same float4 registers, uploaded unchanged. That the stages link by semantic is
// drawn through the device in the graphics layer's tests.

#include "plattform/grafik9/d3d9.h"
#include "shadertesthilfe.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <array>
#include <vector>

using namespace ShaderTest;

namespace {

using Vektor = std::array<float, 4>;

// The graphics layer's headless device makes its OpenGL 3.3 core context current; the tests
// then call GL directly, beside the device, for the whole test program.
class GlKontext : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sD3d = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS parameter{};
        parameter.Windowed = TRUE;
        parameter.BackBufferWidth = 1;
        parameter.BackBufferHeight = 1;
        parameter.BackBufferFormat = D3DFMT_X8R8G8B8;
        if (sD3d != nullptr && sD3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x52, &parameter, &sGeraet) != D3D_OK) {
            sGeraet = nullptr;
        } else {
            // Binds the back buffer's framebuffer: GL draws nothing without a complete one.
            sGeraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        }
    }

    static void TearDownTestSuite() {
        if (sGeraet != nullptr) {
            sGeraet->Release();
        }
        if (sD3d != nullptr) {
            sD3d->Release();
        }
    }

    void SetUp() override {
        if (sGeraet == nullptr) {
            GTEST_SKIP() << "no headless OpenGL 3.3 core device";
        }
    }

    // Links the pair, capturing gl_Position; a stage that does not compile fails the link.
    static GLuint Programm(const std::string& vertex, const std::string& pixel) {
        const GLuint programm = glCreateProgram();
        for (const auto& [art, glsl] : {std::pair{GL_VERTEX_SHADER, &vertex}, {GL_FRAGMENT_SHADER, &pixel}}) {
            const GLuint shader = glCreateShader(art);
            const char* text = glsl->c_str();
            glShaderSource(shader, 1, &text, nullptr);
            glCompileShader(shader);
            glAttachShader(programm, shader);
            glDeleteShader(shader);
        }
        const char* varying = "gl_Position";
        glTransformFeedbackVaryings(programm, 1, &varying, GL_INTERLEAVED_ATTRIBS);
        glLinkProgram(programm);
        GLint ok = 0;
        glGetProgramiv(programm, GL_LINK_STATUS, &ok);
        char protokoll[2048] = {};
        glGetProgramInfoLog(programm, sizeof(protokoll), nullptr, protokoll);
        EXPECT_TRUE(ok) << protokoll << "\n" << vertex;
        return programm;
    }

    // Runs the vertex shader on one vertex with POSITION0 = `pos` and returns gl_Position.
    static Vektor FuehreAus(const std::string& vertex, const std::vector<Vektor>& register_,
                            const Vektor& pos, const Vektor& epilog) {
        const GLuint programm = Programm(vertex, LeererPixelShader());
        glUseProgram(programm);
        glUniform4fv(glGetUniformLocation(programm, "vs_c"), GLsizei(register_.size()), register_[0].data());
        glUniform4fv(glGetUniformLocation(programm, "velm_epilog"), 1, epilog.data());

        GLuint vao = 0, eingabe = 0, ausgabe = 0;
        glGenVertexArrays(1, &vao);
        glBindVertexArray(vao);
        glGenBuffers(1, &eingabe);
        glBindBuffer(GL_ARRAY_BUFFER, eingabe);
        glBufferData(GL_ARRAY_BUFFER, sizeof(pos), pos.data(), GL_STATIC_DRAW);
        glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 0, nullptr);
        glEnableVertexAttribArray(0);
        glGenBuffers(1, &ausgabe);
        glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, ausgabe);
        glBufferData(GL_TRANSFORM_FEEDBACK_BUFFER, sizeof(Vektor), nullptr, GL_STATIC_READ);
        glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, ausgabe);

        glEnable(GL_RASTERIZER_DISCARD);
        glBeginTransformFeedback(GL_POINTS);
        glDrawArrays(GL_POINTS, 0, 1);
        glEndTransformFeedback();
        glDisable(GL_RASTERIZER_DISCARD);

        Vektor ergebnis{};
        glGetBufferSubData(GL_TRANSFORM_FEEDBACK_BUFFER, 0, sizeof(ergebnis), ergebnis.data());
        glDeleteBuffers(1, &ausgabe);
        glDeleteBuffers(1, &eingabe);
        glDeleteVertexArrays(1, &vao);
        glDeleteProgram(programm);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        return ergebnis;
    }

    static std::string Glsl(const std::string& hlsl, const char* profil) {
        Uebersetzt u = Uebersetze(hlsl, profil);
        EXPECT_EQ(u.ergebnis, D3D_OK) << u.meldungen;
        return u.blob.glsl;
    }

    static const std::string& LeererPixelShader() {
        static const std::string glsl = Glsl("float4 main() : COLOR0 { return 0; }\n", "ps_3_0");
        return glsl;
    }

    static inline IDirect3D9* sD3d = nullptr;
    static inline IDirect3DDevice9* sGeraet = nullptr;
};

std::vector<Vektor> Register() {
    return {{1, 2, 3, 4},     {5, 6, 7, 8},      {9, 10, 11, 12},
            {13, 14, 15, 16}, {-1, 0.5f, 2, -3}, {2, -7, 0.25f, 6}};
}

float Punkt(const Vektor& a, const Vektor& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
}

// The epilogue with a neutral viewport factor: only the flip and the depth range remain.
Vektor OhneHalbpixel(const Vektor& d3d) {
    return {d3d[0], -d3d[1], 2 * d3d[2] - d3d[3], d3d[3]};
}

void ErwarteNahe(const Vektor& ist, const Vektor& soll) {
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(ist[i], soll[i], 1e-4f) << "component " << i;
    }
}

} // namespace

// Registers with no symmetry, so that any transposition or shifted register shows. Each row names
// the registers whose dot products with the position make x, y, z, w (-1: the constant 1).
TEST_F(GlKontext, MatrizenRechnenWieDirect3D9) {
    const std::vector<Vektor> r = Register();
    const struct {
        const char* hlsl;
        Vektor pos;
        std::array<int, 4> register_;
    } faelle[] = {
        // Stored by columns (the default): register k is column k, so mul(row vector, M) takes a
        // dot product with each register.
        {"float4 gVorher;\nfloat4x4 gM;\nfloat4 main( float4 pos : POSITION0) : POSITION0 { return mul(pos, gM); }",
         {0.5f, -2, 3, 1.5f}, {1, 2, 3, 4}},
        // Stored by rows: register k is row k, and mul(M, column vector) dots each register again.
        {"row_major float4x4 gM;\nfloat4 main( float4 pos : POSITION0) : POSITION0 { return mul(gM, pos); }",
         {0.5f, -2, 3, 1.5f}, {0, 1, 2, 3}},
        // A 4x3 matrix by columns takes three registers of four rows each.
        {"float4x3 gM;\nfloat4 main( float4 pos : POSITION0) : POSITION0 { return float4(mul(pos, gM), 1); }",
         {0.5f, -2, 3, 1.5f}, {0, 1, 2, -1}},
        // In an array with a computed index, element 1 of 4x3 matrices is c3 to c5.
        {"float4x3 gKnochen[2];\nfloat4 main( float4 pos : POSITION0) : POSITION0 { return "
         "float4(mul(pos, gKnochen[int(pos.w)]), 1); }",
         {0.5f, 2, -1, 1}, {3, 4, 5, -1}},
    };
    for (const auto& fall : faelle) {
        SCOPED_TRACE(fall.hlsl);
        Vektor d3d{};
        for (int i = 0; i < 4; ++i) {
            d3d[i] = fall.register_[i] < 0 ? 1 : Punkt(fall.pos, r[size_t(fall.register_[i])]);
        }
        ErwarteNahe(FuehreAus(Glsl(fall.hlsl, "vs_3_0"), r, fall.pos, {0, 0, 0, 0}), OhneHalbpixel(d3d));
    }
}

TEST_F(GlKontext, FelderAusStrukturenMitComputedIndex) {
    const std::string vertex = Glsl(R"(
float gS;
struct Licht { float3 pos; float2x2 m; float4 farbe; };
Licht gL[2];
float4 main( float4 pos : POSITION0) : POSITION0
{
    Licht l = gL[int(pos.x)];
    return float4(l.pos * gS, 0) + l.farbe + float4(mul(pos.zw, l.m), 0, 0);
}
)",
                                    "vs_3_0");
    std::vector<Vektor> r;
    for (int k = 0; k < 9; ++k) {
        r.push_back({float(k + 1), float(2 * k - 3), 0.5f * float(k) + 1, float(7 - k)});
    }
    const Vektor pos = {1, 0, 2, -1};
    // Element 1 starts at c5: pos c5, the matrix's columns c6 and c7, farbe c8; gS is c0.
    const float v0 = pos[2], v1 = pos[3];
    const Vektor d3d = {r[5][0] * r[0][0] + r[8][0] + v0 * r[6][0] + v1 * r[6][1],
                        r[5][1] * r[0][0] + r[8][1] + v0 * r[7][0] + v1 * r[7][1],
                        r[5][2] * r[0][0] + r[8][2], r[8][3]};
    ErwarteNahe(FuehreAus(vertex, r, pos, {0, 0, 0, 0}), OhneHalbpixel(d3d));
}

TEST_F(GlKontext, EpilogVerschiebtUmEinenHalbenPixelUndSpiegelt) {
    const std::string vertex =
        Glsl("float4 main( float4 pos : POSITION0) : POSITION0 { return pos; }\n", "vs_3_0");
    const Vektor pos = {0.25f, 0.5f, 0.75f, 2};
    // A 640 x 480 viewport: half a pixel is 1 / 640 in clip x and 1 / 480 in clip y, times w.
    const Vektor epilog = {1.0f / 640, 1.0f / 480, 0, 0};
    ErwarteNahe(FuehreAus(vertex, {{0, 0, 0, 0}}, pos, epilog),
                {0.25f + 2.0f / 640, 2.0f / 480 - 0.5f, 2 * 0.75f - 2, 2});
}
