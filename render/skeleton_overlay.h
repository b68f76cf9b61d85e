// skeleton_overlay.h: draws a body's skeleton over the picture: a line from each placed bone's
// parent's origin to its own origin and a dot at each origin, in a colour that stands out.
#pragma once

#include <cstdint>

#include "body/bone_origins.h"

// The overlay's colours, chosen to stand out from any body: lines magenta, dots white.
inline constexpr uint8_t skeletonLineColour[3] = {255, 0, 255};
inline constexpr uint8_t skeletonDotColour[3] = {255, 255, 255};

// Draws `count` bones (from collectBoneOrigins) with the same view as drawScene (`zoom`, and the
// angles about x and y in degrees) on top of what is drawn already: the depth test is off for
// the overlay alone and put back afterwards. Bones the frame skipped are not drawn; a line needs
// its bone to have a parent. Does not clear or present.
void drawSkeletonOverlay(const BoneOrigin* bones, int32_t count, float zoom, float viewX, float viewY);
