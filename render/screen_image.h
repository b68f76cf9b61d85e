// screen_image.h: a ready-made picture kept in a texture and put straight onto the window, over
// the scene (the viewer's information box).
#pragma once

#include <cstdint>

#include "image/rgb_image.h"

// Room for a picture of up to 512 x 128 pixels.
inline constexpr int screenImageRoomWidth = 512;
inline constexpr int screenImageRoomHeight = 128;

struct ScreenImage {
    unsigned texture = 0;  // the OpenGL texture; 0 until the first upload
    int width = 0;
    int height = 0;
};

// Puts `picture` into the image's texture (made on the first call). False, with nothing
// changed, when its size is outside 1..512 x 1..128 or no texture can be made. Uploading costs
// far more than drawing: do it only when the picture changes.
bool uploadScreenImage(ScreenImage* image, const RgbImage& picture);

// Draws the last upload pixel for pixel with its top-left corner at the top-left corner of a
// `viewWidth` x `viewHeight` viewport, ignoring depth, culling and wireframe. It replaces the
// pixels under it; only the picture's own rectangle is touched. The matrices and the state
// it changes are put back afterwards.
void drawScreenImage(const ScreenImage& image, int viewWidth, int viewHeight);
