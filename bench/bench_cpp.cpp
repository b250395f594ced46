// The shader preprocessor over a generated 5 MB source (function-like macros, nested conditionals,
// includes), in memory, against the system's "cpp -P" over the same files.

#include "shaderpp/cpp.h"
#include "testhilfen/textquelle.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

const char kKopf[] = "#ifndef BENCH_KOPF\n"
                     "#define BENCH_KOPF\n"
                     "#define MISCHE(a, b, t) ((a) + ((b) - (a)) * (t))\n"
                     "#define SKALIERE(v, s) ((v) * (s))\n"
                     "#define QUADRAT(x) ((x) * (x))\n"
                     "#define LAENGE2(v) (QUADRAT(v.x) + QUADRAT(v.y))\n"
                     "#define STUFE 3\n"
                     "#define GEWICHT 0.25\n"
                     "#endif\n";

const char kTeil[] = "// a part that is included again and again\n"
                     "#if STUFE >= 2\n"
                     "static const float teil_gewicht = GEWICHT;\n"
                     "#endif\n";

std::string ErzeugeQuelle() {
    std::string quelle = "#include \"bench_kopf.h\"\n";
    for (int i = 0; quelle.size() < 5 * 1024 * 1024; ++i) {
        const std::string n = std::to_string(i);
        quelle += "/* block " + n + " */\n";
        quelle += "#if STUFE > 2 && (" + n + " % 3 == 0 || defined(EXTRA))\n";
        quelle += "float4 f_" + n + "(float4 a, float4 b) {\n";
        quelle += "    float4 m = MISCHE(a, SKALIERE(b, 0.5), GEWICHT);\n";
        quelle += "#ifdef EXTRA\n    m = m * 2;\n#else\n    m = m + LAENGE2(a) * " + n + ";\n#endif\n";
        quelle += "    return m;\n}\n";
        quelle += "#elif STUFE > 1\n";
        quelle += "float g_" + n + "(float x) { return QUADRAT(x) + SKALIERE(x, " + n + ".0); }\n";
        quelle += "#else\nunbenutzt_" + n + "\n#endif\n";
        if (i % 100 == 0)
            quelle += "#include \"bench_teil.h\"\n";
    }
    return quelle;
}

const std::string& Quelle() {
    static const std::string quelle = ErzeugeQuelle();
    return quelle;
}

struct Lauf {
    TTextQuelle mQuelle;
    size_t mZeichen;
};

char* Eingabe(char* puffer, int groesse, void* benutzer, FILE*) {
    return static_cast<Lauf*>(benutzer)->mQuelle.LiesZeile(puffer, groesse);
}

void Ausgabe(int, void* benutzer) {
    ++static_cast<Lauf*>(benutzer)->mZeichen;
}

FILE* Oeffne(const char* name, const char* modus) {
    if (strcmp(name, "bench_kopf.h") == 0)
        return fmemopen(const_cast<char*>(kKopf), sizeof(kKopf) - 1, modus);
    if (strcmp(name, "bench_teil.h") == 0)
        return fmemopen(const_cast<char*>(kTeil), sizeof(kTeil) - 1, modus);
    return nullptr;
}

void BM_Vorverarbeite(benchmark::State& state) {
    const std::string& quelle = Quelle();
    size_t zeichen = 0;
    for (auto _ : state) {
        Lauf lauf{{quelle.data(), quelle.size()}, 0};
        const CppTag tags[] = {cpp_Tag(CppTag_Eingabename, "bench.fx"), cpp_Tag(CppTag_Eingabe, &Eingabe),
                               cpp_Tag(CppTag_Ausgabe, &Ausgabe),       cpp_Tag(CppTag_Benutzerdaten, &lauf),
                               cpp_Tag(CppTag_Zeilenmarken, 0),         cpp_Tag(CppTag_Banner, 0),
                               cpp_Tag(CppTag_DateiOeffnen, &Oeffne),   {CppTag_Ende, 0}};
        CppZustand zustand;
        if (cpp_Verarbeite(tags, zustand) != 0)
            state.SkipWithError("Vorverarbeitung gescheitert");
        zeichen = lauf.mZeichen;
    }
    state.counters["ausgabe"] = static_cast<double>(zeichen);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * quelle.size()));
}
BENCHMARK(BM_Vorverarbeite)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GccCppReferenz(benchmark::State& state) {
    namespace fs = std::filesystem;
    const fs::path ordner = fs::temp_directory_path() / ("bench_cpp_" + std::to_string(getpid()));
    fs::create_directories(ordner);
    std::ofstream(ordner / "bench.fx", std::ios::binary) << Quelle();
    std::ofstream(ordner / "bench_kopf.h", std::ios::binary) << kKopf;
    std::ofstream(ordner / "bench_teil.h", std::ios::binary) << kTeil;
    const std::string befehl =
        "cpp -P -undef -nostdinc -x c " + (ordner / "bench.fx").string() + " > /dev/null";
    for (auto _ : state)
        if (system(befehl.c_str()) != 0)
            state.SkipWithError("cpp fehlt oder scheitert");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Quelle().size()));
    fs::remove_all(ordner);
}
BENCHMARK(BM_GccCppReferenz)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
