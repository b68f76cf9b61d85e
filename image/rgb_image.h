// rgb_image.h: the one picture type: 8-bit red, green, blue per pixel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Pixels row-major, top row first, three bytes (red, green, blue) each.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    // The three bytes of pixel (x, y); the caller keeps x and y inside the picture.
    const uint8_t* at(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
    uint8_t* at(int x, int y) { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

// A black picture of the given size.
inline RgbImage blackImage(int width, int height)
{
    RgbImage image;
    image.width = width;
    image.height = height;
    image.rgb.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 0);
    return image;
}
