// body_from_mesh.h: builds a body from a posed, skinned mesh read from another tool's file:
// joints become bones, vertices become points relative to their bone, faces become polygons
// and lines, colours the nearest palette entries. Refuses what the viewer's tables cannot hold.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "body/body.h"
#include "exchange/mesh_scene.h"
#include "support/fault.h"

// The viewer's scale is 0.0025 OpenGL units per model unit; its inverse is the import's default.
inline constexpr double defaultImportScale = 400.0;

// The limits a body must keep: the viewer's fixed tables, and the points a signed 16-bit offset
// reaches (6 x 5462 no longer fits).
inline constexpr int importPointLimit = transformedPointRoom;
inline constexpr int importBoneLimit = matrixRoom;
inline constexpr int importRenderLimit = renderListRoom;
inline constexpr int importNormalLimit = shadeRoom;
inline constexpr int importElementByteLimit = elementBufferBytes;
inline constexpr int importOffsetIndexLimit = 32767 / pointBytes + 1;

struct MeshBodyOptions {
    const uint8_t (*palette)[3] = nullptr;  // 256 display colours
    double scale = defaultImportScale;      // model units per file unit
};

// Builds the body's bytes (one archive entry, unpacked) into *out. Notes (bones baked, faces
// dropped) are appended to *notes. Nothing is written to *out on refusal.
Fault bodyFromMesh(const MeshScene& scene, const MeshBodyOptions& options, std::vector<uint8_t>* out,
                   std::vector<std::string>* notes);
