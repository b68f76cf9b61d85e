// unit_sphere.h: the 10 x 10 UV sphere of radius 1 every exported sphere shows (poles on z, like
// the viewer's), and its mirror image's faces and normals for a negative radius: the node's
// negative scale turns the faces, so the mirror's winding and normals are turned back to what
// the viewer draws.
#pragma once

#include <cstdint>

inline constexpr int sphereSlices = 10;  // as the viewer's spheres
inline constexpr int sphereStacks = 10;
inline constexpr int sphereVertices = 2 + (sphereStacks - 1) * sphereSlices;
inline constexpr int sphereIndices = 6 * sphereSlices * (sphereStacks - 1);

struct UnitSphere {
    float positions[sphereVertices * 3];
    float normals[sphereVertices * 3];
    float mirrorNormals[sphereVertices * 3];
    uint16_t indices[sphereIndices];
    uint16_t mirrorIndices[sphereIndices];
    float low[3], high[3];
};

// Made once.
const UnitSphere& unitSphere();
