#include "nadrel/welt/geist.h"

#include "nadrel/welt/zufall.h"
#include "velmklassen/kern/velm_zeitgeber.h"

#include <algorithm>
#include <cmath>

namespace Spiel {

namespace {
// 256 particles per second, each lives two seconds.
constexpr int64_t kErzeugungsTakt = int64_t(gZaehlerFrequenzF * 0.00390625f);
constexpr int64_t kLebensdauer = int64_t(gZaehlerFrequenzF * 2);

float ZufallsKomponente() {
    return ZufallsZahl() * 6.103702e-5f - 1;
}
} // namespace

Geist::Geist(Szene& welt, const Vektor& position) : Objekt(welt, position) {
    mInstanz = welt.NeueInstanz(mPunkte.data(), mPunkte.data(), Verschiebung(position));
}

Geist::~Geist() {
    if (mInstanz != kKeinIndex)
        mWelt->EntferneInstanz(mInstanz);
}

void Geist::Aktualisiere() {
    const int64_t ticks = mWelt->SchrittTicks();
    const float dt = mWelt->Schritt();
    Schiebe(dt);
    BewegePartikel(dt, ticks);
    ErzeugePartikel(ticks);
    BauePunkte();
}

void Geist::Schiebe(float dt) {
    for (const Huegel& huegel : mWelt->mHuegel) {
        const float dx = mPosition.x - huegel.x;
        const float dz = mPosition.z - huegel.z;
        const float d = std::sqrt(dx * dx + dz * dz);
        // No push within 30 units, full push from 80. Skipping the weightless hills also keeps a
        // ghost right above a hill centre (d = 0) from dividing 0 by 0.
        const float gewicht = std::clamp((d - 30) * 0.02f, 0.0f, 1.0f);
        if (gewicht == 0)
            continue;
        mGeschwindigkeit.x += dx / d * dt * gewicht;
        mGeschwindigkeit.z += dz / d * dt * gewicht;
    }

    // The pull towards the origin is not scaled by dt: it turns the ghost even while paused. At
    // the origin itself there is no direction to pull in.
    const float r = Laenge(mPosition);
    if (r > 0)
        mGeschwindigkeit -= mPosition * (0.8f / r);

    const float tempo2 = Skalarprodukt(mGeschwindigkeit, mGeschwindigkeit);
    if (tempo2 > 0.001f)
        mGeschwindigkeit = mGeschwindigkeit * (10 / std::sqrt(tempo2));

    mPosition += mGeschwindigkeit * dt;
}

void Geist::BewegePartikel(float dt, int64_t ticks) {
    for (size_t i = 0; i < mPartikel.size();) {
        Partikel& p = mPartikel[i];
        p.mPosition += p.mGeschwindigkeit * dt;
        p.mGeschwindigkeit.y += 4 * dt;
        p.mRestleben -= ticks;
        if (p.mRestleben > 0) {
            ++i;
            continue;
        }
        // The last particle takes the dead one's place and is processed next.
        p = mPartikel.back();
        mPartikel.pop_back();
    }
}

void Geist::ErzeugePartikel(int64_t ticks) {
    mErzeugungsKonto += ticks;
    const int64_t n = mErzeugungsKonto / kErzeugungsTakt;
    mErzeugungsKonto -= n * kErzeugungsTakt;
    for (int64_t i = 0; i < n; ++i) {
        Vektor v;
        v.z = ZufallsKomponente();
        v.y = ZufallsKomponente();
        v.x = ZufallsKomponente();
        mPartikel.push_back({mPosition, v, kLebensdauer});
    }
}

void Geist::BauePunkte() {
    mPunkte.clear();
    for (const Partikel& p : mPartikel) {
        // Size and alpha grow with the particle's age; the grey stays white.
        const float alter = 1 - float(p.mRestleben) / float(kLebensdauer);
        const uint32_t groesse = uint32_t(alter * 204.798f + 30.7197f);
        const uint32_t alpha = uint32_t(alter * 255.9f) % 256;
        mPunkte.push_back({p.mPosition.x, p.mPosition.y, p.mPosition.z, 0xFFFF0000u | alpha << 8 | groesse});
    }
    RenderInstanz& instanz = mWelt->mInstanzen[mInstanz];
    instanz.mPunkteAnfang = mPunkte.data();
    instanz.mPunkteEnde = mPunkte.data() + mPunkte.size();
    instanz.mMatrix = Einheitsmatrix();
    instanz.mZeichenpunkte.Leere();
}

} // namespace Spiel
