// digit_font.h: a tiny built-in bitmap font that writes numbers onto pictures.
#pragma once

#include <cstdint>

#include "image/rgb_image.h"

// Writes the decimal `number` (0 or more) with its top-left corner at (x, y), each font pixel
// `scale` x `scale` pixels, in `rgb`, over a dark backing box. Clipped to the image.
void drawNumber(RgbImage& image, int x, int y, int number, int scale, const uint8_t rgb[3]);
