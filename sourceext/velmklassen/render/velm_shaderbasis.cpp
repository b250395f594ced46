#include "velmklassen/render/velm_shaderbasis.h"

#include "shaderpp/cpp.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_system.h"
#include "velmklassen/render/velm_internhelfer.h"
#include "velmklassen/render/velm_screen3d.h"
#include "velmklassen/render/velm_zeichenkontext.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>

const char* const Velm_HighLevelShaderBasis::kPrelude =
    "#define GRAFIK_DIRECTX 9\n"
    "#define DEF_SAMPLER_2D( name) sampler2D name\n"
    "#define DEF_SAMPLER_CUBE( name) samplerCUBE name\n"
    "#define SAMPLE_2D( name, tex) tex2D( name, tex)\n"
    "#define SAMPLE_2D_LOD( name, tex, lod) tex2Dlod( name, float4( tex.xy, 0.0f, lod))\n"
    "#define SAMPLE_CUBE( name, tex) texCUBE( name, tex)\n"
    "#define SAMPLE_CUBE_LOD( name, tex, lod) texCUBElod( name, float4( tex.xyz, lod))\n"
    "#define TEXKOORD( tex) tex\n"
    "float2 TEXKOORD_RT( float2 tex) { return float2( tex.x, 1 - tex.y); }\n"
    "float2 TEXKOORD_RTD( float2 texdiff) { return float2( texdiff.x, -texdiff.y); }\n"
    "#define CONST static const\n"
    "#define CONST_ARRAY_START( typ, name) static const typ name[] = {\n"
    "#define CONST_ARRAY_ENDE }\n"
    "float3x3 MachFloat3x3( float a1, float a2, float a3, float b1, float b2, float b3, float c1, float c2, "
    "float c3) { return float3x3( a1, a2, a3, b1, b2, b3, c1, c2, c3); }\n"
    "float4x4 MachFloat4x4( float a1, float a2, float a3, float a4, float b1, float b2, float b3, float b4, "
    "float c1, float c2, float c3, float c4, float d1, float d2, float d3, float d4) { return float4x4( a1, "
    "a2, "
    "a3, a4, b1, b2, b3, b4, c1, c2, c3, c4, d1, d2, d3, d4); }\n"
    "float2 MachV2( float x) { return float2( x, x); }\n"
    "float3 MachV3( float x) { return float3( x, x, x); }\n"
    "float4 MachV4( float x) { return float4( x, x, x, x); }\n"
    "#line 1\n";

Velm_Variable debugShader("debugShader", true, Velm_Variable::kGespeichert);

namespace {

// What the preprocessor's callbacks work on: three texts read one after the other, and the output.
struct CppKontext {
    const char* texte[3];
    size_t laengen[3];
    int index = 0;
    size_t position = 0;
    TSpeicher* ausgabe = nullptr;
    std::string meldungen;
};

bool BeginntMit(const char* text, const char* praefix) {
    return std::strncmp(text, praefix, std::strlen(praefix)) == 0;
}

// Registers a declaration takes: the first of these texts found anywhere in it decides, so an
// array of matrices counts as one matrix.
uint32_t RegisterZahl(const std::string& deklaration) {
    static constexpr struct {
        const char* text;
        uint32_t anzahl;
    } kRegeln[] = {{"float3x3", 3}, {"float3x4", 3}, {"float4x3", 4}, {"float4x4", 4},
                   {"[2]", 2},      {"[3]", 3},      {"[4]", 4}};
    for (const auto& regel : kRegeln) {
        if (deklaration.find(regel.text) != std::string::npos) {
            return regel.anzahl;
        }
    }
    return 1;
}

// Appends each declaration with its semantic, counting registers from `start`.
void SchreibeParameter(std::string& ziel, const std::vector<std::string>& liste, bool ausgaben,
                       bool pixelStufe, bool& erster) {
    uint32_t r = (pixelStufe && !ausgaben) ? 1 : 0;
    for (const std::string& deklaration : liste) {
        if (!erster) {
            ziel += ", ";
        }
        erster = false;
        if (ausgaben) {
            ziel += "out ";
        }
        ziel += deklaration;
        char semantik[32];
        if (pixelStufe) {
            std::snprintf(semantik, sizeof semantik, ausgaben ? " : COLOR%u" : " : TEXCOORD%u",
                          ausgaben ? r : r - 1);
        } else if (r == 0) {
            std::snprintf(semantik, sizeof semantik, " : POSITION0");
        } else {
            std::snprintf(semantik, sizeof semantik, " : TEXCOORD%u", r - 1);
        }
        ziel += semantik;
        r += RegisterZahl(deklaration);
    }
}

} // namespace

