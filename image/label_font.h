// label_font.h: the project's one bitmap font, 5 x 7, for labels on pictures (the contact
// sheet's entry numbers, the views' names): capital letters, digits, space and
// - / . , : ( ) # % = + _. Lower-case letters are drawn as capitals.
#pragma once

#include <cstdint>

#include "image/rgb_image.h"

// Writes `text` with its top-left corner at (x, y), each font pixel `scale` x `scale` pixels,
// in `rgb`, over a dark backing box. Characters the font lacks show as a filled block.
// Clipped to the image.
void drawLabel(RgbImage& image, int x, int y, const char* text, int scale, const uint8_t rgb[3]);

// The width and height in pixels that drawLabel covers with its backing box.
int labelWidth(const char* text, int scale);
int labelHeight(int scale);
