// pose.cpp: a prepared body posed for a frame, bone by bone as the skeleton pass runs.
#include "body/pose.h"

#include "body/body_loading.h"
#include "body/skeleton_walk.h"

namespace {

// The body stage of runBodyStage, telling `observer` of every bone placed.
void observedStage(const uint8_t* body, const void* context)
{
    const BoneObserver& observer = *static_cast<const BoneObserver*>(context);
    const uint8_t* bones = nullptr;
    int boneCount = 0;
    const uint8_t* normals =
        walkSkeleton(body + bodyFrameDataOffset, &bones, &boneCount, [&](int32_t index, const int32_t* origin) {
            BonePose pose;
            pose.index = index;
            pose.angleX = angleX;
            pose.angleY = angleY;
            pose.origin[0] = origin[0];
            pose.origin[1] = origin[1];
            pose.origin[2] = origin[2];
            pose.matrix = &matrixTable[index];
            observer(pose);
        });
    buildElementList(computeShades(normals, bones, boneCount));
}

}  // namespace

Fault posePreparedBody(const uint8_t* body, int32_t autoAngle, const BoneObserver& observer)
{
    resetPipelineState();
    // The first frame settles the angle registers; the second is the one that stays.
    for (int frame = 0; frame < 2; ++frame) {
        angleY = autoAngle;
        const bool observed = frame == 1 && observer;
        const char* fatal =
            observed ? runStageCatchingFatal(observedStage, body, &observer) : runBodyStageCatchingFatal(body);
        if (fatal != nullptr) {
            renderCount = 0;
            return viewerStopsFault(fatal);
        }
    }
    return noFault();
}
