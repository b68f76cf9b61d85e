// lit_pixels.h: how much of a picture a drawing lit, the one measure the picture tests share.
#pragma once

#include <algorithm>
#include <cstdint>

#include "image/rgb_image.h"

// Lit: some channel above `dark`. 16 by default, above the near-black a window's visual or a
// palette's darkest steps leave; 0 where the picture is exact (offscreen, chosen colours).
inline bool isLit(const uint8_t* pixel, int dark = 16) { return pixel[0] > dark || pixel[1] > dark || pixel[2] > dark; }

// The lit pixels in the w by h rectangle at (x0, y0), which the caller keeps inside the picture.
inline int litPixels(const RgbImage& image, int x0, int y0, int w, int h, int dark = 16)
{
    int n = 0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) n += isLit(image.at(x, y), dark);
    return n;
}

// The lit pixels of the whole picture.
inline int litPixels(const RgbImage& image, int dark = 16)
{
    return litPixels(image, 0, 0, image.width, image.height, dark);
}

// True when the pixel at (x, y) has exactly the colour `rgb`.
inline bool hasColour(const RgbImage& image, int x, int y, const uint8_t rgb[3])
{
    return std::equal(rgb, rgb + 3, image.at(x, y));
}

// The pixels of exactly the colour `rgb`, in the w by h rectangle at (x0, y0) or in the whole picture.
inline int pixelsOfColour(const RgbImage& image, const uint8_t rgb[3], int x0 = 0, int y0 = 0, int w = -1, int h = -1)
{
    int n = 0;
    for (int y = y0; y < (h < 0 ? image.height : y0 + h); ++y)
        for (int x = x0; x < (w < 0 ? image.width : x0 + w); ++x) n += hasColour(image, x, y, rgb);
    return n;
}
