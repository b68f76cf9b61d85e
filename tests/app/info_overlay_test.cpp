// info_overlay_test.cpp: the information box's lines and its painting.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/info_overlay.h"

namespace {

InfoFacts shownEntry()
{
    InfoFacts facts;
    facts.archive = "out/demo/body.ZRK";
    facts.entry = 3;
    facts.entryCount = 8;
    facts.points = 335;
    facts.bones = 16;
    facts.polygons = 210;
    facts.lines = 17;
    facts.spheres = 14;
    facts.fps = 59.96;
    return facts;
}

TEST(InfoLines, NameEntryCountsAndFrameRate)
{
    const InfoLines lines = composeInfoLines(shownEntry());
    EXPECT_EQ(lines[0], "body.ZRK") << "the file's name, not its folders";
    EXPECT_EQ(lines[1], "entry 3 of 8");
    EXPECT_EQ(lines[2], "points 335 bones 16");
    EXPECT_EQ(lines[3], "polygons 210 lines 17");
    EXPECT_EQ(lines[4], "spheres 14");
    EXPECT_EQ(lines[5], "fps 60.0");

    InfoFacts facts = shownEntry();
    facts.archive = "a-very-long-archive-name-for-mods.ZRK";
    facts.entryCount = -1;
    facts.fps = -1.0;
    facts.points = 8000;
    facts.bones = 5555;
    facts.polygons = 5000;
    facts.lines = 5000;
    const InfoLines edge = composeInfoLines(facts);
    EXPECT_EQ(edge[0], "...ive-name-for-mods.ZRK") << "the tail, where the name differs";
    EXPECT_EQ(edge[1], "entry 3 of ?") << "an unreadable archive";
    EXPECT_EQ(edge[3], "polygons 5000 lines 5000");
    EXPECT_EQ(edge[5], "fps --") << "no whole second measured yet";
    for (const std::string& line : edge) EXPECT_LE(line.size(), size_t(infoColumns)) << line;
}

TEST(InfoLines, AFaultTakesTheCountsPlaceBrokenBetweenWords)
{
    InfoFacts facts = shownEntry();
    facts.fault = "bone 3: base point offset -12 outside the point table";
    const InfoLines lines = composeInfoLines(facts);
    EXPECT_EQ(lines[2], "bone 3: base point");
    EXPECT_EQ(lines[3], "offset -12 outside the");
    EXPECT_EQ(lines[4], "point table");
    EXPECT_EQ(lines[5], "fps 60.0");

    facts.fault = "truncated entry";
    EXPECT_EQ(composeInfoLines(facts)[2], "truncated entry");
    EXPECT_EQ(composeInfoLines(facts)[3], "");

    facts.fault = std::string(30, 'x') + " and then a great many more words than three lines hold";
    const InfoLines cut = composeInfoLines(facts);
    EXPECT_EQ(cut[2], std::string(24, 'x')) << "a word longer than a line is cut";
    EXPECT_EQ(cut[4].substr(cut[4].size() - 3), "...") << cut[4];
    for (const std::string& line : cut) EXPECT_LE(line.size(), size_t(infoColumns)) << line;
}

bool pixelIs(const std::vector<uint8_t>& rgba, int x, int yFromTop, const uint8_t colour[4])
{
    const size_t at = (static_cast<size_t>(yFromTop) * infoBoxWidth + static_cast<size_t>(x)) * 4;
    return std::equal(colour, colour + 4, rgba.begin() + static_cast<std::ptrdiff_t>(at));
}

TEST(InfoBox, BackingAllRoundTextInside)
{
    InfoLines lines;
    lines[0] = "##";  // the first line: two solid 5 x 7 blocks
    std::vector<uint8_t> rgba(static_cast<size_t>(infoBoxWidth) * infoBoxHeight * 4, 7);
    paintInfoBox(lines, rgba.data());

    for (int x = 0; x < infoBoxWidth; ++x) {
        EXPECT_TRUE(pixelIs(rgba, x, 0, infoBacking) && pixelIs(rgba, x, infoBoxHeight - 1, infoBacking)) << x;
    }
    for (int y = 0; y < infoBoxHeight; ++y) {
        EXPECT_TRUE(pixelIs(rgba, 0, y, infoBacking) && pixelIs(rgba, infoBoxWidth - 1, y, infoBacking)) << y;
    }
    // '#' has its third row full: ink across it, at the first line's place near the top.
    const int row = infoPadding + 2 * infoScale;
    EXPECT_TRUE(pixelIs(rgba, infoPadding, row, infoInk));
    EXPECT_TRUE(pixelIs(rgba, infoPadding + 5 * infoScale - 1, row, infoInk));
    EXPECT_TRUE(pixelIs(rgba, infoPadding + 5 * infoScale, row, infoBacking)) << "the gap between glyphs";
    EXPECT_FALSE(pixelIs(rgba, infoPadding, infoBoxHeight - 1 - row, infoInk)) << "not upside down";
    EXPECT_EQ(std::count(rgba.begin(), rgba.end(), 7), 0) << "every pixel painted";
}

}  // namespace
