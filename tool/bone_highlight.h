// bone_highlight.h: picks out one bone's elements in a picture: a picking pass finds the pixels
// they win, and every other pixel is dimmed.
#pragma once

#include <cstdint>
#include <functional>

#include "body/bone_tree.h"
#include "tool/offscreen_gl.h"

// Redraws the current render list (posed, view set) with bone `bone`'s polygons, lines and
// spheres in white and everything else black (other bones' translucent polygons left out, so
// the bone shows through them), runs `overlay` over it, and reads it back. An element is the
// bone's when any of its points is. The element buffer and palette are restored.
RgbImage drawBonePicking(OffscreenGl& gl, const BoneTree& tree, int32_t bone, const std::function<void()>& overlay);

// Darkens to a third every pixel of `picture` that `picked` (same size) shows dark.
void dimUnpicked(RgbImage* picture, const RgbImage& picked);
