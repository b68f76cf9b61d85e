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

// Copies `tile` into `image` with its top-left corner at (x, y); what falls outside is left out.
inline void pasteImage(RgbImage& image, const RgbImage& tile, int x, int y)
{
    for (int row = 0; row < tile.height; ++row) {
        const int to = y + row;
        if (to < 0 || to >= image.height) continue;
        for (int col = 0; col < tile.width; ++col) {
            const int across = x + col;
            if (across < 0 || across >= image.width) continue;
            const uint8_t* from = tile.at(col, row);
            uint8_t* into = image.at(across, to);
            into[0] = from[0];
            into[1] = from[1];
            into[2] = from[2];
        }
    }
}
