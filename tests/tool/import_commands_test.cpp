// import_commands_test.cpp: 'orvane import', 'orvane pack' with models and 'orvane replace', run
// as processes on files made here.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "archive/archive_format.h"
#include "demo/demo_data.h"
#include "image/png_file.h"
#include "support/little_endian.h"
#include "tests/support/lit_pixels.h"
#include "tests/support/run_command.h"
#include "tests/support/scratch_dir.h"

namespace {

const std::string triangleObj = "v 0 0 0\nv 0.1 0 0\nv 0 0.1 0\nf 1 2 3\nl 1 3\n";

// A folder holding the demo archive and palette and a small OBJ model.
struct Workshop {
    TempDir dir;
    Workshop()
    {
        EXPECT_TRUE(dir.write("body.ZRK", demoArchive()));
        EXPECT_TRUE(dir.write("palette.dmp", demoPalette()));
        EXPECT_TRUE(dir.write("tri.obj", Bytes(triangleObj.begin(), triangleObj.end())));
    }
    CommandRun run(const std::string& arguments) const { return runToolIn(dir.path(), arguments); }
    std::vector<std::string> files() const { return fileNames(dir.path()); }
};

// Every entry's stored bytes (header and data), as the archive holds them.
std::vector<Bytes> storedEntries(const Bytes& archive)
{
    std::vector<Bytes> out;
    const int32_t count = announcedEntryCount(readU32(archive.data()));
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t at = readU32(&archive[4 * static_cast<size_t>(i)]);
        const uint32_t unpacked = readU32(&archive[at]), stored = readU32(&archive[at + 4]);
        const uint32_t size = readI16(&archive[at + 8]) == entryModePacked ? stored : unpacked;
        out.emplace_back(archive.begin() + at, archive.begin() + at + entryHeaderBytes + size);
    }
    return out;
}

TEST(ImportCommand, WritesTheBodyOrNothing)
{
    const Workshop w;
    const CommandRun ok = w.run("import tri.obj -o tri.bin");
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_FALSE(w.dir.read("tri.bin").empty());
    EXPECT_EQ(w.run("pack one.ZRK tri.bin").status, 0);
    const CommandRun check = w.run("check one.ZRK");
    EXPECT_EQ(check.out, "one.ZRK: entry 0: ok\none.ZRK: 1 entry, 0 with problems\n");

    // Refusals: one line naming the model, status 1, nothing written (no temporary file either).
    const std::string far = "v 0 0 0\nv 100 0 0\nv 0 1 0\nf 1 2 3\n";
    ASSERT_TRUE(w.dir.write("far.obj", Bytes(far.begin(), far.end())));
    const std::vector<std::string> before = w.files();
    const CommandRun refused = w.run("import far.obj -o far.bin");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "orvane import: far.obj: coordinates reach 40000 model units, outside the 16-bit range: try "
                           "--scale 327.67 (or --fit SIZE)\n");
    EXPECT_EQ(w.files(), before);
    EXPECT_EQ(w.run("import far.obj -o far.bin --scale 300").status, 0);

    // No palette beside the model or in the working folder: say so and stop.
    std::filesystem::create_directory(w.dir.file("lonely"));
    ASSERT_TRUE(w.dir.write("lonely/tri.obj", Bytes(triangleObj.begin(), triangleObj.end())));
    const std::string lonely = w.dir.file("lonely");
    const CommandRun noPalette = runToolIn(lonely, "import tri.obj -o x.bin");
    EXPECT_EQ(noPalette.status, 1);
    EXPECT_NE(noPalette.err.find("no palette"), std::string::npos) << noPalette.err;
    EXPECT_FALSE(std::filesystem::exists(w.dir.file("lonely/x.bin")));
    EXPECT_EQ(runToolIn(lonely, "import tri.obj -o x.bin --palette ../palette.dmp").status, 0);
    // An empty palette or a folder would map every colour to black: refused, as render refuses it.
    ASSERT_TRUE(w.dir.write("lonely/palette.dmp", {}));
    const CommandRun emptyPalette = runToolIn(lonely, "import tri.obj -o y.bin");
    EXPECT_EQ(emptyPalette.status, 1);
    EXPECT_NE(emptyPalette.err.find("empty palette"), std::string::npos) << emptyPalette.err;
    EXPECT_EQ(runToolIn(lonely, "import tri.obj -o y.bin --palette ..").status, 1);
    EXPECT_FALSE(std::filesystem::exists(w.dir.file("lonely/y.bin")));

    // The command line.
    EXPECT_EQ(w.run("import --help").status, 0);
    EXPECT_EQ(w.run("import tri.obj").status, 2);
    EXPECT_EQ(w.run("import tri.obj -o x.bin --scale -1").status, 2);
    EXPECT_EQ(w.run("import tri.bin -o x.bin").status, 2);
    EXPECT_EQ(w.run("import tri.obj -o tri.obj").status, 2);
    EXPECT_EQ(w.dir.read("tri.obj"), Bytes(triangleObj.begin(), triangleObj.end()));
}

