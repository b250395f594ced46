#include "nadrel/welt/punktstreuung.h"

#include "nadrel/welt/matrix.h"
#include "nadrel/welt/zufall.h"

#include <cmath>

namespace Spiel {

void StreuePunkteAufStrecke(Feld<Punkt>& punkte, const Vektor& start, const Vektor& richtung) {
    const int n = int(100 * Laenge(richtung));
    for (int i = 0; i < n; ++i) {
        Vektor zittern;
        zittern.z = ZufallsZahl() * 6.103702e-6f - 0.1f;
        zittern.y = ZufallsZahl() * 6.103702e-6f - 0.1f;
        zittern.x = ZufallsZahl() * 6.103702e-6f - 0.1f;
        const float u = ZufallsZahl() * 3.051851e-5f;
        const Vektor p = start + richtung * u + zittern;
        punkte.Anhaengen({p.x, p.y, p.z, kSchluesselAttribut});
    }
}

void StreuePunkteAufRing(Feld<Punkt>& punkte, const Vektor& mitte, const Vektor& achse,
                         const Vektor& radien) {
    const int n = int(100 * Laenge(radien));
    // An axis along y, either way up, is crossed with x instead: its cross product with y vanishes.
    const Vektor bezug =
        Normiert(Kreuzprodukt(achse, std::fabs(achse.y) > 0.999f ? Vektor{1, 0, 0} : Vektor{0, 1, 0}));
    for (int i = 0; i < n; ++i) {
        const float winkel = ZufallsZahl() * 0.00019175345f - 3.1415927f;
        const Vektor q = Drehe(DrehMatrix(achse, winkel), bezug);
        Vektor zittern;
        zittern.x = 2 * ZufallsZahl() / 32767 - 1;
        zittern.y = 2 * ZufallsZahl() / 32767 - 1;
        zittern.z = 2 * ZufallsZahl() / 32767 - 1;
        const Vektor p =
            mitte + Vektor{radien.x * q.x, radien.y * q.y, radien.z * q.z} + 0.1f * Normiert(zittern);
        punkte.Anhaengen({p.x, p.y, p.z, kSchluesselAttribut});
    }
}

} // namespace Spiel
