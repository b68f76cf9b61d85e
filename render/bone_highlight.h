// bone_highlight.h: picks out one bone's elements in a picture: a picking pass finds the pixels
// they win, and every other pixel is dimmed.
#pragma once

#include <cstdint>
#include <functional>

#include "body/bone_tree.h"
#include "image/rgb_image.h"
#include "render/offscreen_gl.h"
#include "render/view.h"

// Redraws the current render list (posed) with `view`, bone `bone`'s polygons, lines and
// spheres in white and everything else black (other bones' translucent polygons left out, so
// the bone shows through them), runs `overlay` over it, and reads it back from `gl`. An element
// is the bone's when any of its points is. The element buffer is restored.
RgbImage drawBonePicking(OffscreenGl& gl, const View& view, const BoneTree& tree, int32_t bone,
                         const std::function<void()>& overlay);

// Darkens to a third every pixel of `picture` that `picked` (same size) shows dark.
void dimUnpicked(RgbImage* picture, const RgbImage& picked);
