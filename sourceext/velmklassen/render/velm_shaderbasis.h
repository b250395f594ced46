#pragma once
// What vertex and pixel shaders share: the engine's shader dialect ($rein, $raus, $main()) and
// its translation into plain HLSL through the preprocessor, and the map from constant names to
// registers read from the compiled shader's constant table.

#include "plattform/shaderkompiler/d3dx9shader.h"
#include "velmklassen/kern/velm_speicher.h"
#include "velmklassen/kern/velm_variable.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

// On: each translated shader's HLSL is written to a numbered file in the working folder and
// compiled from there with debug information.
extern Velm_Variable debugShader;

// Kinds of constants: 4 also stands for any array.
enum Velm_KonstantenArt : uint8_t {
    Velm_KonstanteSkalar = 0,
    Velm_KonstanteVektor = 1,
    Velm_KonstanteMatrixZeilen = 2,
    Velm_KonstanteMatrixSpalten = 3,
    Velm_KonstanteStruktur = 4,
    Velm_KonstanteObjekt = 5,
};

struct Velm_ShaderKonstante {
    uint32_t mRegister = 0;
    uint8_t mAnzahl = 0;
    uint8_t mSpalten = 0;
    uint8_t mZeilen = 0;
    uint8_t mArt = Velm_KonstanteSkalar;
};

// Macros handed to a shader, each written as "#define name value" before its source.
using Velm_ShaderMakros = std::vector<std::pair<std::string, std::string>>;

// What the preprocessor said while translating: its message lines, and whether a fatal diagnostic
// cut the text short, which then must not be compiled.
struct Velm_CppBericht {
    std::string mMeldungen;
    bool mFatal = false;
};

class Velm_HighLevelShaderBasis {
public:
    Velm_HighLevelShaderBasis() = default;
    virtual ~Velm_HighLevelShaderBasis();
    Velm_HighLevelShaderBasis(const Velm_HighLevelShaderBasis&) = delete;
    Velm_HighLevelShaderBasis& operator=(const Velm_HighLevelShaderBasis&) = delete;

    // The fixed text every shader sees first: portability macros and helpers, then "#line 1".
    static const char* const kPrelude;

    // Preprocesses the prelude, the macro lines and the source, then rewrites the dialect; the
    // result is zero-terminated. Its line markers give the compiler the author's lines: the
    // source's first line is line 1, an included file's lines are counted in that file.
    static TSpeicher Uebersetze(const char* quelle, const Velm_ShaderMakros& makros, bool pixelStufe,
                                Velm_CppBericht* bericht = nullptr);
    // The rewriting step on preprocessed text: collects the $rein and $raus declarations, drops
    // them (but not their line ends), and writes the full parameter list with semantics at every
    // $main().
    static std::string SchreibeDialektUm(const char* text, bool pixelStufe);

    // Fills the name map from the constant table.
    void LiesKonstanten();
    void InternLiesKonstante(D3DXHANDLE konstante, const std::string& praefix, uint32_t basis);

    // The first register of a name, or none.
    const Velm_ShaderKonstante* FindeKonstante(const std::string& name) const;

    // The preprocessor's callbacks.
    static char* CppLiesEingabe(char* puffer, int groesse, void* kontext, FILE* datei);
    static void CppSchreibeZeichen(int zeichen, void* kontext);
    static void CppMeldeFehler(void* kontext, const char* format, va_list argumente);
    static FILE* CppOeffneDatei(const char* name, const char* modus);

    // The compiler's messages, or null.
    const char* GetMeldungen() const;

    ID3DXConstantTable* mKonstantenTabelle = nullptr;
    std::map<std::string, Velm_ShaderKonstante> mNamen;
    ID3DXBuffer* mKode = nullptr;
    ID3DXBuffer* mMeldungen = nullptr;

protected:
    // Translates and compiles for one stage into code, messages and the constant table; false
    // after a failed compilation (reported unless quiet). Engine exceptions of the translation
    // pass through.
    bool Kompiliere(const char* quelle, const Velm_ShaderMakros& makros, bool leise, bool pixelStufe);
    // The same, but quiet also means that an engine exception of the translation gives false.
    bool KompiliereLeiseOderWirf(const char* quelle, const Velm_ShaderMakros& makros, bool leise,
                                 bool pixelStufe);
};

// The number the next dump of a stage gets ("vs%03d.txt", "ps%03d.txt"), counted per process.
uint32_t Velm_NaechsteShaderNummer(bool pixelStufe);
