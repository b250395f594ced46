// The level builder: the levels of pinned seeds keep their figures, also when built one after the
// other.

#include "nadrel/welt/levelbau.h"
#include "testhilfe.h"
#include "testhilfen/testhilfen.h"

#include <tuple>

using namespace Spiel;
using namespace welttest;

namespace {

// The points of all instances as the builder gave them when they were pinned; the hash also takes
// in the instances' matrices, the hills and every object's place. Seed 1 comes twice: a level built
// after another must not differ (a key mesh shared across worlds once made it).
TEST(Levelbau, FesteSaatenBehaltenIhreZahlen) {
    // clang-format off
    const std::tuple<uint32_t, uint64_t, uint64_t, Vektor, Vektor> faelle[] = {
        {1, 881754, 0xe218995c3e2a74a8ull, {-331.6884f, 0.0000f, -319.8374f}, {318.5453f, 36.5113f, 334.1453f}},
        {4711, 930280, 0x761f5183ff35f50cull, {-328.0513f, 0.0000f, -318.5380f}, {316.9397f, 37.5398f, 301.8672f}},
        {1, 881754, 0xe218995c3e2a74a8ull, {-331.6884f, 0.0000f, -319.8374f}, {318.5453f, 36.5113f, 334.1453f}},
    };
    // clang-format on
    for (const auto& [saat, punkte, hash, min, max] : faelle) {
        SCOPED_TRACE(saat);
        Velm_Zeitgeber uhr{&StehendeUhr};
        Szene welt{&uhr};
        Plattform::SetzeZufallsSaat(saat);
        BaueSzene(welt);
        Abdruck abdruck;
        FuerAlleBelegten(welt.mInstanzen, [&](uint64_t, RenderInstanz& i) {
            abdruck.Nimm(i.mPunkteAnfang, i.mPunkteEnde, {i.mMatrix[3], i.mMatrix[7], i.mMatrix[11]});
            Mische(abdruck.hash, i.mMatrix.data(), sizeof i.mMatrix);
        });
        Mische(abdruck.hash, welt.mHuegel.data(), welt.mHuegel.size() * sizeof(Huegel));
        FuerAlleBelegten(welt.mObjekte, [&](uint64_t, Objekt* o) {
            Mische(abdruck.hash, &o->mPosition, sizeof o->mPosition);
        });
        abdruck.Erwarte(punkte, hash, min, max);
    }
}
} // namespace
