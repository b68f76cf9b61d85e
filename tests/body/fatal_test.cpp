// fatal_test.cpp: the fatal body-format conditions end the process with their message on
// standard output and status 1, at the moment the frame meets them.
#include <unistd.h>

#include "body_test_support.h"

namespace {

// Runs frames of `body` in a death-test child with the default handler, its standard output
// sent to the standard error stream that the death test reads.
void runFramesToDeath(const std::vector<uint8_t>& body)
{
    setBodyFatalHandler(nullptr);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    for (int i = 0; i < 3; ++i) {
        angleY = 2 * i;
        runBodyStage(body.data());
    }
    std::printf("no fatal condition\n");
    std::exit(0);
}

BodyBuilder rootOnly()
{
    BodyBuilder b;
    b.addPoint(0, 0, 0);
    b.addPoint(6, 0, 0);
    b.addBone(0, 2, 0, -1);
    return b;
}

}  // namespace

using BodyPipelineDeathTest = BodyPipeline;

TEST_F(BodyPipelineDeathTest, FirstPointNotAMultipleOfSix)
{
    BodyBuilder b = rootOnly();
    b.bones[0].firstPoint = 3;
    const std::vector<uint8_t> body = prepared(b);
    EXPECT_EXIT(runFramesToDeath(body), ::testing::ExitedWithCode(1), "^Error: rs1V1\n$");

    // On a child bone too, and before its angle Z is looked at.
    BodyBuilder child = rootOnly();
    child.addBone(1, 1, 0, 0);
    child.bones[1].firstPoint = -4;
    child.bones[1].angleZ = 5;
    EXPECT_EXIT(runFramesToDeath(prepared(child)), ::testing::ExitedWithCode(1), "^Error: rs1V1\n$");
}

TEST_F(BodyPipelineDeathTest, NonZeroAngleZ)
{
    BodyBuilder b = rootOnly();
    b.addBone(1, 1, 0, 0);
    b.bones[1].angleZ = 1024;  // a whole turn is as fatal as any other
    const std::vector<uint8_t> body = prepared(b);
    EXPECT_EXIT(runFramesToDeath(body), ::testing::ExitedWithCode(1),
                "^renderS1S1 -> unhandled maintTab\\[14\\] rotation\n$");

    // A skipped bone's angle Z plays no part.
    BodyBuilder skipped = rootOnly();
    skipped.addBone(1, 1, 0, 0, 0, 0, 2);
    skipped.bones[1].angleZ = 7;
    EXPECT_EXIT(runFramesToDeath(prepared(skipped)), ::testing::ExitedWithCode(0), "no fatal condition");
}

TEST_F(BodyPipelineDeathTest, BoneTypeOneAmongTheChildren)
{
    BodyBuilder b = rootOnly();
    b.addBone(1, 1, 0, 0, 0, 0, boneTypeUnsupported);
    EXPECT_EXIT(runFramesToDeath(prepared(b)), ::testing::ExitedWithCode(1), "^renderM1\n$");

    // The root's type is never read.
    BodyBuilder root = rootOnly();
    root.bones[0].type = boneTypeUnsupported;
    EXPECT_EXIT(runFramesToDeath(prepared(root)), ::testing::ExitedWithCode(0), "no fatal condition");
}

TEST_F(BodyPipelineDeathTest, MalformedLineEnd)
{
    BodyBuilder b = rootOnly();
    b.addLine(1, 0, 1);
    b.addRawLine(1 << 8, 6, 14);  // the first end is fine, the second is not
    EXPECT_EXIT(runFramesToDeath(prepared(b)), ::testing::ExitedWithCode(1),
                "^lineDataPtr reference is malformed !\n$");
}

TEST_F(BodyPipeline, FatalConditionStopsTheFrameWhereItIsMet)
{
    // Bone 1 dies: bone 2's points are not placed.
    BodyBuilder b = rootOnly();
    b.addPoint(1, 2, 3);
    b.addBone(0, 0, 0, 0, 0, 0, boneTypeUnsupported);
    b.addBone(2, 1, 0, 0);
    transformedPoints[2] = {9, 9, 9};
    EXPECT_EQ(fatalOf(prepared(b)), fatalBoneTypeMessage);
    expectPoint(2, 9, 9, 9);
}
