// pose.h: a prepared body posed for a frame as the viewer poses it, with every bone's part told
// to whoever asks: the bones command, the offscreen pictures and the exporter all pose through
// here, so all of them show the very frame the viewer shows.
//
//     std::vector<uint8_t> body(raw, raw + size);
//     if (const Fault fault = prepareForFrames(body.data(), body.size(), FatalBodies::refuse)) ...;
//     const Fault fatal = posePreparedBody(body.data(), autoAngle, [&](const BonePose& bone) {
//         keep(bone.index, bone.angleX, bone.angleY, bone.origin, *bone.matrix);
//     });
//
// Afterwards the process-wide tables hold the frame: transformedPoints, matrixTable,
// shadeTable/shadeCount, elementBuffer and renderList/renderCount (read the records through
// render_records.h). Preparation and the one wording of a fatal condition: body_loading.h.
#pragma once

#include <cstdint>
#include <functional>

#include "body/body.h"
#include "support/fault.h"

// One bone as the frame processed it.
struct BonePose {
    int32_t index = 0;               // in the bone table
    int32_t angleX = 0;              // the angle registers its matrix was made with (angle Z is
    int32_t angleY = 0;              //   always 0: any other is fatal)
    int32_t origin[3] = {0, 0, 0};   // what its points turned about: its base point as placed
                                     // so far in this frame, or 0 0 0 when its parent field is -1
    const Matrix* matrix = nullptr;  // the matrix it made: &matrixTable[index]
};

// Hears of each bone the frame processes (bone 0, then every later bone of type 0), in table
// order, right after the bone placed its points.
using BoneObserver = std::function<void(const BonePose&)>;

// Poses `body` (prepared by prepareForFrames or loadPreparedBody): a fresh process's pipeline
// state (resetPipelineState), then the viewer's first two frames at auto-rotation angle
// `autoAngle`; from the second on the picture stays put (the root has taken the angle X that
// the last rotation bone leaves in the register). `observer`, when set, hears of the bones of
// the second frame. Fails with viewerStopsFault (body_loading.h) when the frames meet a fatal
// condition; renderCount is 0 then and the observer may have heard of some bones.
Fault posePreparedBody(const uint8_t* body, int32_t autoAngle, const BoneObserver& observer = {});
