// skeleton_overlay.h: draws a posed body's skeleton over the picture: a line from each processed
// bone's parent's origin to its own, a dot at each origin, depth test off for these only.
#pragma once

#include <cstdint>

#include "body/bone_tree.h"

// Draws into the current context with the scene's view (zoom and angles as drawScene takes
// them, angles in degrees), in `rgb`. Bone origins must be placed (placeBoneOrigins). Leaves
// the depth test, point size, line width and matrices as it found them.
void drawSkeletonOverlay(const BoneTree& tree, float zoom, float turnX, float turnY, const uint8_t rgb[3]);
