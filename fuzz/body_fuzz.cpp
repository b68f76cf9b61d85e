// body_fuzz.cpp: fuzz harness: arbitrary bytes as a body through the checks, prepareBody and
// several frames of the three passes, plus every read the drawing would make, and the same
// bytes read as a skeleton tree.
// A body the checks accept must never leave a buffer or table, and must meet exactly the fatal
// condition the frame check predicted (fatal conditions return here instead of ending the process).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "body/body.h"
#include "body/body_check.h"
#include "body/bone_tree.h"

namespace {

// The skeleton tree reads any bytes by itself and lists every bone exactly once.
void readTree(const uint8_t* body, size_t size)
{
    BoneTree tree;
    if (readBoneTree(body, size, &tree)) return;
    std::vector<bool> listed(tree.bones.size(), false);
    if (tree.order.size() != tree.bones.size()) std::abort();
    for (int32_t bone : tree.order) {
        if (bone < 0 || static_cast<size_t>(bone) >= listed.size() || listed[static_cast<size_t>(bone)]) std::abort();
        listed[static_cast<size_t>(bone)] = true;
    }
    placeBoneOrigins(&tree);
    if (pointOwners(tree).size() != static_cast<size_t>(transformedPointRoom)) std::abort();
}

// What the drawing reads: every point a render entry names, inside its record.
int32_t touchDrawnPoints()
{
    int32_t sum = 0;
    for (int32_t i = 0; i < renderCount; ++i) {
        const uint8_t* record = renderList[i].record;
        if (record < elementBuffer || record >= elementBuffer + elementBufferBytes) std::abort();
        auto point = [&sum](const uint8_t* at) {
            const uint16_t index = static_cast<uint16_t>(at[0] | (at[1] << 8));
            if (index >= transformedPointRoom) std::abort();
            sum += transformedPoints[index].x;
        };
        switch (renderList[i].kind) {
        case renderKindPolygon:
            for (int v = 0; v < record[1]; ++v) point(record + polygonHeaderBytes + polygonSlotBytes * v + 2);
            break;
        case renderKindLine:
            point(record + 4);
            point(record + 6);
            break;
        case renderKindSphere:
            point(record + 6);
            break;
        default:
            std::abort();
        }
    }
    return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    initPipelineState();
    // An exact-size heap copy, so that the sanitizer sees any read past the body's end.
    uint8_t* body = static_cast<uint8_t*>(std::malloc(size == 0 ? 1 : size));
    if (body == nullptr) return 0;
    if (size > 0) std::memcpy(body, data, size);
    readTree(body, size);

    const char* expectedFatal = nullptr;
    if (!checkBodyForPreparation(body, size)) {
        prepareBody(body);
        if (!checkBodyForFrames(body, size, &expectedFatal)) {
            volatile int32_t sink = 0;
            for (int frame = 0; frame < 4; ++frame) {
                // The auto-rotation angle only matters through its low 10 bits; large values too.
                angleY = static_cast<int32_t>(0x3FFFFF03u * static_cast<uint32_t>(frame));
                if (const char* fatal = runBodyStageCatchingFatal(body)) {
                    if (expectedFatal == nullptr || std::strcmp(fatal, expectedFatal) != 0) std::abort();
                    break;
                }
                if (expectedFatal != nullptr) std::abort();  // the check promised a fatal condition
                if (shadeCount < 0 || shadeCount > shadeRoom) std::abort();
                sink = sink + touchDrawnPoints();
            }
        }
    }
    std::free(body);
    return 0;
}
