// digit_font.cpp: a tiny built-in bitmap font (5 x 7 digits) that writes numbers onto pictures.
#include "image/digit_font.h"

#include <cstdio>

namespace {

// One byte per row, the low five bits the row's pixels, most significant on the left.
const uint8_t digitRows[10][7] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
};

void fill(RgbImage& image, int x0, int y0, int w, int h, const uint8_t rgb[3])
{
    for (int y = y0; y < y0 + h; ++y) {
        if (y < 0 || y >= image.height) continue;
        for (int x = x0; x < x0 + w; ++x) {
            if (x < 0 || x >= image.width) continue;
            uint8_t* p = &image.rgb[(static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)) * 3];
            p[0] = rgb[0];
            p[1] = rgb[1];
            p[2] = rgb[2];
        }
    }
}

}  // namespace

void drawNumber(RgbImage& image, int x, int y, int number, int scale, const uint8_t rgb[3])
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", number < 0 ? 0 : number);
    int digits = 0;
    while (text[digits] != '\0') ++digits;

    const int advance = 6 * scale;
    const uint8_t backing[3] = {24, 24, 24};
    fill(image, x, y, digits * advance + 2 * scale, 9 * scale, backing);
    for (int d = 0; d < digits; ++d) {
        const uint8_t* rows = digitRows[text[d] - '0'];
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col)
                if (rows[row] & (0x10 >> col))
                    fill(image, x + scale + d * advance + col * scale, y + scale + row * scale, scale, scale, rgb);
    }
}
