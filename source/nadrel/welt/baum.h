#pragma once
// Trees as point clouds: a trunk that grows in steps and sprouts side branches, all drawn from a
// Mersenne Twister seeded per tree; the branches' segments are then filled with wood and foliage.

#include "nadrel/welt/feld.h"
#include "nadrel/welt/szene.h"
#include "nadrel/welt/vektor.h"

#include <cstdint>
#include <random>
#include <vector>

namespace Spiel {

constexpr uint32_t kHolzAttribut = 0x56CEFF66;
constexpr uint32_t kLaubAttribut = 0x8235FFCC;

// A value along a branch: coefficients drawn when the branch starts (A = c0 + u * c0 spread and
// so on), then A + B t + C t^2 plus fresh noise at every evaluation.
struct Kurve {
    float c0, c0Streuung, c1, c1Streuung, c2, c2Streuung, rauschen;
};

// One level of branches. Lengths are multiplied by the scale of the branch they belong to.
struct Ebene {
    float ersterAbstand, ersterAbstandStreuung; // along the parent before the first sprouting point
    Kurve intervall;                            // between two sprouting points along the parent
    Kurve anzahl;                               // branches per sprouting point
    Kurve neigung;                              // radians between the parent's direction and the branch
    Kurve azimut;                               // radians about the parent's direction
    Kurve schritt;                              // length of one growth step
    Kurve radius;
    float schrittzahl, schrittzahlStreuung;
    float laubStart, laubStartStreuung; // distance along the branch where the foliage begins
    Kurve laubRadius;
    Kurve laubAbflachung;
    Kurve unbenutzt; // drawn but never evaluated
    std::vector<Ebene> kinder;
};

struct BaumParameter {
    float skala, skalaStreuung;
    Ebene stamm;
    Ebene zweiteEbene;
};

// A tapered piece of a branch with the foliage tube around it; every value changes linearly
// along its length.
struct Segment {
    Vektor start;
    Vektor richtung; // unit
    Vektor e1, e2;   // unit, perpendicular to the direction and to each other
    float radius, radiusAenderung;
    float laubRadius, laubRadiusAenderung;
    float laubVerhaeltnis, laubVerhaeltnisAenderung; // foliage radius / flattening
    float laenge;
};

using Zufallsgenerator = std::mt19937_64;

// The parameters of every tree of the game.
BaumParameter StandardBaum();

void BaueBaum(Feld<Punkt>& punkte, const Vektor& basis, int saat);
void ErzeugeBaum(Feld<Punkt>& punkte, const Vektor& basis, int saat, const BaumParameter& parameter);
// The branches of a tree without its points.
std::vector<Segment> ErzeugeAeste(const Vektor& basis, int saat, const BaumParameter& parameter);
// Grows the branches of one sprouting point and, recursively, theirs. The azimuths chosen for
// this point are left in winkel.
void WachseAeste(std::vector<float>& winkel, std::vector<Segment>& segmente, Zufallsgenerator& zufall,
                 const Vektor& start, const Vektor& elternRichtung, const Ebene& ebene, float skala);
void StreuePunkteAufAesten(Feld<Punkt>& punkte, const std::vector<Segment>& segmente);

// The angular distance the azimuth spacing compares with its tolerance.
float AzimutAbstand(float alpha, float beta);

} // namespace Spiel
