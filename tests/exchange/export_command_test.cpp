// export_command_test.cpp: 'orvane export' as a process: batch export past refused entries,
// nothing half-written after a failed write, inputs never overwritten, the command line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/exchange/export_test_support.h"
#include "testkit/full_room_body.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> goodBody()
{
    BodyBuilder b;
    b.addPoint(0, 0, 0);
    b.addPoint(100, 0, 0);
    b.addPoint(0, 100, 0);
    b.addBone(0, 3, 0, -1);
    b.addPolygon(5, 17, {0, 1, 2});
    b.addLine(40, 0, 2);
    return b.build();
}

}  // namespace

TEST(ExportCommand, AllGoesPastRefusedEntriesAndSaysWhy)
{
    BodyBuilder fatal;
    fatal.addPoint(0, 0, 0);
    fatal.addBone(0, 1, 0, -1);
    fatal.addBone(0, 1, 0, 0);
    fatal.bones[1].angleZ = 5;  // the viewer stops on it
    std::vector<uint8_t> truncated = goodBody();
    truncated.resize(30);
    TestArchive a({goodBody(), fatal.build(), goodBody(), truncated});
    const std::string dir = a.folder.file("out/gltf");
    const CommandRun run = runTool("export '" + a.archive + "' --all -o '" + dir + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("body.ZRK: entry 1: the viewer stops at its first frame: \"renderS1S1 -> unhandled "
                           "maintTab[14] rotation\"\n"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("body.ZRK: entry 3: "), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 2) << run.err;
    EXPECT_EQ(fileNames(dir), (std::vector<std::string>{"0.glb", "2.glb"}));  // no temporary left
    ReadBack back;
    EXPECT_TRUE(readBack(dir + "/2.glb", &back));
    EXPECT_EQ(back.model.scenes[0].name, "body.ZRK#2");
    EXPECT_EQ(back.model.asset.generator.rfind("Orvane ", 0), 0u);

    // A single refused entry: status 1, no file.
    const CommandRun one = runTool("export '" + a.archive + "' 1 -o '" + a.folder.file("one.glb") + "'");
    EXPECT_EQ(one.status, 1);
    EXPECT_FALSE(fs::exists(a.folder.file("one.glb")));
}

TEST(ExportCommand, AnArchiveNameThatIsNotUtf8StillNamesTheScene)
{
    // A file name may hold any bytes; JSON holds UTF-8 only, and a quote must be escaped.
    TestArchive a({goodBody()});
    const std::string odd = a.folder.file("b\xff\"x.ZRK");
    fs::copy_file(a.archive, odd);
    for (const char* ext : {"glb", "gltf"}) {
        const std::string out = a.folder.file(std::string("odd.") + ext);
        const CommandRun run = runTool("export '" + odd + "' 0 -o '" + out + "' --palette '" + a.palette + "'");
        ASSERT_EQ(run.status, 0) << run.err;
        ReadBack back;
        ASSERT_TRUE(readBack(out, &back));
        EXPECT_EQ(back.model.scenes[0].name, "b\xef\xbf\xbd\"x.ZRK#0") << ext;  // U+FFFD for the stray byte
        EXPECT_EQ(back.extras["archive"], "b\xef\xbf\xbd\"x.ZRK") << ext;
    }
}

TEST(ExportCommand, AFailedWriteLeavesTheOldFileAndNoTemporary)
{
    TestArchive a({fullRoomBody(3)});
    const std::string dir = a.folder.file("out");
    fs::create_directories(dir);
    const std::string target = dir + "/big.glb";
    std::ofstream(target) << "the user's file";
    for (const char* ext : {"glb", "gltf", "obj"}) {
        const std::string out = dir + "/big." + ext;
        // 64 KiB of file size at most: the write fails part-way (the signal ignored, so write reports it).
        const CommandRun run = runCommand("trap '' XFSZ; ulimit -f 64; '" + std::string(ORVANE_TOOL_PATH) +
                                          "' export '" + a.archive + "' 0 -o '" + out + "'");
        EXPECT_EQ(run.status, 1) << ext;
        EXPECT_NE(run.err.find("File too large"), std::string::npos) << run.err;
    }
    EXPECT_EQ(readText(target), "the user's file");
    EXPECT_EQ(fileNames(dir), (std::vector<std::string>{"big.glb"}));
}

TEST(ExportCommand, RefusesToWriteOverItsInputs)
{
    TestArchive a({goodBody()});
    const std::string archiveBytes = readText(a.archive);
    EXPECT_EQ(runTool("export '" + a.archive + "' 0 -o '" + a.archive + "' --format glb").status, 2);
    EXPECT_EQ(runTool("export '" + a.archive + "' 0 -o '" + a.palette + "' --format gltf").status, 2);
    // OBJ: the model itself would land on the palette.
    EXPECT_EQ(runTool("export '" + a.archive + "' 0 -o '" + a.folder.file("palette.dmp") + "' --format obj").status, 2);
    EXPECT_EQ(readText(a.archive), archiveBytes);
    EXPECT_EQ(readText(a.palette).size(), 768u);
}

TEST(ExportCommand, CommandLineFollowsTheToolsConventions)
{
    TestArchive a({goodBody()});
    const std::string arch = "'" + a.archive + "'";
    EXPECT_EQ(runTool("export --help").status, 0);
    for (const std::string& bad : std::vector<std::string>{
             "export", "export " + arch, "export " + arch + " 0", "export " + arch + " 0 -o x.png",
             "export " + arch + " 0 -o x.glb --look shiny", "export " + arch + " 0 -o - --format obj",
             "export " + arch + " --all", "export " + arch + " 0 --all -o d", "export " + arch + " 0 -o x.glb --bogus",
             "export " + arch + " 0 -o x.glb --auto-angle 1.5"}) {
        const CommandRun run = runTool(bad);
        EXPECT_EQ(run.status, 2) << bad;
        EXPECT_NE(run.err.find("usage: orvane export"), std::string::npos) << bad;
    }
    EXPECT_EQ(runTool("export " + arch + " 0 -o x.glb --palette '" + a.folder.file("none.dmp") + "'").status, 1);

    // '-' is standard output.
    const CommandRun out = runTool("export " + arch + " 0 -o -");
    ASSERT_EQ(out.status, 0) << out.err;
    EXPECT_EQ(out.out.substr(0, 4), "glTF");

    // OBJ + MTL: a material per palette colour used, the translucent one with its alpha, lines as
    // 'l' in an object of their own after the faces, Kd in linear light.
    ASSERT_EQ(runTool("export " + arch + " 0 -o '" + a.folder.file("tri.obj") + "'").status, 0);
    const std::string obj = readText(a.folder.file("tri.obj"));
    const std::string mtl = readText(a.folder.file("tri.mtl"));
    EXPECT_NE(obj.find("mtllib tri.mtl\n"), std::string::npos);
    EXPECT_NE(obj.find("usemtl colour_17_translucent\nf 1 2 3\n"), std::string::npos) << obj;
    EXPECT_NE(obj.find("f 1 2 3\no body.ZRK#0 lines\nusemtl colour_40\nl 1 3\n"), std::string::npos) << obj;
    // The test palette's colour 17 is (17, 238, 8).
    EXPECT_NE(mtl.find("newmtl colour_17_translucent\nKd 0.005605 0.854993 0.002428\nd 0.313725\n"), std::string::npos)
        << mtl;
}
