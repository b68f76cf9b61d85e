// patch_command_test.cpp: 'orvane diff' and 'orvane patch create|apply|info', run as processes on
// archives made here: the words and statuses of diff, a patch refused on the wrong original,
// --force, several patches and their conflicts, damaged patches, and the safe output.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "body/body_builder.h"
#include "testkit/sample_bodies.h"
#include "image/png_file.h"
#include "support/file_io.h"
#include "support/little_endian.h"
#include "tests/support/run_command.h"
#include "tests/support/scratch_dir.h"

namespace {

struct Folder {
    TempDir dir;
    CommandRun run(const std::string& arguments) const
    {
        CommandRun run = runCommand("cd '" + dir.path() + "' && env -u DISPLAY '" ORVANE_TOOL_PATH "' " + arguments);
        run.out += run.err;
        return run;
    }
    void write(const std::string& name, const std::vector<Bytes>& entries,
               EntryPacking packing = EntryPacking::packedIfSmaller) const
    {
        EXPECT_TRUE(dir.write(name, archiveOf(entries, packing)));
    }
};

// A small body: four points over two bones, a polygon, a line and a sphere.
BodyBuilder smallBody()
{
    BodyBuilder b;
    for (int i = 0; i < 4; ++i) b.addPoint(static_cast<int16_t>(100 * i), static_cast<int16_t>(50 * (i % 2)), 0);
    b.addBone(0, 2, 0, -1);
    b.addBone(2, 2, 1, 0, 10, 20);
    b.addPolygon(1, 40, {0, 1, 2});
    b.addLine(9, 0, 3);
    b.addSphere(12, 30, 2);
    return b;
}

Bytes changedBody(const std::function<void(BodyBuilder&)>& change)
{
    BodyBuilder b = smallBody();
    change(b);
    return b.build();
}

std::vector<Bytes> fourBodies() { return {sampleBody(0), sampleBody(1), sampleBody(2), sampleBody(3)}; }

}  // namespace

TEST(DiffCommand, SaysWhatChangedInWordsWithDiffsStatus)
{
    const Bytes body = smallBody().build();
    const struct {
        const char* what;
        std::vector<Bytes> after;
        EntryPacking packing;
        const char* line;
        int status;
    } cases[] = {
        {"identical", {body, sampleBody(1)}, EntryPacking::packedIfSmaller, "    1  same", 0},
        {"stored, not packed", {body, sampleBody(1)}, EntryPacking::stored, "    1  repacked", 0},
        {"a point moved",
         {changedBody([](BodyBuilder& b) { b.points[3].y = 7; }), sampleBody(1)},
         EntryPacking::packedIfSmaller,
         "    0  changed: 1 point moved\n",
         1},
        {"a bone turned, a line recoloured",
         {changedBody([](BodyBuilder& b) {
              b.bones[1].angleY = 99;
              b.lines[0].attributes = 3 << 8;
          }),
          sampleBody(1)},
         EntryPacking::packedIfSmaller,
         "    0  changed: 1 bone with other angles, 1 line recoloured\n",
         1},
        {"elements added and removed",
         {changedBody([](BodyBuilder& b) {
              b.addPolygon(1, 41, {1, 2, 3});
              b.spheres.clear();
          }),
          sampleBody(1)},
         EntryPacking::packedIfSmaller,
         "    0  changed: 1 polygon added, 1 sphere removed\n",
         1},
        {"a polygon's points",
         {changedBody([](BodyBuilder& b) { b.polygons[0].offsets[0] = 18; }), sampleBody(1)},
         EntryPacking::packedIfSmaller,
         "    0  changed: other fields (polygons)\n",
         1},
        {"an entry added",
         {body, sampleBody(1), sampleBody(2)},
         EntryPacking::packedIfSmaller,
         "    2  added\n3 entries: 2 same, 1 added",
         1},
        {"an entry removed", {body}, EntryPacking::packedIfSmaller, "    1  removed\n2 entries: 1 same, 1 removed", 1},
        {"a damaged body", {body, Bytes(30, 0)}, EntryPacking::packedIfSmaller, "    1  damaged: new: ", 2},
    };
    for (const auto& c : cases) {
        Folder f;
        f.write("old.ZRK", {body, sampleBody(1)});
        f.write("new.ZRK", c.after, c.packing);
        const CommandRun run = f.run("diff old.ZRK new.ZRK");
        EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.out;
        EXPECT_NE(run.out.find(c.line), std::string::npos) << c.what << "\n" << run.out;
    }
    Folder f;
    f.write("old.ZRK", {body});
    EXPECT_TRUE(f.dir.write("cut.ZRK", Bytes{4, 0}));
    const CommandRun cut = f.run("diff old.ZRK cut.ZRK");
    EXPECT_EQ(cut.status, 2);
    EXPECT_NE(cut.out.find("cut.ZRK: too short to hold an offset table"), std::string::npos) << cut.out;
    EXPECT_EQ(f.run("diff old.ZRK").status, 2);
    // More entries than an index reaches: diff compares none of them rather than some.
    Bytes wide(4 * 40000 + 10, 0);
    for (size_t i = 0; i < 40000; ++i) writeU32(&wide[4 * i], 4 * 40000);
    EXPECT_TRUE(f.dir.write("wide.ZRK", wide));
    const CommandRun tooWide = f.run("diff wide.ZRK old.ZRK");
    EXPECT_EQ(tooWide.status, 2);
    EXPECT_NE(tooWide.out.find("announces 40000 entries; only the first 32768 can be read"), std::string::npos)
        << tooWide.out;
}

