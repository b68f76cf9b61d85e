// pose_test.cpp: posing tells each processed bone's registers, origin and matrix as the frame
// made them, leaves the tables as two plain frames do, and reports a fatal body in one wording.
#include <cstring>

#include "body/body_loading.h"
#include "body/pose.h"
#include "body_test_support.h"

TEST_F(BodyPipeline, PosingTellsEachProcessedBoneAndLeavesTheFrame)
{
    BodyBuilder b;
    for (int16_t i = 0; i < 5; ++i) b.addPoint(static_cast<int16_t>(10 * i), 5, static_cast<int16_t>(i - 2));
    b.addBone(0, 2, 0, -1);
    b.addBone(2, 1, 1, 0, 40, 256);
    b.addBone(3, 1, 2, 1, 0, 0, 2);  // skipped: not heard of
    b.addBone(4, 1, 2, 1, 300, 7);   // its base point was placed by bone 1 in this frame
    b.addNormal(0, 0, 100, 400);
    b.addPolygon(0, 3, {0, 1, 4});
    const std::vector<uint8_t> body = prepared(b);

    frame(body, 33);
    frame(body, 33);
    std::vector<Point16> plain(transformedPoints, transformedPoints + 5);
    const std::vector<uint8_t> plainElements(elementBuffer, elementBuffer + 32);

    std::vector<BonePose> heard;
    std::vector<Matrix> matrices;
    ASSERT_FALSE(posePreparedBody(body.data(), 33, [&](const BonePose& bone) {
        heard.push_back(bone);
        matrices.push_back(*bone.matrix);
    }));
    ASSERT_EQ(heard.size(), 3u);
    const int32_t indices[3] = {0, 1, 3}, angleXs[3] = {300, 40, 300}, angleYs[3] = {33, 256, 7};
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(heard[k].index, indices[k]);
        EXPECT_EQ(heard[k].angleX, angleXs[k]) << "bone " << indices[k];  // the root: the last rotation bone's X
        EXPECT_EQ(heard[k].angleY, angleYs[k]) << "bone " << indices[k];
        EXPECT_EQ(heard[k].matrix, &matrixTable[indices[k]]);
        EXPECT_EQ(std::memcmp(&matrices[k], heard[k].matrix, sizeof(Matrix)), 0) << "bone " << indices[k];
    }
    EXPECT_EQ(heard[0].origin[0], 0);
    EXPECT_EQ(heard[2].origin[0], plain[2].x);  // bone 3 turned about point 2 as bone 1 placed it
    EXPECT_EQ(heard[2].origin[2], plain[2].z);
    for (int i = 0; i < 5; ++i)
        expectPoint(i, plain[static_cast<size_t>(i)].x, plain[static_cast<size_t>(i)].y,
                    plain[static_cast<size_t>(i)].z);
    EXPECT_EQ(std::vector<uint8_t>(elementBuffer, elementBuffer + 32), plainElements);
    EXPECT_EQ(renderCount, 1);
}

TEST_F(BodyPipeline, AFatalBodyIsReportedInOneWording)
{
    BodyBuilder b;
    b.addPoint(0, 0, 0);
    b.addBone(0, 1, 0, -1);
    b.addBone(0, 1, 0, 0, 0, 0, boneTypeUnsupported);
    b.addPolygon(0, 3, {0, 0, 0});
    std::vector<uint8_t> body = b.build();
    const std::string wording = "the viewer stops at its first frame: \"renderM1\"";
    EXPECT_FALSE(prepareForFrames(body.data(), body.size(), FatalBodies::load));
    EXPECT_EQ(posePreparedBody(body.data(), 0).reason, wording);
    EXPECT_EQ(renderCount, 0);
    body = b.build();
    EXPECT_EQ(prepareForFrames(body.data(), body.size(), FatalBodies::refuse).reason, wording);
}
