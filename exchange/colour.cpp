// colour.cpp: sRGB to linear and back, and the nearest palette entry.
#include "exchange/colour.h"

#include <algorithm>
#include <array>
#include <cmath>

float linearFromDisplay(uint8_t value)
{
    const double c = value / 255.0;
    return static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
}

double linearFromDisplayValue(double value)
{
    const double c = std::clamp(value / 255.0, 0.0, 1.0);
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

const float* linearFromDisplayTable()
{
    static const auto table = [] {
        std::array<float, 256> t{};
        for (int i = 0; i < 256; ++i) t[static_cast<size_t>(i)] = linearFromDisplay(static_cast<uint8_t>(i));
        return t;
    }();
    return table.data();
}

double displayFromLinear(double linear)
{
    const double c = std::clamp(linear, 0.0, 1.0);
    return 255.0 * (c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055);
}

uint8_t nearestPaletteIndex(const uint8_t (*palette)[3], const Vec3& colour)
{
    int best = 0;
    double bestDistance = 1e300;
    for (int i = 0; i < 256; ++i) {
        double d = 0;
        for (size_t c = 0; c < 3; ++c) {
            const double e = palette[i][c] - colour[c];
            d += e * e;
        }
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return static_cast<uint8_t>(best);
}
