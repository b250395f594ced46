#pragma once
// Three floats: positions, sizes and directions of the GUI and the drawing code, and the vector
// value of the property tree (type name "TVektor").

struct BVektor {
    float x = 0, y = 0, z = 0;

    friend bool operator==(const BVektor&, const BVektor&) = default;
};
