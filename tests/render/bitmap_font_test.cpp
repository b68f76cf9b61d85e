// bitmap_font_test.cpp: the built-in font's glyphs and its writing into pixel buffers.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "render/bitmap_font.h"

namespace {

std::string rowsOf(char c)
{
    const uint8_t* rows = glyphRows(c);
    return std::string(rows, rows + glyphHeight);
}

TEST(BitmapFont, EveryPrintableCharacterHasItsOwnGlyphWithinFiveColumns)
{
    std::set<std::string> seen;
    for (int code = 33; code <= 126; ++code) {
        const std::string rows = rowsOf(static_cast<char>(code));
        EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](char r) { return r != 0; })) << char(code) << " is blank";
        EXPECT_TRUE(std::all_of(rows.begin(), rows.end(), [](char r) { return (r & ~0x1F) == 0; })) << char(code);
        EXPECT_TRUE(seen.insert(rows).second) << char(code) << " looks like another character";
    }
    EXPECT_EQ(rowsOf(' '), std::string(glyphHeight, '\0'));
    EXPECT_EQ(rowsOf('\n'), rowsOf('?')) << "anything unprintable shows as '?'";
    EXPECT_EQ(rowsOf(static_cast<char>(0xE9)), rowsOf('?'));
}

TEST(BitmapFont, TextIsWrittenInItsColourAndClippedToTheBuffer)
{
    // A 3-channel 20 x 12 buffer with a guard band around it.
    constexpr int width = 20, height = 12, guard = 64;
    std::vector<uint8_t> memory(guard + width * height * 3 + guard, 9);
    const PixelTarget target{memory.data() + guard, width, height, 3};
    const uint8_t ink[3] = {200, 100, 50};

    EXPECT_EQ(drawText(target, 1, 2, "I", 1, ink), 1 + glyphAdvance);
    // 'I': rows .###. then ..#.. : its top row starts one column in.
    auto at = [&](int x, int y) { return target.pixels + (y * width + x) * 3; };
    EXPECT_EQ(at(2, 2)[0], 200);
    EXPECT_EQ(at(2, 2)[2], 50);
    EXPECT_EQ(at(1, 2)[0], 9) << "unset glyph pixels are left alone";
    EXPECT_EQ(at(3, 3)[1], 100);

    // Hanging over every edge, scaled up: nothing outside the buffer changes.
    drawText(target, -7, -5, "WWWW", 3, ink);
    drawText(target, 15, 8, "@@", 2, ink);
    fillRect(target, -100, -2, 1000, 3, ink);
    EXPECT_TRUE(std::all_of(memory.begin(), memory.begin() + guard, [](uint8_t b) { return b == 9; }));
    EXPECT_TRUE(std::all_of(memory.end() - guard, memory.end(), [](uint8_t b) { return b == 9; }));
    EXPECT_EQ(at(19, 0)[0], 200) << "the fill reaches the last column";
    EXPECT_EQ(at(19, 11)[0], 200) << "'@' at twice the size reaches the last row";
}

}  // namespace
