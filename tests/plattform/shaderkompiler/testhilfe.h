#pragma once
// Compiling through the D3DX entry points and reading the results back, for the shader tests.

#include "plattform/shaderkompiler/d3dx9shader.h"
#include "plattform/shaderkompiler/shaderblob.h"

#include <memory>
#include <string>

namespace ShaderTest {

struct Freigabe {
    template <typename T> void operator()(T* objekt) const { objekt->Release(); }
};
using Tabelle = std::unique_ptr<ID3DXConstantTable, Freigabe>;

struct Uebersetzt {
    HRESULT ergebnis = E_FAIL;
    std::string meldungen;
    Plattform::ShaderBlob blob;
    Tabelle tabelle;
};

// Calls `aufruf` with the three outputs of a compile call and takes over what it hands out.
template <typename Aufruf> Uebersetzt Nimm(Aufruf&& aufruf) {
    Uebersetzt u;
    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* meldungen = nullptr;
    ID3DXConstantTable* tabelle = nullptr;
    u.ergebnis = aufruf(&code, &meldungen, &tabelle);
    if (meldungen != nullptr) {
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

inline Uebersetzt Uebersetze(const std::string& quelle, const char* profil, const char* einstieg = "main",
                             const D3DXMACRO* makros = nullptr) {
    return Nimm([&](auto code, auto meldungen, auto tabelle) {
        return D3DXCompileShader(quelle.data(), UINT(quelle.size()), makros, nullptr, einstieg, profil, 0, code,
                                 meldungen, tabelle);
    });
}

inline bool Enthaelt(const std::string& text, const std::string& teil) {
    return text.find(teil) != std::string::npos;
}

} // namespace ShaderTest