std::string Velm_HighLevelShaderBasis::SchreibeDialektUm(const char* text, bool pixelStufe) {
    std::vector<std::string> eingaben;
    std::vector<std::string> ausgaben;
    for (const char* p = std::strchr(text, '$'); p != nullptr; p = std::strchr(p, '$')) {
        ++p;
        std::vector<std::string>* liste = nullptr;
        if (BeginntMit(p, "rein ")) {
            liste = &eingaben;
        } else if (BeginntMit(p, "raus ")) {
            liste = &ausgaben;
        } else {
            continue;
        }
        p += 5;
        while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r') {
            ++p;
        }
        const char* ende = std::strchr(p, ';');
        if (ende == nullptr) {
            ende = p + std::strlen(p);
        }
        // The parameter list stays on the line of its $main().
        std::string deklaration(p, ende);
        std::replace(deklaration.begin(), deklaration.end(), '\n', ' ');
        liste->push_back(std::move(deklaration));
        p = ende;
    }

    std::string ergebnis;
    const char* p = text;
    for (const char* dollar = std::strchr(p, '$'); dollar != nullptr; dollar = std::strchr(p, '$')) {
        ergebnis.append(p, dollar);
        const char* danach = dollar + 1;
        if (BeginntMit(danach, "rein") || BeginntMit(danach, "raus")) {
            const char* ende = std::strchr(danach, ';');
            p = ende != nullptr ? ende + 1 : danach + std::strlen(danach);
            // The lines after a declaration keep their numbers.
            ergebnis.append(size_t(std::count(danach, p, '\n')), '\n');
        } else if (BeginntMit(danach, "main()")) {
            ergebnis += "void main( ";
            bool erster = true;
            SchreibeParameter(ergebnis, eingaben, false, pixelStufe, erster);
            SchreibeParameter(ergebnis, ausgaben, true, pixelStufe, erster);
            ergebnis += ")";
            p = danach + 6;
        } else {
            p = danach;
        }
    }
    ergebnis += p;
    return ergebnis;
}

namespace {

Velm_KonstantenArt ArtDerKlasse(D3DXPARAMETER_CLASS klasse) {
    switch (klasse) {
    case D3DXPC_SCALAR:
        return Velm_KonstanteSkalar;
    case D3DXPC_VECTOR:
        return Velm_KonstanteVektor;
    case D3DXPC_MATRIX_ROWS:
        return Velm_KonstanteMatrixZeilen;
    case D3DXPC_MATRIX_COLUMNS:
        return Velm_KonstanteMatrixSpalten;
    case D3DXPC_STRUCT:
        return Velm_KonstanteStruktur;
    default:
        return Velm_KonstanteObjekt;
    }
}

} // namespace

Velm_HighLevelShaderBasis::~Velm_HighLevelShaderBasis() {
    Velm::GibFrei(mKonstantenTabelle);
    Velm::GibFrei(mKode);
    Velm::GibFrei(mMeldungen);
}

const char* Velm_HighLevelShaderBasis::GetMeldungen() const {
    return mMeldungen != nullptr ? static_cast<const char*>(mMeldungen->GetBufferPointer()) : nullptr;
}

bool Velm_HighLevelShaderBasis::KompiliereLeiseOderWirf(const char* quelle, const Velm_ShaderMakros& makros,
                                                        bool leise, bool pixelStufe) {
    try {
        return Kompiliere(quelle, makros, leise, pixelStufe);
    } catch (const Velm_Ausnahme&) {
        if (leise) {
            return false;
        }
        throw;
    }
}

