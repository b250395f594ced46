#pragma once
// Compiling through the D3DX entry points and reading the results back, for the shader tests.

#include "plattform/shaderkompiler/d3dx9shader.h"
#include "plattform/shaderkompiler/shaderblob.h"

#include <map>
#include <memory>
#include <string>

namespace ShaderTest {

struct Freigabe {
    template <typename T> void operator()(T* objekt) const { objekt->Release(); }
};
using Tabelle = std::unique_ptr<ID3DXConstantTable, Freigabe>;

struct Uebersetzt {
    HRESULT ergebnis = E_FAIL;
    bool hatMeldungen = false;
    std::string meldungen;
    Plattform::ShaderBlob blob;
    Tabelle tabelle;
};

inline Uebersetzt Uebersetze(const std::string& quelle, const char* profil, const char* einstieg = "main",
                             const D3DXMACRO* makros = nullptr) {
    Uebersetzt u;
    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* meldungen = nullptr;
    ID3DXConstantTable* tabelle = nullptr;
    u.ergebnis = D3DXCompileShader(quelle.data(), UINT(quelle.size()), makros, nullptr, einstieg, profil, 0,
                                   &code, &meldungen, &tabelle);
    if (meldungen != nullptr) {
        u.hatMeldungen = true;
        u.meldungen = static_cast<const char*>(meldungen->GetBufferPointer());
        meldungen->Release();
    }
    if (code != nullptr) {
        Plattform::LiesShaderBlob(code->GetBufferPointer(), code->GetBufferSize(), u.blob);
        code->Release();
    }
    u.tabelle.reset(tabelle);
    return u;
}

// One entry of the engine's name map, filled the way the engine walks a constant table.
struct Eintrag {
    uint32_t register_ = 0;
    uint32_t anzahl = 0;
    uint32_t spalten = 0;
    uint32_t zeilen = 0;
    uint32_t art = 0; // 0 scalar, 1 vector, 2 rows, 3 columns, 4 structure or whole array, 5 object
    D3DXREGISTER_SET satz = D3DXRS_FLOAT4;
};
using NamensKarte = std::map<std::string, Eintrag>;

inline uint32_t Art(D3DXPARAMETER_CLASS klasse) {
    return klasse == D3DXPC_STRUCT ? 4 : klasse == D3DXPC_OBJECT ? 5 : uint32_t(klasse);
}

inline void LiesKonstante(ID3DXConstantTable* t, D3DXHANDLE h, const std::string& praefix, uint32_t basis,
                          NamensKarte& karte) {
    D3DXCONSTANT_DESC descs[10];
    UINT anzahl = 10;
    if (FAILED(t->GetConstantDesc(h, descs, &anzahl))) {
        return;
    }
    for (UINT i = 0; i < anzahl; ++i) {
        const D3DXCONSTANT_DESC& d = descs[i];
        const std::string name = praefix + d.Name;
        const uint32_t register_ = d.RegisterIndex + basis;
        karte[name] = {register_,    d.RegisterCount, d.Columns, d.Rows, d.Elements == 1 ? Art(d.Class) : 4,
                       d.RegisterSet};
        if (d.Elements > 1) {
            const uint32_t je = d.RegisterCount / d.Elements;
            for (uint32_t j = 0; j < d.Elements; ++j) {
                const std::string element = name + "[" + std::to_string(j) + "]";
                karte[element] = {register_ + j * je, je, d.Columns, d.Rows, Art(d.Class), d.RegisterSet};
                if (d.Class == D3DXPC_STRUCT) {
                    for (UINT m = 0; m < d.StructMembers; ++m) {
                        LiesKonstante(t, t->GetConstant(h, m), element + ".", basis + j * je, karte);
                    }
                }
            }
        } else if (d.Class == D3DXPC_STRUCT) {
            for (UINT m = 0; m < d.StructMembers; ++m) {
                LiesKonstante(t, t->GetConstant(h, m), name + ".", basis, karte);
            }
        }
    }
}

inline NamensKarte LiesKonstanten(ID3DXConstantTable* t) {
    NamensKarte karte;
    D3DXCONSTANTTABLE_DESC desc{};
    if (t == nullptr || FAILED(t->GetDesc(&desc))) {
        return karte;
    }
    for (UINT i = 0; i < desc.Constants; ++i) {
        LiesKonstante(t, t->GetConstant(nullptr, i), "", 0, karte);
    }
    return karte;
}

} // namespace ShaderTest
