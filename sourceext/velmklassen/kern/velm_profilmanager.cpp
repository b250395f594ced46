#include "velmklassen/kern/velm_profilmanager.h"

Velm_ProfilManager& Velm_ProfilManager::Global() {
    static Velm_ProfilManager manager;
    return manager;
}

[[maybe_unused]] static Velm_ProfilManager& gProfilManagerBeimStart = Velm_ProfilManager::Global();

// The root names this file and line as the place that declares it, like every other node.
Velm_ProfilManager::Velm_ProfilManager() {
    mWurzel.mZeile = __LINE__;
    mWurzel.mName = "Gesamt";
    mWurzel.mDatei = __FILE__;
    mWurzel.mIndex = Registriere(mWurzel);
    mOffen.push_back(&mWurzel);
}

uint64_t Velm_ProfilManager::Registriere(Velm_ProfilKnoten& knoten) {
    mRegister.push_back(&knoten);
    return mRegister.size() - 1;
}
