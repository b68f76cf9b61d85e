// gltf_export.cpp: a posed body as glTF 2.0: one joint per processed bone over the bind pose,
// the frame's turns on the joints, the polygons and lines as drawn in a skinned mesh, each
// sphere a node on its centre point's joint, and the stored fields geometry cannot carry in the
// scene's extras (see the README).
//
// A batch export writes hundreds of megabytes, so the writer counts first, lays the binary
// buffer out (gltf_buffers), writes the JSON as text (gltf_scene) and then fills the buffer in
// place, once.
#include "exchange/gltf_export.h"

#include "exchange/glb.h"
#include "exchange/gltf_buffers.h"
#include "exchange/gltf_scene.h"
#include "exchange/json_text.h"

void writeGlb(const PosedBody& body, const ExportOptions& options, std::vector<uint8_t>* out)
{
    const GltfPlan plan(body, options);
    std::string json = gltfJson(plan, nullptr);
    fillGltfBuffer(plan, frameGlb(json, plan.binSize, out));
}

std::vector<uint8_t> writeGlb(const PosedBody& body, const ExportOptions& options)
{
    std::vector<uint8_t> out;
    writeGlb(body, options, &out);
    return out;
}

std::string writeGltf(const PosedBody& body, const ExportOptions& options)
{
    const GltfPlan plan(body, options);
    std::vector<uint8_t> bin(plan.binSize);
    fillGltfBuffer(plan, bin.data());
    return indented(gltfJson(plan, &bin)) + "\n";
}
