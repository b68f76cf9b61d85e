// gltf_export.h: a posed body as glTF 2.0 (binary .glb or JSON .gltf with the buffer embedded),
// and as OBJ + MTL.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exchange/posed_body.h"

inline constexpr const char* orvaneVersion = "0.02";
// The viewer's scale from model units to OpenGL units, as single precision.
inline constexpr float exportScale = 0.0025f;

enum class ExportLook {
    viewer,  // colours as the viewer draws them (shades included), unlit
    base,    // stored colours with normals, lit
};

struct ExportOptions {
    std::string archiveName;  // names the scene and the mesh, with the entry
    int entry = 0;
    ExportLook look = ExportLook::viewer;
    const uint8_t (*palette)[3] = nullptr;  // 256 display colours
};

// A palette component (0..255, display space) in glTF's linear space.
float linearFromDisplay(uint8_t value);

std::vector<uint8_t> writeGlb(const PosedBody& body, const ExportOptions& options);
std::string writeGltf(const PosedBody& body, const ExportOptions& options);

// The frame's posed mesh; `mtlName` is the material library's file name as the OBJ names it.
struct ObjFiles {
    std::string obj, mtl;
};
ObjFiles writeObj(const PosedBody& body, const ExportOptions& options, const std::string& mtlName);
