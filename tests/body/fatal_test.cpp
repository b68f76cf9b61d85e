// fatal_test.cpp: the fatal body-format conditions end the process with their message on
// standard output and status 1, at the moment the frame meets them.
#include <unistd.h>

#include "body_test_support.h"

namespace {

// Runs frames in a death-test child with the default handler, standard output sent to the
// standard error stream that the death test reads.
void runFrames(const std::vector<uint8_t>& body)
{
    dup2(STDERR_FILENO, STDOUT_FILENO);
    for (int i = 0; i < 3; ++i) {
        angleY = 2 * i;
        runBodyStage(body.data());
    }
    std::printf("no fatal condition\n");
    std::exit(0);
}

BodyBuilder withChild(uint16_t type = boneTypeRotation)
{
    BodyBuilder b;
    b.addPoint(0, 0, 0);
    b.addPoint(6, 0, 0);
    b.addBone(0, 2, 0, -1);
    b.addBone(1, 1, 0, 0, 0, 0, type);
    return b;
}

}  // namespace

using BodyPipelineDeathTest = BodyPipeline;

TEST_F(BodyPipelineDeathTest, EachFatalConditionEndsTheProcess)
{
    const auto status1 = ::testing::ExitedWithCode(1);
    BodyBuilder b = withChild();
    b.bones[0].firstPoint = 3;
    EXPECT_EXIT(runFrames(prepared(b)), status1, "^Error: rs1V1\n$");
    b = withChild();
    b.bones[1].firstPoint = -4;  // checked before the bone's angle Z
    b.bones[1].angleZ = 5;
    EXPECT_EXIT(runFrames(prepared(b)), status1, "^Error: rs1V1\n$");
    b = withChild();
    b.bones[1].angleZ = 1024;  // a whole turn is as fatal as any other
    EXPECT_EXIT(runFrames(prepared(b)), status1, "^renderS1S1 -> unhandled maintTab\\[14\\] rotation\n$");
    EXPECT_EXIT(runFrames(prepared(withChild(boneTypeUnsupported))), status1, "^renderM1\n$");
    b = withChild();
    b.addRawLine(1 << 8, 6, 14);  // the first end is fine, the second is not
    EXPECT_EXIT(runFrames(prepared(b)), status1, "^lineDataPtr reference is malformed !\n$");

    // Neither a skipped bone's angle Z nor the root's type plays a part.
    b = withChild(2);
    b.bones[1].angleZ = 7;
    b.bones[0].type = boneTypeUnsupported;
    EXPECT_EXIT(runFrames(prepared(b)), ::testing::ExitedWithCode(0), "^no fatal condition\n$");
}

TEST_F(BodyPipeline, FatalConditionStopsTheFrameWhereItIsMet)
{
    BodyBuilder b = withChild(boneTypeUnsupported);
    b.addPoint(1, 2, 3);
    b.addBone(2, 1, 0, 0);
    transformedPoints[2] = {9, 9, 9};
    EXPECT_EQ(frame(prepared(b)), fatalBoneTypeMessage);
    expectPoint(2, 9, 9, 9);  // bone 2 was never reached
}
