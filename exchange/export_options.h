// export_options.h: what every export takes besides the posed body.
#pragma once

#include <cstdint>
#include <string>

#include "body/body_format.h"

inline constexpr const char* orvaneVersion = "0.02";
// The viewer's scale from model units to OpenGL units, as single precision.
inline constexpr float exportScale = modelToGlScale;

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
