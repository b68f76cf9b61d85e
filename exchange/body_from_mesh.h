// body_from_mesh.h: builds a body from a posed, skinned mesh read from another tool's file:
// joints become bones, vertices become points relative to their bone, faces become polygons
// and lines, colours the nearest palette entries. Refuses what the viewer's tables cannot hold.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "body/body_format.h"
#include "exchange/mesh_scene.h"
#include "support/fault.h"

// The viewer's scale's inverse: model units per OpenGL unit.
inline constexpr double defaultImportScale = 400.0;

// The limits a body must keep: the viewer's fixed tables, and the points a signed offset reaches.
inline constexpr int importPointLimit = transformedPointRoom;
inline constexpr int importBoneLimit = matrixRoom;
inline constexpr int importRenderLimit = renderListRoom;
inline constexpr int importNormalLimit = shadeRoom;
inline constexpr int importElementByteLimit = elementBufferBytes;
inline constexpr int importOffsetIndexLimit = signedOffsetPointRoom;

struct MeshBodyOptions {
    const uint8_t (*palette)[3] = nullptr;  // 256 display colours
    double scale = defaultImportScale;      // model units per file unit
    double fit = 0;                         // above 0: scale so the largest extent is this many model units
    bool flat = false;                      // every face unlit
};

// Builds the body's bytes (one archive entry, unpacked) into *out. Notes (bones baked, faces
// dropped) are appended to *notes. Nothing is written to *out on refusal.
Fault bodyFromMesh(const MeshScene& scene, const MeshBodyOptions& options, std::vector<uint8_t>* out,
                   std::vector<std::string>* notes);
