// info_overlay_test.cpp: the information box's lines and its painting.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/info_overlay.h"
#include "image/rgb_image.h"
#include "tests/support/demo_figure_facts.h"
#include "tests/support/lit_pixels.h"

namespace {

// Counts as the demo's figure has them, with the name and place of another entry.
const InfoFacts shownEntry = demoFigureFacts("out/demo/body.ZRK", 3, 59.96);

TEST(InfoLines, NameEntryCountsAndFrameRate)
{
    const InfoLines lines = composeInfoLines(shownEntry);
    EXPECT_EQ(lines[0], "body.ZRK") << "the file's name, not its folders";
    EXPECT_EQ(lines[1], "entry 3 of 8");
    EXPECT_EQ(lines[2], "points 335 bones 16");
    EXPECT_EQ(lines[3], "polygons 210 lines 17");
    EXPECT_EQ(lines[4], "spheres 14");
    EXPECT_EQ(lines[5], "fps 60.0");

    InfoFacts facts = shownEntry;
    facts.archive = "a-very-long-archive-name-for-mods.ZRK";
    facts.entryCount = -1;
    facts.fps = -1.0;
    facts.points = 8000, facts.bones = 5555, facts.polygons = 5000, facts.lines = 5000;
    const InfoLines edge = composeInfoLines(facts);
    EXPECT_EQ(edge[0], "...ive-name-for-mods.ZRK") << "the tail, where the name differs";
    EXPECT_EQ(edge[1], "entry 3") << "an unreadable archive";
    EXPECT_EQ(edge[3], "polygons 5000 lines 5000");
    EXPECT_EQ(edge[5], "fps --") << "no whole second measured yet";
    for (const std::string& line : edge) EXPECT_LE(line.size(), size_t(infoColumns)) << line;
}

TEST(InfoLines, AFaultTakesTheCountsPlaceBrokenBetweenWords)
{
    InfoFacts facts = shownEntry;
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

TEST(InfoBox, BackingAllRoundAndBehindTheLinesTextInsideIt)
{
    InfoLines lines;
    lines[0] = "##";                               // the first line: two glyphs with a full third row
    lines[5] = std::string(infoColumns + 5, '#');  // too long: cut, never past the box
    const RgbImage box = paintInfoBox(lines);
    ASSERT_EQ(box.width, infoBoxWidth);
    ASSERT_EQ(box.height, infoBoxHeight);

    for (int x = 0; x < infoBoxWidth; ++x) {
        EXPECT_TRUE(hasColour(box, x, 0, infoBacking) && hasColour(box, x, infoBoxHeight - 1, infoBacking)) << x;
    }
    for (int y = 0; y < infoBoxHeight; ++y) {
        EXPECT_TRUE(hasColour(box, 0, y, infoBacking) && hasColour(box, infoBoxWidth - 1, y, infoBacking)) << y;
    }
    EXPECT_TRUE(hasColour(box, infoPadding, infoPadding, infoBacking)) << "the line's own backing is the box's";
    // The glyphs start one font pixel into their line; '#' has its third row full.
    const int row = infoPadding + 3 * infoScale;
    EXPECT_TRUE(hasColour(box, infoPadding + infoScale, row, infoInk));
    EXPECT_TRUE(hasColour(box, infoPadding + 5 * infoScale, row, infoInk));
    EXPECT_TRUE(hasColour(box, infoPadding + 6 * infoScale, row, infoBacking)) << "the gap between glyphs";
    EXPECT_TRUE(hasColour(box, infoPadding + 7 * infoScale, row, infoInk));
    EXPECT_TRUE(hasColour(box, infoPadding + 13 * infoScale, row, infoBacking)) << "two glyphs only";
    const int lastRow = infoPadding + 5 * labelHeight(infoScale) + 3 * infoScale;
    EXPECT_TRUE(hasColour(box, infoBoxWidth - infoPadding - 3 * infoScale, lastRow, infoInk))
        << "a full line fills the width";
}

}  // namespace
