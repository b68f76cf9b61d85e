// skeleton_overlay.h: draws a posed body's skeleton over the picture: a line from each processed
// bone's parent's origin to its own, a dot at each origin, depth test off for these only.
#pragma once

#include <cstdint>

#include "body/bone_tree.h"
#include "render/view.h"

// The overlay's usual colour: a magenta that no demo ramp comes near.
inline constexpr uint8_t skeletonOverlayColour[3] = {255, 40, 255};

// Draws into the current context after drawScene with the same `view`, in `rgb`. Bone origins
// must be placed (placeBoneOrigins). Leaves the depth test, point size, line width and matrices
// as it found them.
void drawSkeletonOverlay(const BoneTree& tree, const View& view, const uint8_t rgb[3]);
