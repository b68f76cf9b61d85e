// screen_image.h: puts a ready-made picture straight onto the window, over the scene (the
// viewer's information box).
#pragma once

#include <cstdint>

// Draws `width` x `height` RGBA pixels, rows bottom first (OpenGL's order), with their top-left
// corner at the top-left corner of a `viewWidth` x `viewHeight` viewport, ignoring depth.
// Alpha 255 replaces the pixels under it; only the picture's own rectangle is touched. The
// projection, modelview and enable state are put back afterwards.
void drawScreenImage(const uint8_t* rgba, int width, int height, int viewWidth, int viewHeight);
