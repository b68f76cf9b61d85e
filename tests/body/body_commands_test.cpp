// body_commands_test.cpp: 'orvane check' and 'orvane dump' run as processes on archives built here.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "body/body.h"
#include "tool/archive_writer.h"
#include "tool/body_builder.h"

namespace {

struct ToolRun {
    int status;
    std::string out;
};

ToolRun runTool(const std::string& arguments)
{
    const std::string command = std::string(ORVANE_TOOL) + " " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    ToolRun run{-1, ""};
    if (pipe == nullptr) return run;
    char chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) run.out.append(chunk, got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string writeArchive(const std::string& name, const std::vector<std::vector<uint8_t>>& entries)
{
    const std::filesystem::path path = std::filesystem::temp_directory_path() / name;
    const std::vector<uint8_t> bytes = buildArchive(entries);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    return path.string();
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

TEST(BodyCommands, DumpPrintsOneJsonObjectPerFrame)
{
    const std::string archive = writeArchive("orvane_dump_test.ZRK", {triangle().build()});
    const ToolRun run = runTool("dump " + archive + " 0 --frames 2 --auto-rotate");
    EXPECT_EQ(run.status, 0);
    const std::string render =
        "\"render\":[{\"kind\":\"polygon\",\"drawType\":7,\"colour\":32,\"points\":[0,1,2],\"vertexColours\":[41,41,41]},"
        "{\"kind\":\"polygon\",\"drawType\":255,\"colour\":6,\"points\":[2,1,0]},"
        "{\"kind\":\"line\",\"colour\":5,\"points\":[0,1]},{\"kind\":\"sphere\",\"colour\":7,\"radius\":-3,\"centre\":2}]}\n";
    EXPECT_EQ(run.out,
              "{\"frame\":1,\"autoAngle\":2,\"points\":[[99,0,-2],[0,100,0],[1,0,99]],\"shades\":[9]," + render +
                  "{\"frame\":2,\"autoAngle\":4,\"points\":[[99,0,-3],[0,100,0],[2,0,99]],\"shades\":[9]," + render);

    const ToolRun still = runTool("dump " + archive + " 0");
    EXPECT_EQ(still.status, 0);
    EXPECT_EQ(still.out.rfind("{\"frame\":1,\"autoAngle\":0,\"points\":[[100,0,0],[0,100,0],[0,0,100]],\"shades\":[10],", 0), 0u);

    EXPECT_EQ(runTool("dump " + archive + " 1").status, 1);  // no such entry
    EXPECT_EQ(runTool("dump " + archive + " 0 --frames x").status, 2);
    EXPECT_EQ(runTool("dump " + archive).status, 2);
    std::filesystem::remove(archive);
}

TEST(BodyCommands, DumpEndsLikeTheViewerOnAFatalCondition)
{
    BodyBuilder b = triangle();
    b.addRawLine(0, 0, 8);
    const std::string archive = writeArchive("orvane_dump_fatal_test.ZRK", {b.build()});
    const ToolRun run = runTool("dump " + archive + " 0 --frames 3");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "lineDataPtr reference is malformed !\n");
    std::filesystem::remove(archive);
}

TEST(BodyCommands, CheckReportsEveryEntry)
{
    BodyBuilder refused = triangle();
    refused.boneCountOverride = 0;
    BodyBuilder fatal = triangle();
    fatal.addBone(0, 0, 0, 0, 0, 0, boneTypeUnsupported);
    const std::vector<uint8_t> good = triangle().build();
    const std::string archive = writeArchive("orvane_check_test.ZRK", {good, refused.build(), fatal.build(), {1, 2}});
    const ToolRun run = runTool("check " + archive);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, archive + ": entry 0: ok\n" +
                           archive + ": entry 1: bone count 0: a body needs at least its root bone\n" +
                           archive + ": entry 2: stops the viewer at its first frame with \"renderM1\"\n" +
                           archive + ": entry 3: point count past the end of the body\n" +
                           archive + ": 4 entries, 3 with problems\n");

    const std::string clean = writeArchive("orvane_check_clean_test.ZRK", {good, good});
    EXPECT_EQ(runTool("check " + clean).status, 0);
    EXPECT_EQ(runTool("check " + archive + ".missing").status, 1);
    std::filesystem::remove(archive);
    std::filesystem::remove(clean);
}
