// demo_data_test.cpp: the demo data keep their promises: every body loads as the viewer loads
// it, shades stay inside their colour ramps in any pose, the picture holds still from frame to
// frame, and the bodies show what they are there to show.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "body/body_loading.h"
#include "support/little_endian.h"
#include "body/body.h"
#include "body/body_codec.h"
#include "tests/support/scratch_dir.h"
#include "demo/demo_data.h"
#include "demo/modeler.h"

namespace {

struct Shaded {
    int index;
    uint8_t type, vertices;
    uint16_t base;  // the polygon's stored colour
};

// What a stored body holds, counted from its decoded records.
struct Census {
    int points = 0, bones = 0, turnedX = 0, turnedY = 0, skipped = 0;
    int polygons = 0, smooth = 0, flatShaded = 0, translucent = 0, lines = 0, spheres = 0;
    bool convertsParents = false;
    std::vector<Shaded> shaded;  // polygons of render types 7..10
};

Census censusOf(const std::vector<uint8_t>& bytes)
{
    StoredBody b;
    const Fault fault = decodeBody(bytes.data(), bytes.size(), &b);
    EXPECT_FALSE(fault) << fault.reason;
    Census c;
    c.convertsParents = (readU16(bytes.data()) & bodyFlagConvertParents) != 0;
    c.points = static_cast<int>(b.points.size());
    c.bones = static_cast<int>(b.bones.size());
    for (const BoneRecord& bone : b.bones) {
        c.turnedX += bone.angleX != 0;
        c.turnedY += bone.angleY != 0;
        c.skipped += bone.type > boneTypeUnsupported;
    }
    c.polygons = static_cast<int>(b.polygons.size());
    for (int i = 0; i < c.polygons; ++i) {
        const PolygonRecord& p = b.polygons[static_cast<size_t>(i)];
        c.smooth += p.renderType == 9 || p.renderType == 10;
        c.flatShaded += p.renderType == 7 || p.renderType == 8;
        c.translucent += p.renderType == 5;
        if (p.renderType >= 7) c.shaded.push_back({i, p.renderType, static_cast<uint8_t>(p.offsets.size()), p.colour});
    }
    c.lines = static_cast<int>(b.lines.size());
    c.spheres = static_cast<int>(b.spheres.size());
    return c;
}

// A demo archive on disk and its entries loaded as the viewer loads them.
class DemoData : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(writeDemoFiles(folder.path()).reason, std::string());
        initPipelineState();
    }
    void TearDown() override
    {
        for (uint8_t* body : loaded) std::free(body);
    }

    const uint8_t* load(int index)
    {
        uint8_t* body = nullptr;
        const Fault fault = loadPreparedBody(folder.file("body.ZRK").c_str(), static_cast<int16_t>(index), &body);
        EXPECT_FALSE(fault) << "entry " << index << ": " << fault.reason;
        if (body != nullptr) loaded.push_back(body);
        return body;
    }

    TempDir folder;
    std::vector<uint8_t*> loaded;
};

TEST_F(DemoData, ArchiveHoldsEightLoadableBodiesSomeStoredSomePacked)
{
    std::vector<DemoBody> bodies;
    std::vector<uint8_t> archive;
    ASSERT_FALSE(makeDemoBodies(&bodies) || makeDemoArchive(&archive));
    ASSERT_GE(bodies.size(), 8u);
    ASSERT_EQ(readU32(archive.data()), 4 * bodies.size()) << "the offset table announces every body";
    int packed = 0, stored = 0;
    for (size_t i = 0; i < bodies.size(); ++i) {
        const uint8_t* header = archive.data() + readU32(&archive[4 * i]);
        EXPECT_EQ(readU32(header), bodies[i].bytes.size());
        const int16_t mode = readI16(header + 8);
        (mode == 1 ? packed : stored) += 1;
        EXPECT_EQ(mode == 1, bodies[i].packed) << bodies[i].name;
        EXPECT_NE(load(static_cast<int>(i)), nullptr) << bodies[i].name;
    }
    EXPECT_GE(packed, 2);
    EXPECT_GE(stored, 2);

    // The palette: sixteen ramps, each brightening step by step from its dark end.
    const std::vector<uint8_t> palette = demoPalette();
    ASSERT_EQ(palette.size(), 768u);
    const auto sum = [&](size_t colour) {
        return palette[3 * colour] + palette[3 * colour + 1] + palette[3 * colour + 2];
    };
    for (size_t colour = 0; colour < 256; ++colour)
        if (colour % 16 != 0) {
            EXPECT_GT(sum(colour), sum(colour - 1)) << "colour " << colour;
        }
}

