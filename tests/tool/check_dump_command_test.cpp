// check_dump_command_test.cpp: 'orvane check' and 'orvane dump' run as processes on archives built here.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "body/body.h"
#include "tests/support/run_command.h"
#include "tests/support/scratch_dir.h"
#include "body/body_builder.h"

namespace {

// Writes an archive of `entries` into a folder that goes with the test; returns its path.
std::string writeArchive(const TempDir& folder, const std::vector<std::vector<uint8_t>>& entries)
{
    EXPECT_TRUE(folder.write("test.ZRK", archiveOf(entries)));
    return folder.file("test.ZRK");
}

BodyBuilder triangle()
{
    BodyBuilder b;
    b.addPoint(100, 0, 0);
    b.addPoint(0, 100, 0);
    b.addPoint(0, 0, 100);
    b.addBone(0, 3, 0, -1);
    b.addNormal(0, 0, 100, 400);
    b.addVertexShadedPolygon(9, 32, {{0, 0}, {0, 1}, {0, 2}});
    b.addPolygon(1, 6, {2, 1, 0});
    b.addLine(5, 0, 1);
    b.addSphere(7, -3, 2);
    return b;
}

}  // namespace

TEST(BodyCommands, DumpPrintsOneJsonObjectPerFrameAndEndsLikeTheViewer)
{
    const TempDir folder;
    BodyBuilder fatal = triangle();
    fatal.addRawLine(0, 0, 8);
    const std::string archive = writeArchive(folder, {triangle().build(), fatal.build()});
    const CommandRun run = runTool("dump " + archive + " 0 --frames 2 --auto-rotate");
    EXPECT_EQ(run.status, 0);
    const std::string render = "\"render\":[{\"kind\":\"polygon\",\"drawType\":7,\"colour\":32,\"points\":[0,1,2],"
                               "\"vertexColours\":[41,41,41]},"
                               "{\"kind\":\"polygon\",\"drawType\":255,\"colour\":6,\"points\":[2,1,0]},"
                               "{\"kind\":\"line\",\"colour\":5,\"points\":[0,1]},{\"kind\":\"sphere\",\"colour\":7,"
                               "\"radius\":-3,\"centre\":2}]}\n";
    EXPECT_EQ(run.out,
              "{\"frame\":1,\"autoAngle\":2,\"points\":[[99,0,-2],[0,100,0],[1,0,99]],\"shades\":[9]," + render +
                  "{\"frame\":2,\"autoAngle\":4,\"points\":[[99,0,-3],[0,100,0],[2,0,99]],\"shades\":[9]," + render);

    const CommandRun still = runTool("dump " + archive + " 0");
    EXPECT_EQ(still.status, 0);
    EXPECT_EQ(
        still.out.rfind("{\"frame\":1,\"autoAngle\":0,\"points\":[[100,0,0],[0,100,0],[0,0,100]],\"shades\":[10],", 0),
        0u);

    // A fatal condition ends the dump as it ends the viewer: its message alone, status 1.
    const CommandRun stopped = runTool("dump " + archive + " 1 --frames 3");
    EXPECT_EQ(stopped.status, 1);
    EXPECT_EQ(stopped.out, "lineDataPtr reference is malformed !\n");

    EXPECT_EQ(runTool("dump " + archive + " 2").status, 1);  // no such entry
    EXPECT_EQ(runTool("dump " + archive + " 0 --frames x").status, 2);
    EXPECT_EQ(runTool("dump " + archive).status, 2);
}

TEST(BodyCommands, CheckReportsEveryEntry)
{
    BodyBuilder refused = triangle();
    refused.boneCountOverride = 0;
    BodyBuilder fatal = triangle();
    fatal.addBone(0, 0, 0, 0, 0, 0, boneTypeUnsupported);
    const std::vector<uint8_t> good = triangle().build();
    const TempDir folder, cleanFolder;
    const std::string archive = writeArchive(folder, {good, refused.build(), fatal.build(), {1, 2}});
    const CommandRun run = runTool("check " + archive);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out,
              archive + ": entry 0: ok\n" + archive + ": entry 1: bone count 0: a body needs at least its root bone\n" +
                  archive + ": entry 2: the viewer stops at its first frame: \"renderM1\"\n" + archive +
                  ": entry 3: point count past the end of the body\n" + archive + ": 4 entries, 3 with problems\n");
    EXPECT_EQ(runTool("check " + writeArchive(cleanFolder, {good, good})).status, 0);
    EXPECT_EQ(runTool("check " + archive + ".missing").status, 1);
}
