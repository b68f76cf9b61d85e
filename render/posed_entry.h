// posed_entry.h: one archive entry loaded and prepared once, then posed and drawn as many times
// as a picture, a turntable or a sheet of views needs, in one offscreen context.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "body/bone_tree.h"
#include "image/rgb_image.h"
#include "render/offscreen_gl.h"
#include "render/view.h"
#include "support/fault.h"

// What is drawn over or onto the body besides its own picture.
struct PictureExtras {
    bool skeleton = false;  // the skeleton overlay on top
    int32_t bone = -1;      // when 0 or more: this bone's elements in full colour, the rest dimmed
};

class PosedEntry {
public:
    // Loads and prepares entry `index` of `archive` as the viewer does and reads its skeleton.
    // Fails with the loader's reason; then nothing is loaded.
    Fault load(const char* archive, int index);

    // Poses the body (posePreparedBody) and places the bone origins. Fails as posing does, or
    // when nothing is loaded; the render list is empty then.
    Fault pose(int32_t autoAngle);

    // Poses at `autoAngle` and draws into `gl` (initGl'd by the caller for its size): the scene,
    // the extras, read back into *picture. Fails as pose does (the picture is then empty black).
    Fault draw(OffscreenGl& gl, const View& view, int32_t autoAngle, const Palette& palette,
               const PictureExtras& extras, RgbImage* picture);

    const BoneTree& bones() const { return tree_; }

private:
    std::unique_ptr<uint8_t, decltype(&std::free)> body_{nullptr, &std::free};
    BoneTree tree_;
};