TSpeicher Velm_HighLevelShaderBasis::Uebersetze(const char* quelle, const Velm_ShaderMakros& makros,
                                                bool pixelStufe, Velm_CppBericht* bericht) {
    TSpeicher makroZeilen;
    for (const auto& [name, wert] : makros) {
        makroZeilen.SchreibeFormatText("#define %s %s\n", name.c_str(), wert.c_str());
    }
    // The macros take no lines of the author's text.
    makroZeilen.SchreibeFormatText("#line 1\n");

    TSpeicher vorverarbeitet;
    CppKontext kontext;
    kontext.texte[0] = kPrelude;
    kontext.texte[1] = reinterpret_cast<const char*>(makroZeilen.Daten());
    kontext.texte[2] = quelle != nullptr ? quelle : "";
    kontext.laengen[0] = std::strlen(kPrelude);
    kontext.laengen[1] = makroZeilen.Groesse();
    kontext.laengen[2] = std::strlen(kontext.texte[2]);
    kontext.ausgabe = &vorverarbeitet;

    std::unique_ptr<CppZustand> zustand(new (std::nothrow) CppZustand());
    bool fatal = true;
    if (zustand) {
        // The line markers keep the compiler's line numbers on the author's lines.
        const CppTag tags[] = {cpp_Tag(CppTag_Eingabename, "SpoeSpoe"),
                               cpp_Tag(CppTag_Eingabe, &CppLiesEingabe),
                               cpp_Tag(CppTag_Ausgabe, &CppSchreibeZeichen),
                               cpp_Tag(CppTag_Benutzerdaten, &kontext),
                               cpp_Tag(CppTag_Zeilenmarken, 1),
                               cpp_Tag(CppTag_Banner, 0),
                               cpp_Tag(CppTag_Meldungen, &CppMeldeFehler),
                               cpp_Tag(CppTag_DateiOeffnen, &CppOeffneDatei),
                               cpp_Tag(CppTag_Ende, 0)};
        // Errors leave text worth compiling; a fatal diagnostic leaves it cut off anywhere.
        cpp_Verarbeite(tags, *zustand);
        fatal = cpp_Fatal(*zustand);
    }
    vorverarbeitet.SchreibeU8(0);
    if (bericht != nullptr) {
        bericht->mMeldungen = std::move(kontext.meldungen);
        bericht->mFatal = fatal;
    }

    const std::string umgeschrieben =
        SchreibeDialektUm(reinterpret_cast<const char*>(vorverarbeitet.Daten()), pixelStufe);
    TSpeicher ergebnis;
    ergebnis.SchreibeBlock(umgeschrieben.data(), umgeschrieben.size());
    ergebnis.SchreibeU8(0);
    return ergebnis;
}

char* Velm_HighLevelShaderBasis::CppLiesEingabe(char* puffer, int groesse, void* benutzer, FILE*) {
    auto& k = *static_cast<CppKontext*>(benutzer);
    while (k.index < 3 && k.position >= k.laengen[k.index]) {
        ++k.index;
        k.position = 0;
    }
    if (k.index >= 3 || groesse < 2) {
        return nullptr;
    }
    const size_t n = std::min(k.laengen[k.index] - k.position, size_t(groesse - 1));
    std::memcpy(puffer, k.texte[k.index] + k.position, n);
    puffer[n] = 0;
    k.position += n;
    return puffer;
}

void Velm_HighLevelShaderBasis::CppSchreibeZeichen(int zeichen, void* benutzer) {
    static_cast<CppKontext*>(benutzer)->ausgabe->SchreibeU8(uint8_t(zeichen));
}

void Velm_HighLevelShaderBasis::CppMeldeFehler(void* benutzer, const char* format, va_list argumente) {
    va_list kopie;
    va_copy(kopie, argumente);
    const int laenge = std::vsnprintf(nullptr, 0, format, kopie);
    va_end(kopie);
    if (laenge > 0) {
        std::string& meldungen = static_cast<CppKontext*>(benutzer)->meldungen;
        const size_t alt = meldungen.size();
        meldungen.resize(alt + size_t(laenge) + 1);
        va_copy(kopie, argumente);
        std::vsnprintf(meldungen.data() + alt, size_t(laenge) + 1, format, kopie);
        va_end(kopie);
        meldungen.pop_back();
    }
    Velm_Konsole::SchreibeV(format, argumente);
}

