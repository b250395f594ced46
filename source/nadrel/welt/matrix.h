#pragma once
// The 4 x 4 matrices of render instances, stored row by row with the translation in elements 3, 7
// and 11, applied to column vectors; and the rotation about an axis that keys and trees use.

#include "nadrel/welt/vektor.h"

#include <array>

namespace Spiel {

using Matrix = std::array<float, 16>;
using Drehung = std::array<float, 9>;

Matrix Einheitsmatrix();
Matrix Verschiebung(const Vektor& v);
// The 3 x 3 rotation as the upper-left block of a matrix without translation.
Matrix AlsMatrix(const Drehung& d);
// The matrix that applies a first and then b.
Matrix MatrixProdukt(const Matrix& a, const Matrix& b);

// Rotation by the angle about the unit axis, rows of three.
Drehung DrehMatrix(const Vektor& achse, float winkel);
// Component i is row i of the rotation times v.
Vektor Drehe(const Drehung& d, const Vektor& v);

} // namespace Spiel
