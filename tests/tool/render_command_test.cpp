// render_command_test.cpp: 'orvane render' run as a user runs it, without a display: the
// picture's size and content, the options that change it, the contact sheet, and the refusals.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/lit_pixels.h"
#include "tests/tool/demo_folder.h"

namespace {

class RenderCommand : public DemoFolder {
protected:
    // The tool with `arguments` after "render".
    CommandRun render(const std::string& arguments) { return tool("render " + arguments); }
};

TEST_F(RenderCommand, DrawsAnEntryAtTheViewersDefaultsAndFollowsTheOptions)
{
    CommandRun run = render("body.ZRK 0 -o plain.png");
    ASSERT_EQ(run.status, 0) << run.out;
    const RgbImage plain = picture("plain.png");
    EXPECT_EQ(plain.width, 800);
    EXPECT_EQ(plain.height, 600);
    EXPECT_GT(litPixels(plain), 800 * 600 / 50);

    // The defaults are the viewer's start values, spelled out.
    ASSERT_EQ(
        render("body.ZRK 0 -o spelled.png --zoom -5 --angle-x 20 --angle-y -40 --auto-angle 0 --size 800x600").status,
        0);
    EXPECT_EQ(picture("spelled.png").rgb, plain.rgb);

    ASSERT_EQ(render("body.ZRK 0 -o wire.png --wireframe").status, 0);
    EXPECT_LT(litPixels(picture("wire.png")), litPixels(plain));
    ASSERT_EQ(render("body.ZRK 0 -o far.png --zoom -10").status, 0);
    EXPECT_LT(litPixels(picture("far.png")), litPixels(plain) / 2);
    ASSERT_EQ(render("body.ZRK 0 -o turned.png --auto-angle 512").status, 0);
    EXPECT_NE(picture("turned.png").rgb, plain.rgb);
    ASSERT_EQ(render("body.ZRK 0 -o view.png --angle-x 60 --angle-y 90").status, 0);
    EXPECT_NE(picture("view.png").rgb, plain.rgb);
    ASSERT_EQ(render("body.ZRK 0 -o small.png --size 160x120").status, 0);
    const RgbImage small = picture("small.png");
    EXPECT_EQ(small.width, 160);
    EXPECT_EQ(small.height, 120);
    EXPECT_GT(litPixels(small), 0);

    // Another palette: all black draws nothing.
    ASSERT_TRUE(folder.write("black.dmp", std::vector<uint8_t>(768, 0)));
    ASSERT_EQ(render("body.ZRK 0 -o black.png --palette black.dmp").status, 0);
    EXPECT_EQ(litPixels(picture("black.png")), 0);
}

TEST_F(RenderCommand, SheetHoldsEveryEntryLabelledWithItsIndex)
{
    CommandRun run = render("body.ZRK --sheet -o sheet.png --size 120x90");
    ASSERT_EQ(run.status, 0) << run.out;
    const RgbImage sheet = picture("sheet.png");
    const int entries = static_cast<int>(demoBodies().size());
    ASSERT_EQ(sheet.width % 120, 0);
    ASSERT_EQ(sheet.height % 90, 0);
    const int columns = sheet.width / 120, rows = sheet.height / 90;
    EXPECT_GE(columns * rows, entries);
    EXPECT_LT(columns * (rows - 1), entries) << "no empty row";
    for (int i = 0; i < entries; ++i) {
        // Each tile has its white label in its top-left corner and a body beside it.
        const int x0 = (i % columns) * 120, y0 = (i / columns) * 90;
        const uint8_t white[3] = {255, 255, 255};
        EXPECT_GT(pixelsOfColour(sheet, white, x0, y0, 40, 20), 10) << "label of entry " << i;
        EXPECT_GT(litPixels(sheet, x0, y0, 120, 90) - litPixels(sheet, x0, y0, 40, 20), 20) << "entry " << i;
    }
}

TEST_F(RenderCommand, RefusesWhatItCannotDrawWithOneClearLine)
{
    // Bad command lines: status 2 and the usage.
    for (const char* arguments :
         {"", "body.ZRK", "body.ZRK 0", "body.ZRK x -o a.png", "body.ZRK 0 -o a.png --size 0x10",
          "body.ZRK 0 -o a.png --zoom far", "body.ZRK 0 -o a.png --bogus", "body.ZRK 3 --sheet -o a.png"}) {
        const CommandRun run = render(arguments);
        EXPECT_EQ(run.status, 2) << arguments << "\n" << run.out;
        EXPECT_NE(run.out.find("usage:"), std::string::npos) << arguments;
    }

    // A body whose frame would stop the viewer (bone type 1) is reported, not fatal to the tool:
    // the sheet is still made with the other entries.
    ASSERT_TRUE(folder.write("fatal.ZRK", archiveOf({demoBodies()[0].bytes, fatalBody()}, EntryPacking::stored)));

    // Files and entries that cannot be drawn: status 1, a line naming the file (and the entry).
    for (const auto& [arguments, named] :
         {std::pair{"missing.ZRK 0 -o a.png", "orvane render: missing.ZRK: cannot open the archive"},
          {"body.ZRK 99 -o a.png", "body.ZRK: entry 99: "},
          {"body.ZRK 0 -o a.png --palette none.dmp", "none.dmp"},
          {"fatal.ZRK 1 -o a.png --palette palette.dmp",
           "fatal.ZRK: entry 1: the viewer stops at its first frame: \"renderM1\""},
          {"fatal.ZRK --sheet -o s.png --size 80x60",
           "fatal.ZRK: entry 1: the viewer stops at its first frame: \"renderM1\""}}) {
        const CommandRun run = render(arguments);
        EXPECT_EQ(run.status, 1) << arguments;
        EXPECT_NE(run.out.find(named), std::string::npos) << run.out;
    }
    EXPECT_FALSE(std::ifstream(folder.file("a.png")).good()) << "no picture after a failure";
    EXPECT_GT(litPixels(picture("s.png")), 0);
}

}  // namespace
