#include "gui/gui_anordnung.h"

#include "gui/gui_basis.h"

#include <algorithm>

namespace Gui {

namespace {

// A row runs along axis 0 (x), a column along axis 1 (y); the other axis runs across.
float& Achse(BVektor& v, int achse) {
    return achse == 0 ? v.x : v.y;
}
float Achse(const BVektor& v, int achse) {
    return achse == 0 ? v.x : v.y;
}

// What a child claims before stretching.
BVektor Mass(const Basis& kind) {
    return kind.AutomatischeGroesse() ? kind.GibWunschGroesse() : kind.Groesse();
}

BVektor Abstaende(const VaterBasis& vater) {
    const float k = vater.UIScale();
    return {vater.GibEigenschaft("elmAbstand.x", 0) * k, vater.GibEigenschaft("elmAbstand.y", 0) * k, 0};
}

void Ordne(VaterBasis& vater, int laengs, const BVektor& ausrichtung) {
    const int quer = 1 - laengs;
    const BVektor abstand = Abstaende(vater);
    const std::vector<Basis*>& kinder = vater.Kinder();

    // The spacing goes before every active child but the list's first, active or not.
    float summe = 0;
    float dehnung = 0;
    for (size_t i = 0; i < kinder.size(); ++i) {
        const Basis& kind = *kinder[i];
        if (!kind.IstAktiv())
            continue;
        summe += Achse(Mass(kind), laengs);
        if (i != 0)
            summe += Achse(abstand, laengs);
        if (kind.AutomatischeGroesse())
            dehnung += Achse(kind.Dehnung(), laengs);
    }

    const BVektor frei = vater.Groesse() - abstand * 2;
    const float rest = Achse(frei, laengs) - summe;
    for (Basis* kind : kinder) {
        if (!kind->IstAktiv() || !kind->AutomatischeGroesse())
            continue;
        const BVektor p = kind->GibWunschGroesse();
        const float extra = dehnung > 0 ? Achse(kind->Dehnung(), laengs) / dehnung * rest : 0;
        BVektor groesse = p;
        Achse(groesse, laengs) = Achse(p, laengs) + extra;
        Achse(groesse, quer) =
            (Achse(frei, quer) - Achse(p, quer)) * std::min(Achse(kind->Dehnung(), quer), 1.0f) +
            Achse(p, quer);
        kind->SetGroesse(groesse, true);
        summe += extra;
    }

    float ort = (Achse(frei, laengs) - summe) * Achse(ausrichtung, laengs) + Achse(abstand, laengs);
    for (Basis* kind : kinder) {
        if (!kind->IstAktiv())
            continue;
        if (kind->PositionDurchLayout()) {
            BVektor position;
            Achse(position, laengs) = ort;
            Achse(position, quer) =
                (Achse(frei, quer) - Achse(kind->Groesse(), quer)) * Achse(ausrichtung, quer) +
                Achse(abstand, quer);
            kind->SetPosition(position, true);
        }
        ort += Achse(abstand, laengs) + Achse(kind->Groesse(), laengs);
    }
}

} // namespace

void Anordnung::OrdneZeile(VaterBasis& vater) const {
    Ordne(vater, 0, {mAusrichtungX, mAusrichtungY, 0});
}

void Anordnung::OrdneSpalte(VaterBasis& vater) const {
    Ordne(vater, 1, {mAusrichtungX, mAusrichtungY, 0});
}

BVektor Anordnung::GibWunschGroesse(const VaterBasis& vater) const {
    if (mArt != kZeile && mArt != kSpalte)
        return {};
    const int laengs = mArt == kZeile ? 0 : 1;
    const int quer = 1 - laengs;
    const BVektor abstand = Abstaende(vater);
    BVektor groesse;
    Achse(groesse, laengs) = Achse(abstand, laengs);
    float breiteste = 0;
    for (const Basis* kind : vater.Kinder()) {
        const BVektor mass = Mass(*kind);
        Achse(groesse, laengs) += Achse(abstand, laengs) + Achse(mass, laengs);
        breiteste = std::max(breiteste, Achse(mass, quer));
    }
    Achse(groesse, quer) = 2 * Achse(abstand, quer) + breiteste;
    return groesse;
}

} // namespace Gui
