#pragma once

#include <cstdint>

namespace tessary {

// The adjustment of a variations dialog: three signed 16-bit components
// (x, y, z), added componentwise. What each component means is the
// effect's business (brightness and contrast, red green and blue, a radius
// or an amount).
struct CVector3D {
    std::int16_t x = 0;
    std::int16_t y = 0;
    std::int16_t z = 0;

    bool isZero() const { return x == 0 && y == 0 && z == 0; }
    bool hasNegative() const { return x < 0 || y < 0 || z < 0; }
    // Componentwise sum, each component saturating at the 16-bit limits.
    friend CVector3D operator+(const CVector3D& a, const CVector3D& b);
    CVector3D& operator+=(const CVector3D& other) { return *this = *this + other; }
    friend bool operator==(const CVector3D&, const CVector3D&) = default;
};

inline CVector3D operator+(const CVector3D& a, const CVector3D& b) {
    auto sum = [](std::int16_t p, std::int16_t q) {
        const int s = p + q;
        return static_cast<std::int16_t>(s > 32767 ? 32767 : (s < -32768 ? -32768 : s));
    };
    return CVector3D{sum(a.x, b.x), sum(a.y, b.y), sum(a.z, b.z)};
}

}  // namespace tessary
