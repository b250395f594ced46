#include "shadertesthilfe.h"

#include <gtest/gtest.h>

using namespace ShaderTest;

// A global declared twice fails with the line of the second declaration, whichever kinds the two
// are; glslang crashed on a constant after any other global of its name and another type.
// Names that repeat only inside structures, functions and annotations stay valid.
TEST(GlobaleNamen, ZweimalDeklariertIstEinFehler) {
    struct Fall {
        const char* deklarationen;
        const char* meldung; // empty: compiles
    };
    const Fall faelle[] = {
        {"sampler2D gBild;\nfloat4 gBild;", "ERROR: 0:2: 'gBild' : redefinition"},
        {"float4 gBild;\nsampler2D gBild;", "ERROR: 0:2: 'gBild' : redefinition"},
        {"float4 a;\n\nfloat3 a;", "ERROR: 0:3: 'a' : redefinition"},
        {"float4 a;\nfloat4 a;", "ERROR: 0:2: 'a' : redefinition"},
        {"float4 a, b, a;", "ERROR: 0:1: 'a' : redefinition"},
        {"static float4 a;\nuniform float4 a;", "ERROR: 0:2: 'a' : redefinition"},
        {"struct a { float x; };\nfloat4 a;", "ERROR: 0:2: 'a' : redefinition"},
        {"struct S { float x; } a;\nfloat4x4 a;", "ERROR: 0:2: 'a' : redefinition"},
        {"typedef float3 a;\nfloat4 a[2];", "ERROR: 0:2: 'a' : redefinition"},
        {"cbuffer C : register(b0) { float3 a; };\nfloat4 a;", "ERROR: 0:2: 'a' : redefinition"},
        {"#define SAMPLER(n) sampler2D n\nSAMPLER(a);\n#line 7 \"filter.xml\"\nfloat4 a;",
         "ERROR: filter.xml:7: 'a' : redefinition"},
        {"matrix<float, 4, 4> a;\nfloat4 b <string a = \"a;\"; float c = 1;> = float4(1, 2, 3, 4), c[2] = "
         "{b, b};\n"
         "struct S { float4 a; float4 b; };\nfloat4 F(float2 a : TEXCOORD0) : COLOR0 { float4 b = 1; return "
         "b; }\n"
         "static const float2 d[2] = { float2(0, 1), float2(2, 3) };\nsampler2D e;",
         ""},
    };
    for (const Fall& fall : faelle) {
        const std::string quelle = std::string(fall.deklarationen) +
                                   "\nfloat4 main(float2 t : TEXCOORD0) : COLOR0 { return t.xyxy; }\n";
        const Uebersetzt ps = Uebersetze(quelle, "ps_3_0");
        const std::string erwartet = fall.meldung;
        EXPECT_EQ(ps.ergebnis, erwartet.empty() ? D3D_OK : E_FAIL) << quelle << "\n" << ps.meldungen;
        EXPECT_NE(ps.meldungen.find(erwartet), std::string::npos) << quelle << "\n" << ps.meldungen;
    }
}
