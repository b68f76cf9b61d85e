// posed_entry.cpp: one archive entry loaded and prepared once, then posed and drawn many times.
#include "render/posed_entry.h"

#include "archive/archive_format.h"
#include "body/body.h"
#include "body/body_loading.h"
#include "body/pose.h"
#include "render/bone_highlight.h"
#include "render/draw_scene.h"
#include "render/skeleton_overlay.h"

namespace {

// The skeleton's colour in the picking pass: it counts as the picked bone's.
const uint8_t pickedColour[3] = {255, 255, 255};

}  // namespace

Fault PosedEntry::load(const char* archive, int index)
{
    body_.reset();
    tree_ = BoneTree{};
    if (index < 0 || index >= reachableEntries) return faultOf("%s", archiveNoSuchEntry);
    uint8_t* raw = nullptr;
    uint32_t size = 0;
    const Fault fault = loadPreparedBody(archive, static_cast<int16_t>(index), &raw, &size);
    body_.reset(raw);
    if (fault) return fault;
    if (const Fault unreadable = readBoneTree(body_.get(), size, &tree_)) {
        body_.reset();
        return unreadable;
    }
    return noFault();
}

Fault PosedEntry::pose(int32_t autoAngle)
{
    if (!body_) {
        resetPipelineState();  // nothing to draw
        return faultOf("no body loaded");
    }
    if (const Fault fault = posePreparedBody(body_.get(), autoAngle)) return fault;
    placeBoneOrigins(&tree_);
    return noFault();
}

Fault PosedEntry::draw(OffscreenGl& gl, const View& view, int32_t autoAngle, const Palette& palette,
                       const PictureExtras& extras, RgbImage* picture)
{
    const Fault fault = pose(autoAngle);
    drawScene(view, palette);
    if (extras.skeleton && !fault) drawSkeletonOverlay(tree_, view, skeletonOverlayColour);
    *picture = gl.read();
    if (!fault && extras.bone >= 0) {
        // The picking pass shows which pixels bone N's elements won; the overlay counts as picked.
        const RgbImage picked = drawBonePicking(gl, view, tree_, extras.bone, [&] {
            if (extras.skeleton) drawSkeletonOverlay(tree_, view, pickedColour);
        });
        dimUnpicked(picture, picked);
    }
    return fault;
}
