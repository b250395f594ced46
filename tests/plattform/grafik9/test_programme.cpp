// The road the engine takes, where only the device shows it: HLSL through the D3DX9 compiler,
// its code into the device, constants by the registers of its constant table, then pixels. And
// the generated GLSL run in the device's GL context: the vertex shader computes what Direct3D 9
// computes from the same float4 registers, uploaded unchanged.

#include "plattform/shaderkompiler/shaderblob.h"
#include "testhilfe.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <array>
#include <numeric>

namespace grafik9test {
namespace {

// Direct3D 9 matches the stages by semantic alone: a pixel shader may read fewer components of a
// register than the vertex shader wrote, or more (the missing ones read as 0 and w as 1).
const char* kSchmaleEingabenPs = R"(
void main(float2 f : TEXCOORD0, float4 uv : TEXCOORD1, out float4 farbe : COLOR0) {
    farbe = float4(f.x, uv.y, uv.z, uv.w * f.y);
}
)";

// And it links a pixel shader that reads more than the vertex shader writes: the unwritten
// inputs, wide or narrow, read zero.
const char* kUngeschriebeneEingabenPs = R"(
void main(float2 f : TEXCOORD0, float4 nie : TEXCOORD5, float2 auchNie : TEXCOORD6, out float4 farbe : COLOR0) {
    farbe = float4(f.x, 0.5, 0.0, 1.0) + nie + float4(auchNie, 0.0, 0.0);
}
)";

class MitKompiler : public Geraet {
protected:
    void SetUp() override { Oeffne(D3DFMT_A8R8G8B8); }

    // The quad pipeline with a vertex shader that writes a float2 (0.25, 0.5) as TEXCOORD1.
    void BauePaar(const char* ps) {
        BaueQuad(ps, QuadVs("", "farbe", "float2(0.25, 0.5)"));
        mGeraet->SetRenderState(D3DRS_ZENABLE, FALSE);
    }

    // One quad with the colour (1, 1, 0, 0) in its first texture coordinate; the pixel at (3, 2).
    uint32_t ZeichneMitte() {
        mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        EXPECT_EQ(Zeichne({Quad(2, 1, 4, 2, 1.0f, 1.0f, 0.0f, 0.0f)}), D3D_OK);
        return LiesRueckpuffer()[2 * kBreite + 3];
    }

    std::string Glsl(const char* hlsl, LPCSTR profil) {
        const auto kode = Uebersetze(hlsl, profil);
        Plattform::ShaderBlob blob;
        EXPECT_TRUE(kode && Plattform::LiesShaderBlob(kode->GetBufferPointer(), kode->GetBufferSize(), blob));
        return blob.glsl;
    }

    using Vektor = std::array<float, 4>;

    // Runs the compiled vertex shader on one vertex with POSITION0 = `pos`, straight in GL beside
    // the device, and returns gl_Position through transform feedback.
    Vektor FuehreAus(const char* hlsl, const std::vector<Vektor>& register_, const Vektor& pos,
                     const Vektor& epilog = {}) {
        // Binds the back buffer's framebuffer: GL draws nothing without a complete one.
        mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        const GLuint programm = glCreateProgram();
        for (const auto& [art, glsl] : {std::pair{GL_VERTEX_SHADER, Glsl(hlsl, "vs_3_0")},
                                        {GL_FRAGMENT_SHADER, Glsl("float4 main() : COLOR0 { return 0; }", "ps_3_0")}}) {
            const GLuint shader = glCreateShader(art);
            const char* text = glsl.c_str();
            glShaderSource(shader, 1, &text, nullptr);
            glCompileShader(shader);
            glAttachShader(programm, shader);
            glDeleteShader(shader);
        }
        const char* varying = "gl_Position";
        glTransformFeedbackVaryings(programm, 1, &varying, GL_INTERLEAVED_ATTRIBS);
        glLinkProgram(programm);
        glUseProgram(programm);
        glUniform4fv(glGetUniformLocation(programm, "vs_c"), GLsizei(register_.size()), register_[0].data());
        glUniform4fv(glGetUniformLocation(programm, "velm_epilog"), 1, epilog.data());

        // POSITION0 as the attribute's constant value: no vertex buffer.
        GLuint vao = 0, ausgabe = 0;
        glGenVertexArrays(1, &vao);
        glBindVertexArray(vao);
        glVertexAttrib4fv(0, pos.data());
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
        glDeleteVertexArrays(1, &vao);
        glDeleteProgram(programm);
        // A program that did not link shows here.
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << hlsl;
        return ergebnis;
    }

    // GL's clip position for Direct3D's: y flipped, depth from [0, w] to [-w, w].
    static void ErwarteClip(const Vektor& ist, const Vektor& d3d) {
        const Vektor soll = {d3d[0], -d3d[1], 2 * d3d[2] - d3d[3], d3d[3]};
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(ist[i], soll[i], 1e-4f) << "component " << i;
        }
    }
};

TEST_F(MitKompiler, StufenPassenNurNachSemantikZusammen) {
    for (const char* ps : {kSchmaleEingabenPs, kUngeschriebeneEingabenPs}) {
        ASSERT_NO_FATAL_FAILURE(BauePaar(ps));
        ErwarteFarbe(ZeichneMitte(), 0xFFFF8000);
    }
}

