#pragma once
// The registry of named profiling nodes: a tree under the root "Gesamt", every node numbered in
// the order it registered, and a stack of open nodes with the root at its bottom.

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

struct Velm_ProfilKnoten {
    uint64_t mIndex = 0; // position in the registry
    std::string mName;
    std::string mDatei; // source file that declares the node
    int mZeile = 0;
    uint64_t mZaehler[6] = {};
    std::vector<Velm_ProfilKnoten*> mKinder; // not owned
};

class Velm_ProfilManager {
public:
    // Built during static initialisation and kept until the process ends; the first call builds
    // it, so nodes may register from other static initialisers too.
    static Velm_ProfilManager& Global();

    Velm_ProfilManager();
    Velm_ProfilManager(const Velm_ProfilManager&) = delete;
    Velm_ProfilManager& operator=(const Velm_ProfilManager&) = delete;

    // Appends the node (not owned) and returns its index.
    uint64_t Registriere(Velm_ProfilKnoten& knoten);

    const std::vector<Velm_ProfilKnoten*>& Knoten() const { return mRegister; }
    const std::deque<Velm_ProfilKnoten*>& OffeneKnoten() const { return mOffen; }

private:
    std::vector<Velm_ProfilKnoten*> mRegister;
    std::deque<Velm_ProfilKnoten*> mOffen;
    Velm_ProfilKnoten mWurzel;
};
