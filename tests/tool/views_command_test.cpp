// views_command_test.cpp: the pictures that look closer at one entry, run as a user runs them:
// the turntable GIF and PNGs, the sheet of preset views, one bone picked out, the skeleton
// overlay, the bones tree, and what each refuses.
#include <gif_lib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/lit_pixels.h"
#include "tests/tool/demo_folder.h"

namespace {

struct Gif {
    std::vector<RgbImage> frames;
    bool loops = false;
};

class LookCloser : public DemoFolder {
protected:
    // Decodes with giflib, each frame through the global colour map.
    Gif gif(const std::string& name)
    {
        Gif result;
        int error = 0;
        GifFileType* file = DGifOpenFileName(folder.file(name).c_str(), &error);
        EXPECT_NE(file, nullptr) << GifErrorString(error);
        if (file == nullptr) return result;
        EXPECT_EQ(DGifSlurp(file), GIF_OK) << GifErrorString(file->Error);
        const ColorMapObject* map = file->SColorMap;
        EXPECT_NE(map, nullptr);
        for (int f = 0; map != nullptr && f < file->ImageCount; ++f) {
            const SavedImage& image = file->SavedImages[f];
            EXPECT_EQ(image.ImageDesc.Width, file->SWidth) << "every frame whole";
            EXPECT_EQ(image.ImageDesc.Height, file->SHeight);
            for (int e = 0; e + 1 < image.ExtensionBlockCount; ++e) {
                const ExtensionBlock& block = image.ExtensionBlocks[e];
                const ExtensionBlock& next = image.ExtensionBlocks[e + 1];
                if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
                    std::memcmp(block.Bytes, "NETSCAPE2.0", 11) == 0 && next.ByteCount == 3 && next.Bytes[0] == 1)
                    result.loops = next.Bytes[1] == 0 && next.Bytes[2] == 0;
            }
            RgbImage frame;
            frame.width = image.ImageDesc.Width;
            frame.height = image.ImageDesc.Height;
            for (int p = 0; p < frame.width * frame.height; ++p) {
                const GifColorType& c = map->Colors[image.RasterBits[p] % map->ColorCount];
                frame.rgb.insert(frame.rgb.end(), {c.Red, c.Green, c.Blue});
            }
            result.frames.push_back(std::move(frame));
        }
        DGifCloseFile(file, &error);
        return result;
    }
};

int brightness(const uint8_t* p) { return p[0] + p[1] + p[2]; }

// Mean and largest difference of one channel between two pictures of one size.
std::pair<double, int> difference(const RgbImage& a, const RgbImage& b)
{
    EXPECT_EQ(a.rgb.size(), b.rgb.size());
    double sum = 0;
    int largest = 0;
    for (size_t i = 0; i < a.rgb.size() && i < b.rgb.size(); ++i) {
        const int d = std::abs(a.rgb[i] - b.rgb[i]);
        sum += d;
        largest = std::max(largest, d);
    }
    return {a.rgb.empty() ? 0.0 : sum / static_cast<double>(a.rgb.size()), largest};
}

TEST_F(LookCloser, TurntableGifHoldsOneTurnOfDifferingFramesThatMatchSinglePictures)
{
    CommandRun run = tool("render body.ZRK 0 --turntable 8 --size 160x120 --auto-angle 100 -o spin.gif");
    ASSERT_EQ(run.status, 0) << run.out;
    const Gif spin = gif("spin.gif");
    ASSERT_EQ(spin.frames.size(), 8u);
    EXPECT_TRUE(spin.loops);
    for (size_t a = 0; a < spin.frames.size(); ++a)
        for (size_t b = a + 1; b < spin.frames.size(); ++b)
            EXPECT_NE(spin.frames[a].rgb, spin.frames[b].rgb) << a << " " << b;

    // Frame k is the single picture at auto-angle 100 + k * 1024 / 8, within the palette's
    // rounding: on average nearly exact, nowhere a visible band.
    for (const auto& [frame, angle] : {std::pair{0, 100}, {3, 100 + 3 * 128}}) {
        ASSERT_EQ(tool("render body.ZRK 0 --size 160x120 -o single.png --auto-angle " + std::to_string(angle)).status,
                  0);
        const auto [mean, largest] = difference(spin.frames[static_cast<size_t>(frame)], picture("single.png"));
        EXPECT_LT(mean, 0.5) << "frame " << frame;
        EXPECT_LE(largest, 24) << "frame " << frame;
    }

    // As PNGs: numbered frames, exactly the single pictures, and no more of them.
    ASSERT_EQ(tool("render body.ZRK 0 --turntable 3 --size 160x120 -o turn.png").status, 0);
    ASSERT_EQ(tool("render body.ZRK 0 --size 160x120 -o single.png --auto-angle 341").status, 0);
    EXPECT_EQ(picture("turn-01.png").rgb, picture("single.png").rgb);
    EXPECT_GT(litPixels(picture("turn-02.png"), 0, 0, 160, 120), 100);
    EXPECT_FALSE(std::ifstream(folder.file("turn-03.png")).good());
    EXPECT_FALSE(std::ifstream(folder.file("turn.png")).good());
}

