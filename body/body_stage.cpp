// body_stage.cpp: one frame's body stage: skeleton, shades and elements, each pass starting
// where the previous one stopped.
#include "body/body.h"

void runBodyStage(const uint8_t* body)
{
    // Always byte 26, whatever the header's extension size says (prepareBody uses the latter).
    const uint8_t* bones = nullptr;
    int boneCount = 0;
    const uint8_t* normals = transformSkeleton(body + bodyFrameDataOffset, &bones, &boneCount);
    const uint8_t* elements = computeShades(normals, bones, boneCount);
    buildElementList(elements);
}
