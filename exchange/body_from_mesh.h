// body_from_mesh.h: builds a body from a posed, skinned mesh read from another tool's file:
// joints become bones, vertices become points relative to their bone, faces become polygons
// and lines, colours the nearest palette entries. Refuses what the viewer's tables cannot hold.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exchange/mesh_scene.h"
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

struct MeshBodyOptions {
    const uint8_t (*palette)[3] = nullptr;  // 256 display colours
    double scale = defaultImportScale;      // model units per file unit
};

// Builds the body's bytes (one archive entry, unpacked) into *out. Notes (bones baked, faces
// dropped) are appended to *notes. Nothing is written to *out on refusal.
Fault bodyFromMesh(const MeshScene& scene, const MeshBodyOptions& options, std::vector<uint8_t>* out,
                   std::vector<std::string>* notes);