TEST_F(LookCloser, ViewsSheetHasSixLabelledDifferentViews)
{
    CommandRun run = tool("render body.ZRK 0 --views --size 160x120 -o views.png");
    ASSERT_EQ(run.status, 0) << run.out;
    const RgbImage sheet = picture("views.png");
    ASSERT_EQ(sheet.width, 480);
    ASSERT_EQ(sheet.height, 240);
    std::vector<std::vector<uint8_t>> bodies;
    for (int t = 0; t < 6; ++t) {
        const int x0 = (t % 3) * 160, y0 = (t / 3) * 120;
        const uint8_t white[3] = {255, 255, 255};
        EXPECT_GT(pixelsOfColour(sheet, white, x0, y0, 40, 12), 8) << "label of view " << t;
        EXPECT_GT(litPixels(sheet, x0, y0 + 14, 160, 106), 150) << "view " << t;
        std::vector<uint8_t> body;
        for (int y = y0 + 14; y < y0 + 120; ++y) body.insert(body.end(), sheet.at(x0, y), sheet.at(x0, y) + 160 * 3);
        for (size_t other = 0; other < bodies.size(); ++other) EXPECT_NE(body, bodies[other]) << t << " " << other;
        bodies.push_back(std::move(body));
    }

    // The last view is the viewer's start view: the plain picture below the label.
    ASSERT_EQ(tool("render body.ZRK 0 --size 160x120 -o plain.png").status, 0);
    const RgbImage plain = picture("plain.png");
    for (int y = 14; y < 120; ++y)
        ASSERT_EQ(0, std::memcmp(plain.at(0, y), sheet.at(320, 120 + y), 160 * 3)) << "row " << y;
}

TEST_F(LookCloser, BonePickedOutAndSkeletonDrawnOnTop)
{
    ASSERT_EQ(tool("render body.ZRK 0 --size 400x300 -o plain.png").status, 0);
    ASSERT_EQ(tool("render body.ZRK 0 --size 400x300 --bone 1 -o torso.png").status, 0);
    const RgbImage plain = picture("plain.png"), torso = picture("torso.png");
    // The torso keeps its colours; the head, arms and legs are dimmed, never lit up.
    int kept = 0, dimmed = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) {
            const uint8_t* p = plain.at(x, y);
            const uint8_t* q = torso.at(x, y);
            ASSERT_LE(brightness(q), brightness(p)) << x << "," << y;
            if (brightness(p) < 48) continue;
            if (std::memcmp(p, q, 3) == 0)
                ++kept;
            else if (brightness(q) * 2 < brightness(p))
                ++dimmed;
        }
    EXPECT_GT(kept, 1000);
    EXPECT_GT(dimmed, 1000);

    // Another bone's glass in front hides nothing: the picked bone behind it keeps its colours.
    BodyBuilder glass;
    glass.addPoint(0, 0, 0);
    for (const int16_t z : {200, -200}) {
        glass.addPoint(-400, 200, z);
        glass.addPoint(400, 200, z);
        glass.addPoint(400, 1000, z);
        glass.addPoint(-400, 1000, z);
    }
    glass.addBone(0, 5, 0, -1);
    glass.addBone(5, 4, 0, 0);
    glass.addPolygon(5, 40, {1, 2, 3, 4});  // translucent, in front
    glass.addPolygon(1, 60, {5, 6, 7, 8});  // opaque, behind
    ASSERT_TRUE(folder.write("glass.ZRK", archiveOf({glass.build()}, EntryPacking::stored)));
    const std::string straight = "render glass.ZRK 0 --palette palette.dmp --angle-x 0 --angle-y 0 --size 40x30 ";
    ASSERT_EQ(tool(straight + "-o glass.png").status, 0);
    ASSERT_EQ(tool(straight + "--bone 1 -o behind.png").status, 0);
    const RgbImage seen = picture("glass.png"), behind = picture("behind.png");
    EXPECT_GT(brightness(seen.at(20, 15)), 48);
    EXPECT_EQ(0, std::memcmp(seen.at(20, 15), behind.at(20, 15), 3));

    // The overlay's colour appears only with --skeleton, also where the body is in front of
    // the bones (depth test off): some of it lies on pixels the body covers.
    const uint8_t overlay[3] = {255, 40, 255};
    ASSERT_EQ(tool("render body.ZRK 0 --size 400x300 --skeleton -o bones.png").status, 0);
    const RgbImage bones = picture("bones.png");
    EXPECT_EQ(pixelsOfColour(plain, overlay), 0);
    EXPECT_GT(pixelsOfColour(bones, overlay), 300);
    int underBody = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) underBody += hasColour(bones, x, y, overlay) && brightness(plain.at(x, y)) > 48;
    EXPECT_GT(underBody, 200);
}

