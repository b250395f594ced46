#include "nadrel/welt/schluessel.h"

#include "nadrel/welt/punktstreuung.h"
#include "nadrel/welt/spieler.h"
#include "velmklassen/kern/velm_zeitgeber.h"

#include <cmath>

namespace Spiel {

bool gSchluesselGenommen = false;

Schluessel::Schluessel(Szene& welt, const Vektor& position)
    : Objekt(welt, position), mLoeschung(Velm_Zeitgeber::kKeinAufruf) {
    if (welt.mSchluesselMesh == kKeinIndex)
        BaueMesh();
    const Feld<Punkt>& mesh = welt.mMeshes[welt.mSchluesselMesh];
    mInstanz = welt.NeueInstanz(mesh.begin(), mesh.end(), Verschiebung(position));
}

Schluessel::~Schluessel() {
    // A key deleted some other way must not be deleted again by its pick-up.
    if (mLoeschung != Velm_Zeitgeber::kKeinAufruf)
        Velm_Zeitgeber::EntferneAufruf(mLoeschung);
    if (mInstanz != kKeinIndex)
        mWelt->EntferneInstanz(mInstanz);
}

void Schluessel::BaueMesh() {
    mWelt->mSchluesselMesh = mWelt->NeuesMesh(10000);
    Feld<Punkt>& mesh = mWelt->mMeshes[mWelt->mSchluesselMesh];
    // The bow, the shaft and the three teeth of the bit, in the key's own space.
    StreuePunkteAufRing(mesh, {-1, 0, 0}, {0, 0, 1}, {0.5f, 0.5f, 0.5f});
    StreuePunkteAufStrecke(mesh, {-0.5f, 0, 0}, {1.5f, 0, 0});
    StreuePunkteAufStrecke(mesh, {0.8f, 0.1f, 0}, {0, 0.2f, 0});
    StreuePunkteAufStrecke(mesh, {0.9f, 0.1f, 0}, {0, 0.1f, 0});
    StreuePunkteAufStrecke(mesh, {1.0f, 0.1f, 0}, {0, 0.2f, 0});
}

void Schluessel::Aktualisiere() {
    const float dt = mWelt->Schritt();
    mWinkel = std::fmod(mWinkel + dt, 6.2831855f);

    // The bob is only drawn: the stored position stays on the ground.
    const Vektor ort{mPosition.x, mPosition.y + 0.3f * std::sin(mWinkel), mPosition.z};
    mWelt->mInstanzen[mInstanz].mMatrix =
        MatrixProdukt(AlsMatrix(DrehMatrix({0, 1, 0}, mWinkel)), Verschiebung(ort));

    const Spieler* spieler = mWelt->mSpieler;
    if (!spieler)
        return;
    const float dx = spieler->mPosition.x - mPosition.x;
    const float dz = spieler->mPosition.z - mPosition.z;
    const float d = std::sqrt(dx * dx + dz * dz);
    if (d < 1) {
        gSchluesselGenommen = true;
        // Deleted from the global timer between two frame jobs, never from inside this update.
        // Until then later updates must not schedule it a second time.
        if (mLoeschung == Velm_Zeitgeber::kKeinAufruf)
            mLoeschung = Velm_Zeitgeber::PlaneAufruf(0, [this] {
                mLoeschung = Velm_Zeitgeber::kKeinAufruf;
                delete this;
            });
    } else if (d < 6) {
        mPosition.x += dx / d * 2 * dt;
        mPosition.z += dz / d * 2 * dt;
    }
}

} // namespace Spiel
