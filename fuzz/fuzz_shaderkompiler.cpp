// The shader compiler's own readers: shader blobs, which must never be read past their end and
// must survive a round trip, constant names, which the constant table parses, and the look for
// globals declared twice. Whole HLSL stays out: glslang itself crashes on malformed input.

#include "plattform/shaderkompiler/d3dx9shader.h"
#include "plattform/shaderkompiler/globalenamen.h"
#include "plattform/shaderkompiler/shaderblob.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

ID3DXConstantTable* gTabelle = nullptr;

const char* kShader = R"(
struct Licht { float3 pos; float4 farbe; };
Licht gLichter[3];
float4 gFeld[4];
float4x4 gWelt;
sampler2D gBild;
float4 main( float2 uv : TEXCOORD0) : COLOR0
{
    return gLichter[int(uv.x)].farbe + gFeld[int(uv.y)] + mul(uv.xyxy, gWelt) + tex2D( gBild, uv);
}
)";

void Pruefe(bool bedingung) {
    if (!bedingung) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Pruefe(SUCCEEDED(D3DXCompileShader(kShader, UINT(std::strlen(kShader)), nullptr, nullptr, "main",
                                       "ps_3_0", 0, nullptr, nullptr, &gTabelle)));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, size_t groesse) {
    Plattform::ShaderBlob blob;
    if (Plattform::LiesShaderBlob(daten, groesse, blob)) {
        const std::vector<uint8_t> wieder = Plattform::SchreibeShaderBlob(blob);
        Pruefe(wieder.size() == groesse && std::memcmp(wieder.data(), daten, groesse) == 0);
    }

    const std::string name(reinterpret_cast<const char*>(daten), groesse);
    const std::string doppelt = Plattform::DoppelteGlobale(name, "f");
    Pruefe(doppelt.empty() || doppelt.rfind("ERROR: ", 0) == 0);
    D3DXHANDLE handle = gTabelle->GetConstantByName(nullptr, name.c_str());
    D3DXHANDLE mitglied = gTabelle->GetConstantByName(gTabelle->GetConstant(nullptr, 0), name.c_str());
    for (D3DXHANDLE h : {handle, mitglied}) {
        if (h == nullptr) {
            continue;
        }
        D3DXCONSTANT_DESC desc{};
        UINT anzahl = 1;
        Pruefe(gTabelle->GetConstantDesc(h, &desc, &anzahl) == D3D_OK && anzahl == 1);
        Pruefe(desc.Name != nullptr && desc.RegisterCount > 0);
    }
    return 0;
}
