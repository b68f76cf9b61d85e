// colour_quantiser_test.cpp: the turntable's palette: few colours kept exactly, smooth shading
// without bands, and the large areas (the background above all) kept exact.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "image/colour_quantiser.h"

namespace {

RgbImage picture(int width, int height, uint32_t (*colourAt)(int x, int y))
{
    RgbImage image;
    image.width = width;
    image.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t c = colourAt(x, y);
            image.rgb.insert(image.rgb.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
        }
    return image;
}

// Largest difference of one channel between each picture and its quantised form.
int largestError(const std::vector<RgbImage>& pictures, const QuantisedPictures& q)
{
    int largest = 0;
    for (size_t i = 0; i < pictures.size(); ++i) {
        EXPECT_EQ(q.indices[i].size() * 3, pictures[i].rgb.size());
        for (size_t p = 0; p < q.indices[i].size(); ++p)
            for (size_t c = 0; c < 3; ++c)
                largest = std::max(largest, std::abs(q.palette[q.indices[i][p]][c] - pictures[i].rgb[p * 3 + c]));
    }
    return largest;
}

TEST(ColourQuantiser, KeepsFewColoursExactlyAndShadesWithoutBands)
{
    // 200 colours over two pictures: kept exactly.
    const std::vector<RgbImage> few = {
        picture(20, 5, [](int x, int y) { return uint32_t(x * 7 << 16 | y * 40 << 8 | 3); }),
        picture(20, 5, [](int x, int y) { return uint32_t(x * 9 << 8 | y * 50); })};
    QuantisedPictures q = quantise(few);
    EXPECT_LE(q.palette.size(), 200u);
    EXPECT_EQ(largestError(few, q), 0);

    // A black background around four smooth ramps of 256 steps each, like shaded bodies: far more
    // colours than the palette holds, yet no step larger than a few levels, and black exact.
    const std::vector<RgbImage> ramps = {picture(512, 64, [](int x, int y) -> uint32_t {
        if (x < 128 || x >= 384 || y < 16 || y >= 48) return 0;
        const uint32_t v = static_cast<uint32_t>(x - 128);
        switch ((y - 16) / 8) {
        case 0:
            return v << 16 | (v / 2) << 8 | (v / 4);  // skin
        case 1:
            return (v / 4) << 16 | (v / 2) << 8 | v;  // blue cloth
        case 2:
            return v << 16 | v << 8 | v;  // grey
        default:
            return (v / 3) << 16 | v << 8 | (v / 3);  // green
        }
    })};
    q = quantise(ramps);
    EXPECT_EQ(q.palette.size(), 256u);
    EXPECT_LE(largestError(ramps, q), 8);
    EXPECT_EQ(q.palette[q.indices[0][0]], (std::array<uint8_t, 3>{0, 0, 0}));
}

}  // namespace
