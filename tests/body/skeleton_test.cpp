// skeleton_test.cpp: bones placed through their parents, registers carried, stale slots kept.
#include "body_test_support.h"

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

    frame(body, 1024 + 256);  // the root turns by the auto-rotation angle: (x, y, z) -> (z, y, -x)
    expectPoint(0, 7, 5, 0);
    frame(body);
    expectPoint(0, 0, 5, 7);
    expectPoint(1, 100, 0, 0);
    expectPoint(2, 130, 20, -10);  // (30, 20, -10) + point 1
    expectPoint(3, 132, 17, -11);  // rows (0,1,0), (0,0,-1), (-1,0,0): (2, -3, -1) + point 2
    expectPoint(4, 137, 11, -15);  // (5, -6, -4) + point 3
    for (int i = 0; i < 9; ++i) EXPECT_EQ(matrixTable[3].m[i], matrixTable[2].m[i]);
}

TEST_F(BodyPipeline, LastAngleXTurnsTheNextFramesRoot)
{
    BodyBuilder b;
    b.addPoint(0, 5, 7);
    b.addBone(0, 1, 0, -1);
    b.addBone(0, 0, 0, 0, 256, 0);
    b.addBone(0, 0, 0, 0, 0, 0, 2);  // skipped: loads no angles
    const std::vector<uint8_t> body = prepared(b);
    frame(body);
    expectPoint(0, 0, 5, 7);
    frame(body);  // (x, y, z) -> (x, -z, y)
    expectPoint(0, 0, -7, 5);
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
    b.addBone(3, 1, 0, 4);           // parent later in the table: the matrix of the frame before
    b.addBone(0, 0, 0, 0, 0, 256);   // bone 4
    b.addLine(1, 0, 5461);           // a point beyond the body's, inside the table
    const std::vector<uint8_t> body = prepared(b);

    const Matrix half{{8192, 0, 0, 0, 8192, 0, 0, 0, 8192}};
    matrixTable[1] = half;
    matrixTable[4] = half;
    transformedPoints[1] = {1000, 2000, 3000};
    transformedPoints[5461] = {4, 5, 6};
    frame(body);
    expectPoint(1, 1000, 2000, 3000);
    EXPECT_EQ(matrixTable[1].m[0], 8192);
    expectPoint(2, 1000, 2005, 3000);
    expectPoint(3, 0, 0, 5);
    expectPoint(5461, 4, 5, 6);
    frame(body);  // bone 4's matrix of the first frame: turned about y
    expectPoint(3, 10, 0, 0);
}
