// skeleton_test.cpp: bones placed through their parents, registers carried, stale slots kept.
#include "body_test_support.h"

TEST_F(BodyPipeline, RootTurnsWithTheAutoRotationAngle)
{
    BodyBuilder b;
    b.addPoint(100, 200, 300);
    b.addBone(0, 1, 0, -1);
    const std::vector<uint8_t> body = prepared(b);

    frame(body, 0);
    expectPoint(0, 100, 200, 300);
    frame(body, 256);  // (x, y, z) lands at (z, y, -x)
    expectPoint(0, 300, 200, -100);
    frame(body, 1024 + 256);
    expectPoint(0, 300, 200, -100);
    frame(body, -256);
    expectPoint(0, -300, 200, 100);
}

TEST_F(BodyPipeline, ParentChainAppliesAnglesAndBasePoints)
{
    BodyBuilder b;
    b.addPoint(0, 5, 7);
    b.addPoint(100, 0, 0);
    b.addPoint(10, 20, 30);
    b.addPoint(1, 2, 3);
    b.addPoint(4, 5, 6);
    b.addBone(0, 2, 0, -1);
    b.addBone(2, 1, 1, 0, 0, 256);  // turned about y, origin at point 1
    b.addBone(3, 1, 2, 1, 256, 0);  // then about x, origin at point 2
    b.addBone(4, 1, 3, 2);          // no angles: an exact copy of its parent's matrix
    const std::vector<uint8_t> body = prepared(b);

    frame(body);
    expectPoint(0, 0, 5, 7);
    expectPoint(1, 100, 0, 0);
    expectPoint(2, 130, 20, -10);  // (30, 20, -10) + (100, 0, 0)
    expectPoint(3, 132, 17, -11);  // rows (0,1,0), (0,0,-1), (-1,0,0): (2, -3, -1) + point 2
    expectPoint(4, 137, 11, -15);  // (5, -6, -4) + point 3
    for (int i = 0; i < 9; ++i) EXPECT_EQ(matrixTable[3].m[i], matrixTable[2].m[i]);

    // The last rotation bone left angle X at 0: the next frame's root is not turned about x.
    frame(body);
    expectPoint(0, 0, 5, 7);
}

TEST_F(BodyPipeline, LastAngleXTurnsTheNextFramesRoot)
{
    BodyBuilder b;
    b.addPoint(0, 5, 7);
    b.addPoint(1, 1, 1);
    b.addBone(0, 1, 0, -1);
    b.addBone(1, 1, 0, 0, 256, 0);
    b.addBone(1, 0, 0, 0, 0, 0, 2);  // skipped: loads no angles
    const std::vector<uint8_t> body = prepared(b);

    frame(body);
    expectPoint(0, 0, 5, 7);
    EXPECT_EQ(angleX, 256);
    frame(body);  // the root now turns about x: (x, y, z) lands at (x, -z, y)
    expectPoint(0, 0, -7, 5);
    EXPECT_EQ(matrixTable[0].m[5], -16384);
}

TEST_F(BodyPipeline, SkippedAndLaterParentBonesKeepEarlierValues)
{
    BodyBuilder b;
    b.addPoint(0, 0, 0);
    b.addPoint(10, 0, 0);
    b.addPoint(0, 10, 0);
    b.addPoint(0, 0, 10);
    b.addBone(0, 1, 0, -1);
    b.addBone(1, 1, 0, 0, 0, 0, 2);  // type 2: matrix 1 and point 1 untouched
    b.addBone(2, 1, 1, 1);           // child of the skipped bone: its stale matrix and point
    b.addBone(3, 1, 0, 4);           // parent later in the table: last frame's matrix 4, point 0
    b.addBone(0, 0, 0, 0, 0, 256);   // bone 4: rotates about y, no points
    const std::vector<uint8_t> body = prepared(b);

    const Matrix half{{8192, 0, 0, 0, 8192, 0, 0, 0, 8192}};
    matrixTable[1] = half;
    matrixTable[4] = half;
    transformedPoints[1] = {1000, 2000, 3000};

    frame(body);
    expectPoint(1, 1000, 2000, 3000);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(matrixTable[1].m[i], half.m[i]);
    expectPoint(2, 1000, 2005, 3000);  // (0, 10, 0) halved, from the stale point 1
    expectPoint(3, 0, 0, 5);           // matrix 4 as the previous frame (here: the test) left it
    // From the second frame on bone 3 reads bone 4's matrix of the frame before: turned about y.
    frame(body);
    expectPoint(3, 10, 0, 0);
}

TEST_F(BodyPipeline, PointsOfAnotherBodyStayUntilOverwritten)
{
    BodyBuilder first;
    for (int i = 0; i < 4; ++i) first.addPoint(static_cast<int16_t>(i + 1), 0, 0);
    first.addBone(0, 4, 0, -1);
    frame(prepared(first));

    BodyBuilder second;
    second.addPoint(-9, -9, -9);
    second.addBone(0, 1, 0, -1);
    second.addLine(1, 0, 3);  // point 3 is beyond this body's points but inside the table
    frame(prepared(second));
    expectPoint(0, -9, -9, -9);
    expectPoint(3, 4, 0, 0);
}
