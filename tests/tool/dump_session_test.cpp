// dump_session_test.cpp: 'orvane dump --session' carries the pipeline's state from entry to entry
// as the viewer does when the user pages through the archive.
#include <gtest/gtest.h>

#include <array>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "body/body_builder.h"
#include "tests/support/run_command.h"
#include "tests/support/scratch_dir.h"

namespace {

using Points = std::vector<std::array<int, 3>>;

// The "points" of one frame's JSON line.
Points pointsOf(const std::string& line) { return nlohmann::json::parse(line)["points"].get<Points>(); }

// What follows "autoAngle" in a frame line: the pipeline's results without the counters.
std::string resultsOf(const std::string& line) { return line.substr(line.find("\"points\"")); }

// Two points on one root bone, turned by a child whose angle X is left in the register.
std::vector<uint8_t> leaver()
{
    BodyBuilder b;
    b.addPoint(300, 40, 0);
    b.addPoint(0, 200, 100);
    b.addPoint(50, 50, 50);
    b.addBone(0, 2, 0, -1);
    b.addNormal(0, 100, 100, 300);  // the only shade this archive's bodies write
    b.addBone(2, 1, 0, 0, 100, 0);  // angle X 100 is what the last rotation bone leaves
    return b.build();
}

// Point 1 on a skipped bone, a polygon shaded by normal 0 while the body has no normals of its
// own, and a root that turns with whatever angle X the registers hold.
std::vector<uint8_t> borrower()
{
    BodyBuilder b;
    b.addPoint(0, 100, 0);
    b.addPoint(7, 7, 7);
    b.addPoint(0, 0, 100);
    b.addBone(0, 1, 0, -1);
    b.addBone(1, 1, 0, 0, 0, 0, 2);  // skipped: its point keeps what the table held
    b.addBone(2, 1, 0, 0);
    b.addShadedPolygon(7, 16, 0, {0, 1, 2});
    return b.build();
}

class DumpSession : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.write("a.ZRK", archiveOf({leaver(), borrower()}))); }

    CommandRun dump(const std::string& arguments) { return runToolIn(folder.path(), "dump a.ZRK " + arguments); }

    TempDir folder;
};

TEST_F(DumpSession, TheNextEntryReadsWhatThePreviousOneLeft)
{
    const CommandRun fresh = dump("1");
    const CommandRun session = dump("--session 0:2,1");
    ASSERT_EQ(fresh.status, 0) << fresh.err;
    ASSERT_EQ(session.status, 0) << session.err;
    const std::vector<std::string> lines = linesOf(session.out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("{\"entry\":0,\"frame\":1,", 0), 0u) << lines[0];
    EXPECT_EQ(lines[2].rfind("{\"entry\":1,\"frame\":3,", 0), 0u) << lines[2];

    const Points before = pointsOf(lines[1]), after = pointsOf(lines[2]), alone = pointsOf(fresh.out);
    ASSERT_EQ(before.size(), 3u);
    ASSERT_EQ(after.size(), 3u);
    ASSERT_EQ(alone.size(), 3u);
    // The skipped bone's point is the previous entry's transformed point 1.
    EXPECT_EQ(after[1], before[1]);
    EXPECT_EQ(alone[1], (std::array<int, 3>{0, 0, 0}));
    // Angle X 100 from the previous entry turns this root: (0, 100, 0) no longer stays put.
    EXPECT_EQ(alone[0], (std::array<int, 3>{0, 100, 0}));
    EXPECT_NE(after[0], alone[0]);
    EXPECT_EQ(after[0][0], 0);
    // Normal 0 reads the shade the previous entry wrote; a fresh process has 0 there.
    EXPECT_NE(fresh.out.find("\"shades\":[],\"render\":[{\"kind\":\"polygon\",\"drawType\":0,\"colour\":16,"),
              std::string::npos)
        << fresh.out;
    EXPECT_EQ(lines[2].find("\"colour\":16,"), std::string::npos) << lines[2];
}

TEST_F(DumpSession, AnEntryThatCannotBeShownLeavesTheStateAsItWas)
{
    const CommandRun direct = dump("--session 0,1");
    const CommandRun through = dump("--session 0,99:3,1");
    EXPECT_EQ(direct.status, 0);
    EXPECT_EQ(through.status, 1) << "a step was refused";
    EXPECT_NE(through.err.find("a.ZRK: entry 99: no such entry"), std::string::npos) << through.err;
    const std::vector<std::string> a = linesOf(direct.out), b = linesOf(through.out);
    ASSERT_EQ(a.size(), 2u);
    ASSERT_EQ(b.size(), 2u) << "the refused step prints no frames";
    EXPECT_EQ(b[1].rfind("{\"entry\":1,\"frame\":5,", 0), 0u) << "its frames still count";
    EXPECT_EQ(resultsOf(a[1]), resultsOf(b[1]));
}

TEST_F(DumpSession, AutoRotationKeepsCountingAcrossStepsAndBadStepsAreRefused)
{
    const CommandRun run = dump("--session 0:2,1:2 --auto-rotate");
    const std::vector<std::string> lines = linesOf(run.out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_NE(lines[3].find("\"frame\":4,\"autoAngle\":8,"), std::string::npos) << lines[3];
    for (const char* bad :
         {"--session", "--session x", "--session 1:", "--session 1,,2", "--session 40000", "--session 0 --frames 2"}) {
        EXPECT_EQ(dump(bad).status, 2) << bad;
    }
}

}  // namespace
