// body_from_mesh.h: builds a body from a posed, skinned mesh read from another tool's file:
// joints become bones, vertices become points relative to their bone, faces become polygons
// and lines, colours the nearest palette entries. Refuses what the viewer's tables cannot hold.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "support/fault.h"

// The viewer's scale is 0.0025 OpenGL units per model unit; its inverse is the import's default.
inline constexpr double defaultImportScale = 400.0;

// The limits a body must keep (the viewer's fixed tables) and the 16-bit offsets.
inline constexpr int importPointLimit = 8000;
inline constexpr int importBoneLimit = 5555;
inline constexpr int importRenderLimit = 5000;
inline constexpr int importNormalLimit = 500;
inline constexpr int importElementByteLimit = 500000;
inline constexpr int importOffsetIndexLimit = 5462;  // 6 x 5462 no longer fits a signed 16-bit offset

using Vec3d = std::array<double, 3>;
using Mat3d = std::array<double, 9>;  // row-major, acting on column vectors

struct MeshJoint {
    int parent = -1;     // an earlier joint, or -1: hangs from the body's root
    Mat3d linear{};      // world linear part (rotation, maybe scaled), posed
    Vec3d origin{};      // world position, file units, posed
};

struct MeshVertex {
    Vec3d position{};    // world position, file units, posed
    int joint = -1;      // owning joint (highest weight), -1 for the root
    Vec3d colour{};      // display space, 0..255
};

struct MeshFace {
    std::vector<uint32_t> vertices;  // two for a line, three or more for a polygon (counter-clockwise)
    bool translucent = false;
};

struct MeshScene {
    std::vector<MeshJoint> joints;  // parents before children
    std::vector<MeshVertex> vertices;
    std::vector<MeshFace> faces;
    std::vector<std::string> notes;  // what the reader dropped, one line each
};

struct MeshBodyOptions {
    const uint8_t (*palette)[3] = nullptr;  // 256 display colours
    double scale = defaultImportScale;      // model units per file unit
};

// Builds the body's bytes (one archive entry, unpacked) into *out. Notes (bones baked, faces
// dropped) are appended to *notes. Nothing is written to *out on refusal.
Fault bodyFromMesh(const MeshScene& scene, const MeshBodyOptions& options, std::vector<uint8_t>* out,
                   std::vector<std::string>* notes);

// The palette entry nearest a display colour (squared distance; the lowest index on a tie).
uint8_t nearestPaletteIndex(const uint8_t (*palette)[3], const Vec3d& colour);

// glTF's linear colour component (0..1) in display space (0..255), and back.
double displayFromLinear(double linear);

// --- small 3 x 3 helpers shared with the readers ---
Mat3d mat3Multiply(const Mat3d& a, const Mat3d& b);
Mat3d mat3Transpose(const Mat3d& a);
Vec3d mat3Apply(const Mat3d& m, const Vec3d& v);
Mat3d mat3Identity();
// The rotation nearest `m` (polar decomposition); false when `m` is singular or mirrors.
bool nearestRotation(const Mat3d& m, Mat3d* out);
// A turn of x then y angle units (1024 a turn), composed as the skeleton pass composes them.
Mat3d turnXY(double x, double y);
