// colour_quantiser.h: one palette of at most 256 colours for a set of pictures (median cut over
// their colour histogram, refined by a few k-means rounds) and the pictures mapped onto it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "image/rgb_image.h"

struct QuantisedPictures {
    std::vector<std::array<uint8_t, 3>> palette;  // 1 to 256 colours
    std::vector<std::vector<uint8_t>> indices;    // per picture, one palette index per pixel
};

// Pictures of any sizes; an empty set gives one black colour and no pictures. Fewer distinct
// colours than `maxColours` (1..256) are kept exactly.
QuantisedPictures quantise(const std::vector<RgbImage>& pictures, int maxColours = 256);
