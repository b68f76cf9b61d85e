// posed_entry.h: one archive entry loaded and prepared once, then posed and drawn as many times
// as a turntable or a sheet of views needs, in one offscreen context.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "body/bone_tree.h"
#include "tool/offscreen_gl.h"
#include "tool/render_entry.h"

// What is drawn over or onto the body besides its own picture.
struct PictureExtras {
    bool skeleton = false;   // the skeleton overlay on top
    int32_t bone = -1;       // when 0 or more: this bone's elements in full colour, the rest dimmed
};

class PosedEntry {
public:
    // Loads and prepares entry `index` as the viewer does and reads its skeleton. Returns an
    // empty string, or the reason the entry cannot be shown (the loader's phrase).
    std::string load(const std::string& archive, int index);

    // Poses the body as `orvane render` does: a fresh pipeline state, then the viewer's first
    // two frames at auto-rotation angle `frameAngle` (from the second on the picture stays put), and places the bone
    // origins. Returns an empty string, or the fatal message with which the viewer would stop
    // (then the render list is empty).
    std::string pose(int32_t frameAngle);

    // Poses at view.autoAngle and draws into `gl` (initGl'd by the caller for its size): the
    // scene, the extras, read back. Returns an empty string or the fault of pose.
    std::string draw(OffscreenGl& gl, const ViewSettings& view, const PictureExtras& extras, RgbImage* picture);

    const BoneTree& bones() const { return tree_; }

private:
    std::unique_ptr<uint8_t, decltype(&std::free)> body_{nullptr, &std::free};
    uint32_t size_ = 0;
    BoneTree tree_;
};
