#include "nadrel/welt/matrix.h"

#include <cmath>

namespace Spiel {

Matrix Einheitsmatrix() {
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

Matrix Verschiebung(const Vektor& v) {
    return {1, 0, 0, v.x, 0, 1, 0, v.y, 0, 0, 1, v.z, 0, 0, 0, 1};
}

Matrix AlsMatrix(const Drehung& d) {
    return {d[0], d[1], d[2], 0, d[3], d[4], d[5], 0, d[6], d[7], d[8], 0, 0, 0, 0, 1};
}

Matrix MatrixProdukt(const Matrix& a, const Matrix& b) {
    // For column vectors "a first, then b" is b times a.
    Matrix m{};
    for (int zeile = 0; zeile < 4; ++zeile)
        for (int spalte = 0; spalte < 4; ++spalte) {
            float summe = 0;
            for (int k = 0; k < 4; ++k)
                summe += b[4 * zeile + k] * a[4 * k + spalte];
            m[4 * zeile + spalte] = summe;
        }
    return m;
}

Drehung DrehMatrix(const Vektor& achse, float winkel) {
    const float c = std::cos(winkel);
    const float s = std::sin(winkel);
    const float t = 1 - c;
    const float ax = achse.x, ay = achse.y, az = achse.z;
    return {t * ax * ax + c,      t * ax * ay + az * s, t * ax * az - ay * s,
            t * ax * ay - az * s, t * ay * ay + c,      t * ay * az + ax * s,
            t * ax * az + ay * s, t * ay * az - ax * s, t * az * az + c};
}

Vektor Drehe(const Drehung& d, const Vektor& v) {
    return {d[0] * v.x + d[1] * v.y + d[2] * v.z, d[3] * v.x + d[4] * v.y + d[5] * v.z,
            d[6] * v.x + d[7] * v.y + d[8] * v.z};
}

} // namespace Spiel
