// The effect-file loader over arbitrary file contents on a headless device: every input ends in
// a loaded effect or in its lines, never in a crash, a read out of bounds or a leaked GPU object.
// The shader compiler is not under test here (glslang has faults of its own on some broken HLSL),
// so the text of every shader element becomes one of two fixed sources: one that compiles and
// one that does not.

#include "nadrel/filter/filterverwaltung.h"
#include "velmklassen/render/velm_screen3d.h"
#include "velmklassen/render/velm_shaderbasis.h"
#include "velmklassen/render/velm_zeichenkontext.h"

#include "fuzz_arbeitsordner.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

const std::filesystem::path& Ordner() {
    return FuzzArbeitsOrdner("fuzz_filtereffekt");
}

const char* const kQuellen[2][2] = {
    {"$rein float4 e; $rein float2 t; $raus float4 p; $raus float2 u; $main() { p = e; u = t; }",
     "DEF_SAMPLER_2D( a); float4 k; float4 g; $rein float2 u; $raus float4 f; $main() { f = SAMPLE_2D( a, u) * k + g; }"},
    {"$main() { p = ; }", "$raus float4 f; $main() { f = nichts; }"}};

// Replaces the content between each shader element's start tag and its end tag.
std::string MitFestenShadern(std::string text) {
    const char* const namen[2] = {"vertexShader", "pixelShader"};
    for (int stufe = 0; stufe < 2; ++stufe) {
        const std::string anfang = std::string("<") + namen[stufe];
        const std::string ende = std::string("</") + namen[stufe];
        for (size_t p = text.find(anfang); p != std::string::npos; p = text.find(anfang, p + 1)) {
            const size_t inhalt = text.find('>', p);
            const size_t schluss = inhalt == std::string::npos ? inhalt : text.find(ende, inhalt);
            if (schluss == std::string::npos)
                break;
            const bool kaputt = (schluss - inhalt) % 7 == 0;
            text.replace(inhalt + 1, schluss - inhalt - 1, kQuellen[kaputt][stufe]);
        }
    }
    return text;
}

uint64_t Registriert() {
    const auto& reg = Velm_Screen3D::Kontext->mRegister;
    uint64_t anzahl = 0;
    for (uint64_t i = 0; i < reg.Kapazitaet(); ++i)
        anzahl += reg.IstBelegt(i);
    return anzahl;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    debugShader.SetBool(false);
    Velm_Screen3D::mDarstellung = {64, 32, 0, 0};
    Velm_Screen3D::mFenster = nullptr;
    Velm_Screen3D::Kontext = new Velm_ZeichenKontext();
    if (!Velm_Screen3D::Kontext->HatGeraet())
        __builtin_trap();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, size_t groesse) {
    FILE* datei = std::fopen((Ordner() / "filter.f.xml").c_str(), "wb");
    if (!datei)
        return 0;
    const std::string text = MitFestenShadern(std::string(reinterpret_cast<const char*>(daten), groesse));
    std::fwrite(text.data(), 1, text.size(), datei);
    std::fclose(datei);

    const uint64_t vorher = Registriert();
    {
        Spiel::FilterVerwaltung verwaltung(Ordner());
        Spiel::FilterSatz satz(verwaltung.mEffekte);
        satz.AddFilter("f", 0);
        Spiel::FilterVerwaltung::BerechneFilterkette(satz);
    }
    if (Registriert() != vorher)
        __builtin_trap();
    return 0;
}