FILE* Velm_HighLevelShaderBasis::CppOeffneDatei(const char* name, const char* modus) {
    const std::filesystem::path pfad = Velm_System::Global().mAnwendungsOrdner / name;
    return std::fopen(pfad.c_str(), modus);
}

void Velm_HighLevelShaderBasis::LiesKonstanten() {
    mNamen.clear();
    if (mKonstantenTabelle == nullptr) {
        return;
    }
    D3DXCONSTANTTABLE_DESC beschreibung{};
    if (FAILED(mKonstantenTabelle->GetDesc(&beschreibung))) {
        return;
    }
    for (UINT i = 0; i < beschreibung.Constants; ++i) {
        InternLiesKonstante(mKonstantenTabelle->GetConstant(nullptr, i), "", 0);
    }
}

void Velm_HighLevelShaderBasis::InternLiesKonstante(D3DXHANDLE konstante, const std::string& praefix,
                                                    uint32_t basis) {
    if (konstante == nullptr) {
        return;
    }
    D3DXCONSTANT_DESC beschreibungen[10] = {};
    UINT anzahl = 10;
    if (FAILED(mKonstantenTabelle->GetConstantDesc(konstante, beschreibungen, &anzahl))) {
        return;
    }
    for (UINT d = 0; d < anzahl && d < 10; ++d) {
        const D3DXCONSTANT_DESC& b = beschreibungen[d];
        const std::string name = praefix + (b.Name != nullptr ? b.Name : "");
        const Velm_KonstantenArt art = ArtDerKlasse(b.Class);
        Velm_ShaderKonstante eintrag;
        eintrag.mRegister = b.RegisterIndex + basis;
        eintrag.mAnzahl = uint8_t(b.RegisterCount);
        eintrag.mSpalten = uint8_t(b.Columns);
        eintrag.mZeilen = uint8_t(b.Rows);
        eintrag.mArt = b.Elements == 1 ? art : Velm_KonstanteStruktur;
        mNamen[name] = eintrag;

        if (b.Elements > 1) {
            const uint32_t proElement = b.RegisterCount / b.Elements;
            for (UINT j = 0; j < b.Elements; ++j) {
                const std::string elementName = name + "[" + std::to_string(j) + "]";
                Velm_ShaderKonstante element = eintrag;
                element.mRegister = eintrag.mRegister + j * proElement;
                element.mAnzahl = uint8_t(proElement);
                element.mArt = art;
                mNamen[elementName] = element;
                if (b.Class == D3DXPC_STRUCT) {
                    for (UINT m = 0; m < b.StructMembers; ++m) {
                        InternLiesKonstante(mKonstantenTabelle->GetConstant(konstante, m), elementName + ".",
                                            basis + j * proElement);
                    }
                }
            }
        } else if (b.Class == D3DXPC_STRUCT) {
            for (UINT m = 0; m < b.StructMembers; ++m) {
                InternLiesKonstante(mKonstantenTabelle->GetConstant(konstante, m), name + ".", basis);
            }
        }
    }
}

const Velm_ShaderKonstante* Velm_HighLevelShaderBasis::FindeKonstante(const std::string& name) const {
    const auto it = mNamen.find(name);
    return it != mNamen.end() ? &it->second : nullptr;
}

