#include "plattform/shaderkompiler/d3dx9shader.h"

#include "plattform/shaderkompiler/gezaehlt.h"
#include "plattform/shaderkompiler/hlsluebersetzer.h"
#include "plattform/shaderkompiler/konstantentabelle.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

using namespace Plattform;

constexpr const char* kVertexProfil = "vs_3_0";
constexpr const char* kPixelProfil = "ps_3_0";

class Puffer final : public Gezaehlt<ID3DXBuffer> {
public:
    explicit Puffer(size_t groesse) : mDaten(groesse) {}
    Puffer(const void* daten, size_t groesse)
        : mDaten(static_cast<const uint8_t*>(daten), static_cast<const uint8_t*>(daten) + groesse) {}

    LPVOID GetBufferPointer() override { return mDaten.data(); }
    DWORD GetBufferSize() override { return DWORD(mDaten.size()); }

private:
    ~Puffer() = default;

    std::vector<uint8_t> mDaten;
};

// Messages end with a zero byte, as the engine logs them as C strings.
ID3DXBuffer* TextPuffer(const std::string& text) {
    return new Puffer(text.c_str(), text.size() + 1);
}

void Melde(ID3DXBuffer** meldungen, const std::string& text) {
    if (meldungen != nullptr && !text.empty()) {
        *meldungen = TextPuffer(text);
    }
}

HRESULT Uebersetze(std::string_view quelle, std::string quellName, const D3DXMACRO* makros, LPCSTR einstieg,
                   LPCSTR profil, ID3DXBuffer** code, ID3DXBuffer** meldungen, ID3DXConstantTable** tabelle) {
    HlslAuftrag auftrag;
    if (profil != nullptr && std::strcmp(profil, kVertexProfil) == 0) {
        auftrag.stufe = kStufeVertex;
    } else if (profil != nullptr && std::strcmp(profil, kPixelProfil) == 0) {
        auftrag.stufe = kStufePixel;
    } else {
        Melde(meldungen, std::string("ERROR: profile '") + (profil ? profil : "(null)") +
                             "' is not available; use vs_3_0 or ps_3_0\n");
        return E_FAIL;
    }
    auftrag.quelle = quelle;
    auftrag.quellName = std::move(quellName);
    auftrag.einstieg = einstieg != nullptr ? einstieg : "main";
    for (const D3DXMACRO* m = makros; m != nullptr && m->Name != nullptr; ++m) {
        auftrag.makros.emplace_back(m->Name, m->Definition != nullptr ? m->Definition : "");
    }

    HlslErgebnis ergebnis = UebersetzeHlsl(auftrag);
    Melde(meldungen, ergebnis.meldungen);
    if (!ergebnis.erfolg) {
        return E_FAIL;
    }
    if (code != nullptr) {
        const std::vector<uint8_t> bytes = SchreibeShaderBlob(ergebnis.blob);
        *code = new Puffer(bytes.data(), bytes.size());
    }
    if (tabelle != nullptr) {
        *tabelle = ErzeugeKonstantentabelle(ergebnis.konstanten, auftrag.stufe);
    }
    return D3D_OK;
}

void LeereAusgaben(ID3DXBuffer** code, ID3DXBuffer** meldungen, ID3DXConstantTable** tabelle) {
    if (code != nullptr) {
        *code = nullptr;
    }
    if (meldungen != nullptr) {
        *meldungen = nullptr;
    }
    if (tabelle != nullptr) {
        *tabelle = nullptr;
    }
}

} // namespace

HRESULT D3DXCreateBuffer(DWORD NumBytes, ID3DXBuffer** ppBuffer) {
    if (ppBuffer == nullptr) {
        return E_INVALIDARG;
    }
    *ppBuffer = new Puffer(NumBytes);
    return D3D_OK;
}

HRESULT D3DXCompileShader(LPCSTR pSrcData, UINT SrcDataLen, const D3DXMACRO* pDefines, ID3DXInclude*,
                          LPCSTR pFunctionName, LPCSTR pProfile, DWORD, ID3DXBuffer** ppShader,
                          ID3DXBuffer** ppErrorMsgs, ID3DXConstantTable** ppConstantTable) {
    LeereAusgaben(ppShader, ppErrorMsgs, ppConstantTable);
    if (pSrcData == nullptr) {
        return E_INVALIDARG;
    }
    return Uebersetze(std::string_view(pSrcData, SrcDataLen), {}, pDefines, pFunctionName, pProfile, ppShader,
                      ppErrorMsgs, ppConstantTable);
}

HRESULT D3DXCompileShaderFromFileA(LPCSTR pSrcFile, const D3DXMACRO* pDefines, ID3DXInclude*,
                                   LPCSTR pFunctionName, LPCSTR pProfile, DWORD, ID3DXBuffer** ppShader,
                                   ID3DXBuffer** ppErrorMsgs, ID3DXConstantTable** ppConstantTable) {
    LeereAusgaben(ppShader, ppErrorMsgs, ppConstantTable);
    if (pSrcFile == nullptr) {
        return E_INVALIDARG;
    }
    std::ifstream datei(pSrcFile, std::ios::binary);
    if (!datei) {
        Melde(ppErrorMsgs, std::string("ERROR: ") + pSrcFile + ": cannot open the file\n");
        return E_FAIL;
    }
    const std::string quelle{std::istreambuf_iterator<char>(datei), std::istreambuf_iterator<char>()};
    return Uebersetze(quelle, pSrcFile, pDefines, pFunctionName, pProfile, ppShader, ppErrorMsgs,
                      ppConstantTable);
}

LPCSTR D3DXGetVertexShaderProfile(IDirect3DDevice9* pDevice) {
    return pDevice != nullptr ? kVertexProfil : nullptr;
}

LPCSTR D3DXGetPixelShaderProfile(IDirect3DDevice9* pDevice) {
    return pDevice != nullptr ? kPixelProfil : nullptr;
}
