// unit_sphere.cpp: the sphere's vertices, normals and triangles, worked out once.
#include "exchange/unit_sphere.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

void placeVertices(UnitSphere& s)
{
    const double pi = 3.141592653589793;
    int v = 0;
    const auto vertex = [&](double theta, double phi) {
        const double dx = std::sin(theta) * std::cos(phi), dy = std::sin(theta) * std::sin(phi), dz = std::cos(theta);
        const float p[3] = {static_cast<float>(dx), static_cast<float>(dy), static_cast<float>(dz)};
        // The normal is the position made unit length (it is already, to rounding).
        const double n = std::sqrt(dx * dx + dy * dy + dz * dz);
        const float u[3] = {static_cast<float>(dx / n), static_cast<float>(dy / n), static_cast<float>(dz / n)};
        for (int c = 0; c < 3; ++c) {
            s.positions[v * 3 + c] = p[c];
            s.normals[v * 3 + c] = u[c];
            s.mirrorNormals[v * 3 + c] = -u[c];
        }
        ++v;
    };
    vertex(0, 0);
    for (int stack = 1; stack < sphereStacks; ++stack) {
        for (int slice = 0; slice < sphereSlices; ++slice)
            vertex(pi * stack / sphereStacks, 2 * pi * slice / sphereSlices);
    }
    vertex(pi, 0);
    for (int c = 0; c < 3; ++c) {
        s.low[c] = std::numeric_limits<float>::max();
        s.high[c] = std::numeric_limits<float>::lowest();
    }
    for (int k = 0; k < sphereVertices * 3; ++k) {
        s.low[k % 3] = std::min(s.low[k % 3], s.positions[k]);
        s.high[k % 3] = std::max(s.high[k % 3], s.positions[k]);
    }
}

void placeTriangles(UnitSphere& s)
{
    const auto ring = [](int stack, int slice) {
        return static_cast<uint16_t>(1 + (stack - 1) * sphereSlices + slice % sphereSlices);
    };
    const uint16_t top = 0, bottom = static_cast<uint16_t>(sphereVertices - 1);
    int i = 0;
    const auto triangle = [&](uint16_t a, uint16_t b, uint16_t c) {
        s.indices[i] = a;
        s.indices[i + 1] = b;
        s.indices[i + 2] = c;
        s.mirrorIndices[i] = a;
        s.mirrorIndices[i + 1] = c;
        s.mirrorIndices[i + 2] = b;
        i += 3;
    };
    for (int slice = 0; slice < sphereSlices; ++slice) {
        triangle(top, ring(1, slice), ring(1, slice + 1));
        for (int stack = 1; stack + 1 < sphereStacks; ++stack) {
            const uint16_t u0 = ring(stack, slice), u1 = ring(stack, slice + 1);
            const uint16_t d0 = ring(stack + 1, slice), d1 = ring(stack + 1, slice + 1);
            triangle(u0, d0, d1);
            triangle(u0, d1, u1);
        }
        triangle(bottom, ring(sphereStacks - 1, slice + 1), ring(sphereStacks - 1, slice));
    }
}

}  // namespace

const UnitSphere& unitSphere()
{
    static const UnitSphere sphere = [] {
        UnitSphere s;
        placeVertices(s);
        placeTriangles(s);
        return s;
    }();
    return sphere;
}