namespace {

std::atomic<uint32_t> gVertexNummer{0};
std::atomic<uint32_t> gPixelNummer{0};

struct StufenTexte {
    const char* muster;
    const char* fehlerZeile;
    const char* fehlerText;
    const char* funktion;
    const char* bemerkungen;
};

constexpr StufenTexte kVertexTexte = {
    "vs%03u.txt", "!Velm_VertexShader::UebersetzeQuelltext(...): Übersetzung gescheitert. DirectX meinte:",
    "VertexShader-Übersetzung gescheitert.", "Velm_VertexShader::UebersetzeAusString",
    "?Velm_VertexShader::UebersetzeQuelltext(...): Bemerkungen von DirectX zum Shader:"};
constexpr StufenTexte kPixelTexte = {
    "ps%03u.txt", "!Velm_PixelShader::UebersetzeQuelltext(...): Übersetzung gescheitert. DirectX meinte:",
    "PixelShader-Übersetzung gescheitert.", "Velm_PixelShader::UebersetzeAusString",
    "?Velm_PixelShader::UebersetzeQuelltext(...): Bemerkungen von DirectX zum Shader:"};

// Writes the whole text; false when the file cannot be opened or written completely.
bool SchreibeDatei(const char* name, const char* text) {
    FILE* datei = std::fopen(name, "w");
    if (datei == nullptr) {
        return false;
    }
    const size_t laenge = std::strlen(text);
    const bool geschrieben = std::fwrite(text, 1, laenge, datei) == laenge;
    return std::fclose(datei) == 0 && geschrieben;
}

// A buffer with the zero-terminated text, as the compiler gives its messages.
ID3DXBuffer* TextPuffer(const std::string& text) {
    ID3DXBuffer* puffer = nullptr;
    if (SUCCEEDED(D3DXCreateBuffer(DWORD(text.size() + 1), &puffer))) {
        std::memcpy(puffer->GetBufferPointer(), text.c_str(), text.size() + 1);
    }
    return puffer;
}

} // namespace

uint32_t Velm_NaechsteShaderNummer(bool pixelStufe) {
    return (pixelStufe ? gPixelNummer : gVertexNummer).fetch_add(1);
}

bool Velm_HighLevelShaderBasis::Kompiliere(const char* quelle, const Velm_ShaderMakros& makros, bool leise,
                                           bool pixelStufe) {
    const StufenTexte& t = pixelStufe ? kPixelTexte : kVertexTexte;
    Velm_CppBericht bericht;
    const TSpeicher text = Uebersetze(quelle, makros, pixelStufe, &bericht);
    const char* hlsl = reinterpret_cast<const char*>(text.Daten());

    const char* profil = nullptr;
    if (Velm_Screen3D::Kontext != nullptr) {
        profil = pixelStufe ? Velm_Screen3D::Kontext->Impl().PixelProfil()
                            : Velm_Screen3D::Kontext->Impl().VertexProfil();
    }
    Velm::GibFrei(mKode);
    Velm::GibFrei(mMeldungen);
    Velm::GibFrei(mKonstantenTabelle);

    char dump[32] = "";
    if (!bericht.mFatal && debugShader.Bool()) {
        std::snprintf(dump, sizeof dump, t.muster, Velm_NaechsteShaderNummer(pixelStufe));
        // A dump that could not be written must not be compiled: it is missing or stale.
        if (!SchreibeDatei(dump, hlsl)) {
            dump[0] = 0;
        }
    }
    HRESULT ergebnis = E_FAIL;
    if (bericht.mFatal) {
        // A text cut short is not compiled; the preprocessor's lines say why.
        mMeldungen = TextPuffer(bericht.mMeldungen);
    } else if (dump[0] != 0) {
        ergebnis = D3DXCompileShaderFromFileA(dump, nullptr, nullptr, "main", profil,
                                              D3DXSHADER_DEBUG | D3DXSHADER_SKIPOPTIMIZATION, &mKode,
                                              &mMeldungen, &mKonstantenTabelle);
    } else {
        ergebnis = D3DXCompileShader(hlsl, UINT(std::strlen(hlsl)), nullptr, nullptr, "main", profil, 0,
                                     &mKode, &mMeldungen, &mKonstantenTabelle);
    }

    const char* meldungsText = GetMeldungen();
    if (FAILED(ergebnis)) {
        if (!leise) {
            Velm_Konsole::Schreibe("%s", t.fehlerZeile);
            Velm_Konsole::Schreibe("?%s", meldungsText != nullptr ? meldungsText : "");
            Velm_Pruefbericht(t.fehlerText, t.funktion, __FILE__, __LINE__);
        }
        return false;
    }
    if (meldungsText != nullptr) {
        Velm_Konsole::SchreibeDebug("%s", t.bemerkungen);
        Velm_Konsole::SchreibeDebug("?%s", meldungsText);
    }
    return true;
}
