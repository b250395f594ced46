// The game's frame in a 1280 x 720 window on the X server (run under xvfb-run), on a level of a
// fixed seed, 300 frames per figure at image heights 60, 240 and 960: the frame job and present
// as the frame loop runs them, and the parts on their own: the processor's scene work, the filter
// pass and present. Skipped without a display.

#include "nadrel/darstellung/renderer.h"
#include "nadrel/filter/filtersatz.h"
#include "nadrel/oberflaeche/overlay.h"
#include "nadrel/spiel/anwendung.h"
#include "nadrel/welt/levelbau.h"
#include "nadrel/welt/spieler.h"
#include "nadrel/welt/szene.h"
#include "plattform/system/plattform_system.h"
#include "velmklassen/kern/velm_zeitgeber.h"
#include "velmklassen/render/velm_screen3d.h"
#include "velmklassen/render/velm_shaderbasis.h"
#include "velmklassen/render/velm_zeichenkontext.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using namespace Spiel;

constexpr int kBilder = 300;

// What one run of the game builds, as the frame loop builds it.
struct Partie {
    Anwendung anwendung;
    Velm_Zeitgeber spielZeit;
    Szene welt{&spielZeit};
    Renderer renderer{DatenOrdner()};
    FilterSatz filter{renderer.mFilter.mEffekte};
    uint64_t hoehe = 60;

    Partie() {
        Plattform::SetzeZufallsSaat(20261207);
        BaueSzene(welt);
        filter.AddFilter("pause", 0);
        FilterVerwaltung::BerechneFilterkette(filter);
        filter.SetParameter("staerke", 0, 0, 0, 0);
    }

    void ImHauptfaden(const std::function<void()>& auftrag) {
        anwendung.mKern.StarteImHauptfaden([&] {
            auftrag();
            anwendung.mKern.BeendeHauptschleife();
        });
        anwendung.mKern.BearbeiteHauptschleife();
    }
};

std::unique_ptr<Partie> gPartie;

void Bild(benchmark::State& state) {
    Partie& p = *gPartie;
    p.hoehe = uint64_t(state.range(0));
    const Anwendung::BildJob job{p.welt, p.renderer, p.hoehe, p.filter, p.anwendung};
    for (auto _ : state) {
        Velm_Zeitgeber::Global().Aktualisiere();
        p.spielZeit.Aktualisiere();
        p.anwendung.mKern.StarteImHauptfaden(std::cref(job));
        p.anwendung.mKern.BearbeiteHauptschleife();
        Velm_Screen3D::Kontext->Praesentieren();
    }
    state.SetItemsProcessed(state.iterations());
}

void Szenenarbeit(benchmark::State& state) {
    Partie& p = *gPartie;
    const uint64_t hoehe = uint64_t(state.range(0));
    const Spieler& spieler = *p.welt.mSpieler;
    std::vector<uint32_t> bild;
    p.ImHauptfaden([&] {
        for (auto _ : state)
            p.renderer.BerechneBild(p.welt, hoehe, spieler.mPosition, spieler.mGieren, spieler.mNicken, 1280,
                                    720, bild);
    });
    state.SetItemsProcessed(state.iterations());
}

// The filter pass reads the last frame's scene target, so present waits for its drawing; present
// alone, below, shows what presenting itself takes.
void Filterpass(benchmark::State& state) {
    Partie& p = *gPartie;
    const FilterSatz::Ziel ziel{nullptr, 0, 0, 1280, 720};
    for (auto _ : state) {
        p.filter.Ausfuehren(p.renderer.mSzenenTextur.get(), ziel, p.renderer.mFilter.Ressourcen());
        Velm_Screen3D::Kontext->Praesentieren();
    }
    state.SetItemsProcessed(state.iterations());
}

void Praesentieren(benchmark::State& state) {
    for (auto _ : state)
        Velm_Screen3D::Kontext->Praesentieren();
    state.SetItemsProcessed(state.iterations());
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!std::getenv("DISPLAY")) {
        std::printf("no display: run under xvfb-run -s \"-screen 0 1280x1024x24\"\n");
        return 0;
    }
    displaywidth.SetInt(1280);
    displayheight.SetInt(720);
    fullscreen.SetBool(false);
    vsync.SetBool(false);
    debugShader.SetBool(false);
    gPartie = std::make_unique<Partie>();

    for (const int hoehe : {60, 240, 960}) {
        benchmark::RegisterBenchmark("BM_Bild", Bild)
            ->Arg(hoehe)
            ->Iterations(kBilder)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("BM_Szenenarbeit", Szenenarbeit)
            ->Arg(hoehe)
            ->Iterations(kBilder)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("BM_Filterpass", Filterpass)
        ->Iterations(kBilder)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_Praesentieren", Praesentieren)
        ->Iterations(kBilder)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gPartie.reset();
    return 0;
}
