#pragma once
// Three floats with the arithmetic the world code needs: positions, velocities and directions.

#include <cmath>

namespace Spiel {

struct Vektor {
    float x = 0, y = 0, z = 0;

    Vektor& operator+=(const Vektor& b) {
        x += b.x;
        y += b.y;
        z += b.z;
        return *this;
    }
    Vektor& operator-=(const Vektor& b) {
        x -= b.x;
        y -= b.y;
        z -= b.z;
        return *this;
    }
    friend bool operator==(const Vektor&, const Vektor&) = default;
};

inline Vektor operator+(Vektor a, const Vektor& b) {
    return a += b;
}
inline Vektor operator-(Vektor a, const Vektor& b) {
    return a -= b;
}
inline Vektor operator*(const Vektor& a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline Vektor operator*(float s, const Vektor& a) {
    return a * s;
}
inline float Skalarprodukt(const Vektor& a, const Vektor& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vektor Kreuzprodukt(const Vektor& a, const Vektor& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float Laenge(const Vektor& a) {
    return std::sqrt(Skalarprodukt(a, a));
}
inline Vektor Normiert(const Vektor& a) {
    return a * (1.0f / Laenge(a));
}

} // namespace Spiel