TEST(ImportCommand, ExportedDemoEntriesComeBackAsTheyWere)
{
    const Workshop w;
    for (size_t i = 0; i < demoBodies().size(); ++i) {
        const std::string n = std::to_string(i);
        ASSERT_EQ(w.run("export body.ZRK " + n + " -o " + n + ".glb").status, 0);
        const CommandRun imported = w.run("import " + n + ".glb -o " + n + ".bin");
        ASSERT_EQ(imported.status, 0) << imported.err;
        EXPECT_EQ(imported.err, "") << "nothing baked or dropped";
        ASSERT_EQ(w.run("pack new" + n + ".ZRK " + n + ".bin").status, 0);
        const CommandRun a = w.run("dump body.ZRK " + n + " --frames 3 --auto-rotate");
        const CommandRun b = w.run("dump new" + n + ".ZRK 0 --frames 3 --auto-rotate");
        EXPECT_EQ(a.status, 0);
        EXPECT_EQ(b.out, a.out) << "entry " << i;
    }
}

TEST(ImportCommand, AnotherToolsGltfShowsInTheViewer)
{
    // Assimp's glTF of a cube, packed on the way and drawn by the viewer's own drawing code.
    const Workshop w;
    const std::string cube = "v -0.3 -0.3 -0.3\nv 0.3 -0.3 -0.3\nv 0.3 0.3 -0.3\nv -0.3 0.3 -0.3\n"
                             "v -0.3 -0.3 0.3\nv 0.3 -0.3 0.3\nv 0.3 0.3 0.3\nv -0.3 0.3 0.3\n"
                             "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 3 4 8 7\nf 2 3 7 6\nf 1 5 8 4\n";
    ASSERT_TRUE(w.dir.write("cube.obj", Bytes(cube.begin(), cube.end())));
    ASSERT_EQ(runCommand("cd '" + w.dir.path() + "' && assimp export cube.obj cube.glb").status, 0);
    const CommandRun pack = w.run("pack shown.ZRK cube.glb");
    ASSERT_EQ(pack.status, 0) << pack.err;
    const CommandRun render = w.run("render shown.ZRK 0 -o shown.png --size 200x150");
    ASSERT_EQ(render.status, 0) << render.err;
    RgbImage image;
    ASSERT_FALSE(loadPng(w.dir.file("shown.png"), &image));
    EXPECT_GT(litPixels(image, 0), 200) << "the cube, about 20 pixels across at the default zoom";
}

TEST(PackCommand, ImportsModelsOnTheWay)
{
    const Workshop w;
    ASSERT_EQ(w.run("import tri.obj -o tri.bin").status, 0);
    const CommandRun pack = w.run("pack both.ZRK tri.obj tri.bin");
    EXPECT_EQ(pack.status, 0) << pack.err;
    EXPECT_EQ(w.run("extract both.ZRK 0 a.bin").status, 0);
    EXPECT_EQ(w.dir.read("a.bin"), w.dir.read("tri.bin"));
    EXPECT_EQ(w.run("pack body.ZRK tri.obj body.ZRK").status, 2) << "an output that is also an input";
    EXPECT_EQ(w.dir.read("body.ZRK"), demoArchive());
}