TEST(DiffCommand, DrawsEachChangedEntryOldBesideNew)
{
    Folder f;
    const Bytes body = smallBody().build();
    f.write("old.ZRK", {body, body, sampleBody(4)});
    f.write("new.ZRK", {body, changedBody([](BodyBuilder& b) { b.points[3].y = 400; }), sampleBody(5)});
    EXPECT_TRUE(f.dir.write("palette.dmp", testPalette()));
    const CommandRun run = f.run("diff old.ZRK new.ZRK --pictures pictures");
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_FALSE(pathExists(f.dir.file("pictures/entry-000.png")));
    for (const char* name : {"pictures/entry-001.png", "pictures/entry-002.png"}) {
        RgbImage picture;
        ASSERT_FALSE(loadPng(f.dir.file(name), &picture)) << name;
        EXPECT_EQ(picture.width, 804);
        EXPECT_EQ(picture.height, 300);
        // The two halves show different bodies.
        size_t differing = 0;
        for (int y = 40; y < picture.height; ++y)
            for (int x = 0; x < 400; ++x) differing += picture.at(x, y)[0] != picture.at(x + 404, y)[0];
        EXPECT_GT(differing, 20u) << name;
    }
}

TEST(PatchCommand, AppliesOnlyToItsOriginalUnlessForcedAndThenOnlyOverWhatItTouches)
{
    std::vector<Bytes> entries = fourBodies(), mine = entries, other = entries, clash = entries;
    mine[1] = sampleBody(11);
    other[3] = sampleBody(13);
    clash[1] = sampleBody(21);
    std::vector<Bytes> mineOnOther = other, both = mine;
    mineOnOther[1] = sampleBody(11);
    both[3] = sampleBody(13);
    Folder f;
    f.write("old.ZRK", entries);
    f.write("mine.ZRK", mine);
    f.write("other.ZRK", other);
    f.write("clash.ZRK", clash);
    f.write("mine_on_other.ZRK", mineOnOther);
    f.write("both.ZRK", both);
    for (const char* name : {"mine", "other", "clash"})
        ASSERT_EQ(
            f.run(std::string("patch create old.ZRK ") + name + ".ZRK -o " + name + ".patch --note 'by " + name + "'")
                .status,
            0);

    const struct {
        const char* command;
        int status;
        const char* says;
        const char* gives;  // the archive the output must equal; null when nothing may be written
    } cases[] = {
        {"patch apply mine.patch old.ZRK -o out.ZRK", 0, "", "mine.ZRK"},
        {"patch apply mine.patch other.ZRK -o out.ZRK", 1,
         "other.ZRK is not the archive mine.patch was made for: entry 3 differs", nullptr},
        {"patch apply mine.patch other.ZRK -o out.ZRK --force", 0, "applying it with --force", "mine_on_other.ZRK"},
        {"patch apply clash.patch mine.ZRK -o out.ZRK --force", 1,
         "entry 1, which the patch replaces, is not the one it was made for", nullptr},
        {"patch apply mine.patch other.patch old.ZRK -o out.ZRK", 0, "", "both.ZRK"},
        {"patch apply mine.patch clash.patch old.ZRK -o out.ZRK", 1,
         "entry 1 is changed by both mine.patch and clash.patch", nullptr},
        {"patch apply mine.patch old.ZRK -o mine.patch", 2, "mine.patch is also the input mine.patch", nullptr},
        {"patch apply mine.patch old.ZRK -o old.ZRK", 2, "is also the input old.ZRK", nullptr},
    };
    for (const auto& c : cases) {
        const CommandRun run = f.run(c.command);
        EXPECT_EQ(run.status, c.status) << c.command << "\n" << run.out;
        EXPECT_NE(run.out.find(c.says), std::string::npos) << c.command << "\n" << run.out;
        if (c.gives != nullptr)
            EXPECT_EQ(f.dir.read("out.ZRK"), f.dir.read(c.gives)) << c.command;
        else
            EXPECT_FALSE(pathExists(f.dir.file("out.ZRK"))) << c.command;
        std::remove(f.dir.file("out.ZRK").c_str());
    }
    const CommandRun info = f.run("patch info mine.patch");
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.out.find("note: by mine\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("entry     1  replaced"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("1 entry touched"), std::string::npos) << info.out;
}

TEST(PatchCommand, CarriesEntriesAddedAndRemovedAndRefusesADamagedPatch)
{
    const std::vector<Bytes> entries = fourBodies();
    std::vector<Bytes> longer = entries, shorter = entries;
    longer.push_back(sampleBody(7));
    longer.push_back({});
    shorter.resize(2);
    Folder f;
    f.write("old.ZRK", entries);
    f.write("longer.ZRK", longer, EntryPacking::stored);
    f.write("shorter.ZRK", shorter);
    for (const char* name : {"longer", "shorter"}) {
        const std::string patch = std::string(name) + ".patch";
        ASSERT_EQ(f.run(std::string("patch create old.ZRK ") + name + ".ZRK -o " + patch).status, 0);
        const CommandRun run = f.run("patch apply " + patch + " old.ZRK -o out.ZRK");
        ASSERT_EQ(run.status, 0) << run.out;
        EXPECT_EQ(f.dir.read("out.ZRK"), f.dir.read(std::string(name) + ".ZRK")) << name;
        std::remove(f.dir.file("out.ZRK").c_str());
    }
    // An added entry carries its stored bytes; untouched entries only their fingerprints.
    EXPECT_LT(f.dir.read("shorter.patch").size(), 600u);

    const Bytes patch = f.dir.read("longer.patch");
    Bytes flipped = patch;
    flipped[patch.size() / 2] ^= 0x10;
    for (const auto& [name, bytes] : {std::pair{"cut", Bytes(patch.begin(), patch.end() - 40)}, {"flipped", flipped}}) {
        ASSERT_TRUE(f.dir.write(std::string(name) + ".patch", bytes));
        const CommandRun run = f.run(std::string("patch apply ") + name + ".patch old.ZRK -o out.ZRK");
        EXPECT_EQ(run.status, 1) << name;
        EXPECT_NE(run.out.find(std::string(name) + ".patch: damaged: its checksum does not match"), std::string::npos)
            << run.out;
        EXPECT_FALSE(pathExists(f.dir.file("out.ZRK"))) << name;
        EXPECT_EQ(f.run(std::string("patch info ") + name + ".patch").status, 1);
    }
}