TEST_F(LookCloser, BonesListsTheFigureAsATreeWithParentsFirst)
{
    CommandRun run = tool("bones body.ZRK 0 --auto-angle 64");
    ASSERT_EQ(run.status, 0) << run.out;
    std::istringstream lines(run.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_NE(line.find("body.ZRK entry 0: 16 bones"), std::string::npos) << line;
    std::getline(lines, line);   // column heads
    std::map<int, int> depthOf;  // bone -> depth, in the order listed
    while (std::getline(lines, line)) {
        const size_t indent = line.find_first_not_of(' ');
        std::istringstream fields(line);
        int bone = -1;
        std::string type, parent;
        fields >> bone >> type >> parent;
        ASSERT_EQ(depthOf.count(bone), 0u) << "bone " << bone << " listed twice";
        if (parent == "-") {
            EXPECT_EQ(indent, 0u) << line;
        } else {
            const int p = std::stoi(parent);
            ASSERT_EQ(depthOf.count(p), 1u) << "bone " << bone << " before its parent " << p;
            EXPECT_EQ(indent, 2u * static_cast<size_t>(depthOf[p] + 1)) << line;
        }
        depthOf[bone] = static_cast<int>(indent / 2);
        EXPECT_TRUE(type == "root" || type == "rotation") << line;
    }
    EXPECT_EQ(depthOf.size(), 16u);
    EXPECT_EQ(depthOf.rbegin()->first, 15);

    // The origins follow the auto-rotation: the root turns about y, so the hips move in x and z.
    const std::string turned = run.out;
    ASSERT_EQ(tool("bones body.ZRK 0").status, 0);
    EXPECT_NE(tool("bones body.ZRK 0").out.substr(60), turned.substr(60));
}

TEST_F(LookCloser, RefusesWithOneClearLine)
{
    ASSERT_TRUE(folder.write("fatal.ZRK", archiveOf({demoBodies()[0].bytes, fatalBody()}, EntryPacking::stored)));

    // Bad command lines: status 2 and the usage; nothing is written over an input, not even by
    // a numbered turntable frame.
    ASSERT_TRUE(folder.write("pal-01.png", demoPalette()));
    for (const char* arguments :
         {"bones", "bones body.ZRK", "bones body.ZRK x", "bones body.ZRK 0 --auto-angle", "bones body.ZRK 0 --bogus",
          "render body.ZRK 0 --turntable 0 -o a.gif", "render body.ZRK 0 --turntable 8 -o a.jpg",
          "render body.ZRK 0 --turntable 8 -o -", "render body.ZRK 0 --views --turntable 8 -o a.gif",
          "render body.ZRK 0 --views --angle-y 10 -o a.png", "render body.ZRK --sheet --skeleton -o a.png",
          "render body.ZRK 0 --bone -1 -o a.png", "render body.ZRK 0 -o body.ZRK", "render body.ZRK 0 -o palette.dmp",
          "render body.ZRK 0 --palette pal-01.png --turntable 2 -o pal.png"}) {
        const CommandRun run = tool(arguments);
        EXPECT_EQ(run.status, 2) << arguments << "\n" << run.out;
        EXPECT_NE(run.out.find("usage:"), std::string::npos) << arguments;
    }
    EXPECT_EQ(demoArchive().size(), std::ifstream(folder.file("body.ZRK"), std::ios::binary | std::ios::ate).tellg());
    EXPECT_EQ(demoPalette().size(), std::ifstream(folder.file("pal-01.png"), std::ios::binary | std::ios::ate).tellg());

    // Entries that cannot be shown, bones that are not there: status 1, one line naming them.
    for (const auto& [arguments, named] :
         {std::pair{"bones body.ZRK 99", "body.ZRK: entry 99: "},
          {"bones fatal.ZRK 1", "fatal.ZRK: entry 1: the viewer stops at its first frame: \"renderM1\""},
          {"render fatal.ZRK 1 --palette palette.dmp --turntable 4 -o a.gif",
           "fatal.ZRK: entry 1: the viewer stops at its first frame: \"renderM1\""},
          {"render body.ZRK 0 --bone 16 -o a.png", "body.ZRK: entry 0: no bone 16 (16 bones)"},
          {"render body.ZRK 99 --views -o a.png", "body.ZRK: entry 99: "}}) {
        const CommandRun run = tool(arguments);
        EXPECT_EQ(run.status, 1) << arguments;
        EXPECT_NE(run.out.find(named), std::string::npos) << run.out;
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
    }
    EXPECT_FALSE(std::ifstream(folder.file("a.png")).good());
    EXPECT_FALSE(std::ifstream(folder.file("a.gif")).good());
}

}  // namespace