// Int and bool constants (scalars, vectors, arrays) live in float4 registers as the engine writes
// them, and the shader computes with the integers: a loop, an index, a branch.
TEST_F(MitKompiler, GanzzahlUndBoolKonstantenAusFloatRegistern) {
    const char* ps = R"(
float gSkala;
int gAnzahl;
bool gAn;
int3 gDrei;
bool2 gZwei;
int gFeld[3];
void main(float4 f : TEXCOORD0, out float4 farbe : COLOR0) {
    int summe = 0;
    for (int k = 0; k < gAnzahl; ++k)
        summe += gFeld[k];
    farbe = float4(summe * gSkala, gAn && gZwei.y ? 1.0 : 0.0, gDrei.z * 0.25, gFeld[gAnzahl] * 0.2);
}
)";
    ID3DXConstantTable* roh = nullptr;
    Uebersetze(ps, "ps_3_0", &roh);
    const Com<ID3DXConstantTable> tabelle(roh);
    ASSERT_NO_FATAL_FAILURE(BauePaar(ps));
    for (const auto& [name, typ, register_, anzahl] :
         {std::tuple{"gSkala", D3DXPT_FLOAT, 0u, 1u}, {"gAnzahl", D3DXPT_INT, 1u, 1u}, {"gAn", D3DXPT_BOOL, 2u, 1u},
          {"gDrei", D3DXPT_INT, 3u, 1u}, {"gZwei", D3DXPT_BOOL, 4u, 1u}, {"gFeld", D3DXPT_INT, 5u, 3u}}) {
        D3DXCONSTANT_DESC d{};
        UINT n = 1;
        ASSERT_EQ(tabelle->GetConstantDesc(name, &d, &n), D3D_OK) << name;
        EXPECT_EQ(std::tuple(d.Type, d.RegisterSet, d.RegisterIndex, d.RegisterCount),
                  std::tuple(typ, D3DXRS_FLOAT4, register_, anzahl))
            << name;
    }
    const struct {
        float an, zwei;
        uint32_t farbe;
    } faelle[] = {{1, 1, 0xCC80FF40}, {0, 1, 0xCC800040}, {1, 0, 0xCC800040}};
    for (const auto& fall : faelle) {
        // Two of the three elements: 1 + 3 = 4 times 1/8 is red 0x80; element 2 (4) gives alpha 0.8.
        const float werte[9][4] = {{0.125f}, {2}, {fall.an}, {0, 0, 1}, {0, fall.zwei}, {1}, {3}, {4}};
        mGeraet->SetPixelShaderConstantF(0, &werte[0][0], 8);
        ErwarteFarbe(ZeichneMitte(), fall.farbe);
    }
}

// Registers with no symmetry, so that any transposition or shifted register shows. Each row names
// the registers whose dot products with the position make x, y, z, w (-1: the constant 1).
TEST_F(MitKompiler, MatrizenRechnenWieDirect3D9) {
    const std::vector<Vektor> r = {{1, 2, 3, 4},     {5, 6, 7, 8},      {9, 10, 11, 12},
                                   {13, 14, 15, 16}, {-1, 0.5f, 2, -3}, {2, -7, 0.25f, 6}};
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
            const int k = fall.register_[i];
            d3d[i] = k < 0 ? 1 : std::inner_product(fall.pos.begin(), fall.pos.end(), r[size_t(k)].begin(), 0.0f);
        }
        ErwarteClip(FuehreAus(fall.hlsl, r, fall.pos), d3d);
    }
}

TEST_F(MitKompiler, FelderAusStrukturenMitComputedIndex) {
    const char* hlsl = R"(
float gS;
struct Licht { float3 pos; float2x2 m; float4 farbe; };
Licht gL[2];
float4 main( float4 pos : POSITION0) : POSITION0
{
    Licht l = gL[int(pos.x)];
    return float4(l.pos * gS, 0) + l.farbe + float4(mul(pos.zw, l.m), 0, 0);
}
)";
    std::vector<Vektor> r;
    for (int k = 0; k < 9; ++k) {
        r.push_back({float(k + 1), float(2 * k - 3), 0.5f * float(k) + 1, float(7 - k)});
    }
    const Vektor pos = {1, 0, 2, -1};
    // Element 1 starts at c5: pos c5, the matrix's columns c6 and c7, farbe c8; gS is c0.
    const float v0 = pos[2], v1 = pos[3];
    ErwarteClip(FuehreAus(hlsl, r, pos), {r[5][0] * r[0][0] + r[8][0] + v0 * r[6][0] + v1 * r[6][1],
                                          r[5][1] * r[0][0] + r[8][1] + v0 * r[7][0] + v1 * r[7][1],
                                          r[5][2] * r[0][0] + r[8][2], r[8][3]});
}

TEST_F(MitKompiler, EpilogVerschiebtUmEinenHalbenPixelUndSpiegelt) {
    // A 640 x 480 viewport: half a pixel is 1 / 640 in clip x and 1 / 480 in clip y, times w,
    // to the left and up.
    ErwarteClip(FuehreAus("float4 main( float4 pos : POSITION0) : POSITION0 { return pos; }", {{0, 0, 0, 0}},
                          {0.25f, 0.5f, 0.75f, 2}, {1.0f / 640, 1.0f / 480, 0, 0}),
                {0.25f + 2.0f / 640, 0.5f - 2.0f / 480, 0.75f, 2});
}

} // namespace
} // namespace grafik9test
