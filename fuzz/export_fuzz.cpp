// export_fuzz.cpp: fuzz harness: arbitrary bytes as a raw body through the checks and the exporter
// into memory (.glb, .gltf and OBJ + MTL, both looks); nothing is written to a file. A body the
// checks accept must export without leaving a buffer or table, and without meeting a fatal
// condition (the exporter refuses those first).
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "body/body.h"
#include "exchange/gltf_export.h"
#include "exchange/obj_export.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The whole input is the body (so the body seeds serve as they are); its size picks the
    // auto-angle and the look.
    const auto autoAngle = static_cast<int32_t>(size % 613) - 300;
    const ExportLook look = size % 2 != 0 ? ExportLook::base : ExportLook::viewer;
    PosedBody body;
    if (poseBody(data, size, autoAngle, &body)) return 0;

    static uint8_t palette[256][3];
    for (int i = 0; i < 256; ++i) palette[i][0] = palette[i][1] = palette[i][2] = static_cast<uint8_t>(i);
    ExportOptions options;
    options.archiveName = "fuzz.ZRK";
    options.look = look;
    options.palette = palette;
    const std::vector<uint8_t> glb = writeGlb(body, options);
    uint32_t length = 0;
    std::memcpy(&length, glb.data() + 8, 4);
    if (glb.size() < 28 || length != glb.size() || glb.size() % 4 != 0) std::abort();
    const std::string gltf = writeGltf(body, options);
    if (gltf.empty() || gltf.front() != '{') std::abort();
    const ObjFiles obj = writeObj(body, options, "fuzz.mtl");
    if (obj.obj.find("mtllib fuzz.mtl\n") == std::string::npos) std::abort();
    return 0;
}