TEST(DemoModeler, ACoordinateOutsideTheFormatIsAFaultNotABody)
{
    demo::Modeler m(100.0);
    m.bone(0, -1);
    m.point(400, 0, 0);
    std::vector<uint8_t> bytes;
    EXPECT_STREQ(m.build(&bytes).reason, "a coordinate of 40000, outside -32768 to 32767");
    EXPECT_TRUE(bytes.empty());
}

TEST_F(DemoData, ShadesStayInsideTheirRampsAndThePoseHoldsStill)
{
    const std::vector<DemoBody> bodies = demoBodies();
    for (size_t i = 0; i < bodies.size(); ++i) {
        const uint8_t* body = load(static_cast<int>(i));
        ASSERT_NE(body, nullptr);
        const Census c = censusOf(bodies[i].bytes);
        for (int32_t turn = 0; turn < 1024; turn += 37) {
            // Two frames at the same angle: the second must repeat the first, or the picture
            // would drift while nothing moves (the last rotation bone's X angle turns the root).
            angleY = turn;
            runBodyStage(body);
            std::vector<Point16> first(transformedPoints, transformedPoints + transformedPointRoom);
            angleY = turn;
            runBodyStage(body);
            ASSERT_EQ(std::memcmp(first.data(), transformedPoints, sizeof transformedPoints), 0)
                << bodies[i].name << " at angle " << turn;

            // Every shaded colour stays in its ramp (the same sixteen as its base colour).
            for (const Shaded& s : c.shaded) {
                const uint8_t* converted = renderList[s.index].record;
                const int slots = s.type >= 9 ? s.vertices : 1;  // vertex colours, or the polygon's
                for (int k = 0; k < slots; ++k) {
                    const uint16_t shade = readU16(converted + (s.type >= 9 ? 4 + 4 * k : 2));
                    ASSERT_EQ(shade >> 4, s.base >> 4) << bodies[i].name << " polygon " << s.index;
                }
            }
        }
    }
}

TEST_F(DemoData, BodiesShowWhatTheyAreThereToShow)
{
    std::vector<Census> census;
    for (const DemoBody& body : demoBodies()) census.push_back(censusOf(body.bytes));
    const Census& figure = census[0];
    EXPECT_GE(figure.bones, 12);
    EXPECT_GE(figure.turnedX, 4);
    EXPECT_GE(figure.turnedY, 2);
    EXPECT_GT(figure.smooth, 0);
    EXPECT_GT(figure.flatShaded, 0);
    EXPECT_GT(figure.spheres, 0);
    EXPECT_GT(figure.lines, 0);

    int translucentBodies = 0, linesOnly = 0, unconverted = 0, skipping = 0, nearRoom = 0;
    for (const Census& c : census) {
        translucentBodies += c.translucent > 0;
        linesOnly += c.lines > 0 && c.polygons == 0 && c.spheres == 0;
        unconverted += !c.convertsParents && c.bones > 1;
        skipping += c.skipped > 0;
        nearRoom +=
            c.polygons + c.lines + c.spheres > renderListRoom * 9 / 10 || c.points > transformedPointRoom * 9 / 10;
    }
    EXPECT_GE(translucentBodies, 1);
    EXPECT_GE(linesOnly, 1);
    EXPECT_GE(unconverted, 1);
    EXPECT_GE(skipping, 1);
    EXPECT_GE(nearRoom, 1);
}

}  // namespace
