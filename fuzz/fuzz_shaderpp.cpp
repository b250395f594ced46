// Arbitrary bytes as the main input of the shader preprocessor. The first byte switches options on,
// so that comments kept, markers, whitespace, nesting, pasting and function tracking are all reached.

#include "shaderpp/cpp.h"
#include "testhilfen/textquelle.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

char* Eingabe(char* puffer, int groesse, void* benutzer, FILE*) {
    return static_cast<TTextQuelle*>(benutzer)->LiesZeile(puffer, groesse);
}

void Ausgabe(int, void*) {}

void Meldung(void*, const char* format, va_list argumente) {
    // Formatting checks that every diagnostic gets arguments that match its text.
    char text[1024];
    vsnprintf(text, sizeof(text), format, argumente);
}

const char kKopf[] = "#define AUS_KOPF(x) x##_k\nAUS_KOPF(kopf) __FILE__ __LINE__\n";

FILE* Oeffne(const char* name, const char*) {
    if (strcmp(name, "kopf.h") != 0 && strcmp(name, "inc/kopf.h") != 0)
        return nullptr;
    return fmemopen(const_cast<char*>(kKopf), sizeof(kKopf) - 1, "r");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, size_t groesse) {
    if (groesse == 0)
        return 0;
    const uint8_t schalter = daten[0];
    TTextQuelle quelle{reinterpret_cast<const char*>(daten + 1), groesse - 1};
    // With function tracking the input's first line is the inserted text, so its braces vary too.
    std::string funktionsText;
    if (schalter & 64) {
        const char* anfang = quelle.mText;
        const void* ende = memchr(anfang, '\n', quelle.mLaenge);
        funktionsText.assign(anfang, ende ? static_cast<const char*>(ende) : anfang + quelle.mLaenge);
        quelle.mPos = funktionsText.size();
    }
    std::vector<CppTag> tags = {
        cpp_Tag(CppTag_Eingabename, "fuzz.fx"),
        cpp_Tag(CppTag_Eingabe, &Eingabe),
        cpp_Tag(CppTag_Ausgabe, &Ausgabe),
        cpp_Tag(CppTag_Meldungen, &Meldung),
        cpp_Tag(CppTag_Benutzerdaten, &quelle),
        cpp_Tag(CppTag_DateiOeffnen, &Oeffne),
        cpp_Tag(CppTag_IncludeVerzeichnis, "inc"),
        cpp_Tag(CppTag_KommentareBehalten, schalter & 1),
        cpp_Tag(CppTag_Zeilenmarken, schalter & 2),
        cpp_Tag(CppTag_LeerraumBehalten, schalter & 4),
        cpp_Tag(CppTag_KommentareVerschachtelt, schalter & 8),
        cpp_Tag(CppTag_PasteExpandiert, schalter & 16),
        cpp_Tag(CppTag_EinfacheZeichen, schalter & 32),
        cpp_Tag(CppTag_KlammerBilanz, schalter & 64),
        cpp_Tag(CppTag_DefinitionenAusgeben, schalter & 128),
        cpp_Tag(CppTag_FunktionenMelden, 1),
        cpp_Tag(CppTag_WarneUnbekannte, 1),
        cpp_Tag(CppTag_WarneKommentarImKommentar, 1),
        cpp_Tag(CppTag_IncludesMelden, 1),
    };
    if (schalter & 64)
        tags.push_back(cpp_Tag(CppTag_FunktionsText, funktionsText.c_str()));
    tags.push_back({CppTag_Ende, 0});
    CppZustand zustand;
    cpp_Verarbeite(tags.data(), zustand);
    return 0;
}