TEST(ReplaceCommand, ReplacesOrAppendsOneEntryAndCopiesTheOthers)
{
    const Workshop w;
    ASSERT_EQ(w.run("import tri.obj -o tri.bin").status, 0);
    const std::vector<Bytes> before = storedEntries(w.dir.read("body.ZRK"));
    ASSERT_EQ(before.size(), demoBodies().size());

    const CommandRun replaced = w.run("replace body.ZRK 3 tri.bin");
    ASSERT_EQ(replaced.status, 0) << replaced.err;
    std::vector<Bytes> after = storedEntries(w.dir.read("body.ZRK"));
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) {
        if (i != 3) {
            EXPECT_EQ(after[i], before[i]) << "entry " << i;
        }
    }
    EXPECT_EQ(w.run("extract body.ZRK 3 three.bin").status, 0);
    EXPECT_EQ(w.dir.read("three.bin"), w.dir.read("tri.bin"));
    EXPECT_EQ(w.run("dump body.ZRK 3 --frames 2 --auto-rotate").out, [&] {
        EXPECT_EQ(w.run("pack only.ZRK tri.bin").status, 0);
        return w.run("dump only.ZRK 0 --frames 2 --auto-rotate").out;
    }());

    // Appending at the entry count; a model is imported on the way.
    const CommandRun appended = w.run("replace body.ZRK " + std::to_string(before.size()) + " tri.obj --stored");
    ASSERT_EQ(appended.status, 0) << appended.err;
    after = storedEntries(w.dir.read("body.ZRK"));
    ASSERT_EQ(after.size(), before.size() + 1);
    EXPECT_EQ(readI16(&after.back()[8]), entryModeStored);
    EXPECT_EQ(w.run("extract body.ZRK " + std::to_string(before.size()) + " last.bin").status, 0);
    EXPECT_EQ(w.dir.read("last.bin"), w.dir.read("tri.bin"));

    // Past the end, a damaged archive, the archive as its own input: refused, archive untouched.
    const Bytes kept = w.dir.read("body.ZRK");
    const CommandRun past = w.run("replace body.ZRK " + std::to_string(before.size() + 2) + " tri.bin");
    EXPECT_EQ(past.status, 1);
    EXPECT_NE(past.err.find("past the end"), std::string::npos) << past.err;
    EXPECT_EQ(w.run("replace body.ZRK 0 body.ZRK").status, 2);
    EXPECT_EQ(w.run("replace body.ZRK x tri.bin").status, 2);
    ASSERT_TRUE(w.dir.write("broken.ZRK", Bytes{0xff, 0xff, 0, 0, 1, 2}));
    EXPECT_EQ(w.run("replace broken.ZRK 0 tri.bin").status, 1);
    EXPECT_EQ(w.dir.read("body.ZRK"), kept);
}

TEST(ReplaceCommand, EntriesThatShareBytesKeepTheirsWhole)
{
    // Entry 1's header and data lie inside entry 0's stored data; entry 2 follows a gap.
    const Workshop w;
    Bytes inner(10);
    writeU32(&inner[0], 3);
    writeU32(&inner[4], 3);
    inner.insert(inner.end(), {7, 8, 9});
    Bytes archive(12);
    writeU32(&archive[0], 12);
    writeU32(&archive[4], 12 + 10);
    Bytes outer(10);
    writeU32(&outer[0], static_cast<uint32_t>(inner.size() + 2));
    outer.insert(outer.end(), inner.begin(), inner.end());
    outer.insert(outer.end(), {5, 6});
    archive.insert(archive.end(), outer.begin(), outer.end());
    archive.insert(archive.end(), {0xEE, 0xEE});  // a gap no entry claims
    writeU32(&archive[8], static_cast<uint32_t>(archive.size()));
    archive.insert(archive.end(), {1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 42});
    ASSERT_TRUE(w.dir.write("shared.ZRK", archive));
    std::vector<std::string> before;
    for (int i = 0; i < 3; ++i) before.push_back(w.run("extract shared.ZRK " + std::to_string(i) + " -").out);

    ASSERT_EQ(w.run("replace shared.ZRK 2 tri.obj").status, 0);
    EXPECT_EQ(w.run("extract shared.ZRK 0 -").out, before[0]);
    EXPECT_EQ(w.run("extract shared.ZRK 1 -").out, before[1]);
}

TEST(ReplaceCommand, AFailedWriteLeavesTheArchiveAsItWas)
{
    const Workshop w;
    ASSERT_EQ(w.run("import tri.obj -o tri.bin").status, 0);
    const std::vector<std::string> files = w.files();
    const Bytes archive = w.dir.read("body.ZRK");
    // A file-size limit of 1 KiB blocks: the new archive cannot be written in full.
    const CommandRun limited =
        runCommand("cd '" + w.dir.path() + "' && ulimit -f 1 && '" ORVANE_TOOL_PATH "' replace body.ZRK 0 tri.bin");
    EXPECT_EQ(limited.status, 1);
    EXPECT_NE(limited.err.find("cannot write body.ZRK"), std::string::npos) << limited.err;
    EXPECT_EQ(w.dir.read("body.ZRK"), archive);
    EXPECT_EQ(w.files(), files) << "no temporary file is left behind";
}

}  // namespace
