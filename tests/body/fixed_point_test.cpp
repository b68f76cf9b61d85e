// fixed_point_test.cpp: the sine table and rotateMatrix's fixed-point turns, wrap-around included.
#include <cmath>

#include "body_test_support.h"

namespace {
const Matrix identity{{16384, 0, 0, 0, 16384, 0, 0, 0, 16384}};
}

TEST(SinTable, IsTheDoublePrecisionSineRounded)
{
    for (int i = 0; i < 1024; ++i)
        ASSERT_EQ(sinTable[i], std::lround(16384.0 * std::sin(2.0 * M_PI * i / 1024.0))) << i;
    EXPECT_EQ(sinTable[370], 12537);
    EXPECT_EQ(sinTable[407], 9841);
    EXPECT_EQ(sinTable[505], 704);
    EXPECT_EQ(sinTable[1017], -704);
    EXPECT_EQ(cosOf(INT32_MAX), sinTable[255]);  // any register value wraps to its low 10 bits
}

TEST_F(BodyPipeline, RotateMatrixTurnsXThenY)
{
    Matrix out{};
    angleY = 256;
    rotateMatrix(&out, &identity);
    expectMatrix(out, {0, 0, 16384, 0, 16384, 0, -16384, 0, 0});
    angleY = 0;
    angleX = 256;
    rotateMatrix(&out, &identity);
    expectMatrix(out, {16384, 0, 0, 0, 0, -16384, 0, 16384, 0});
    angleY = 256;  // identity * Rx(256) * Ry(256)
    rotateMatrix(&out, &identity);
    expectMatrix(out, {0, 0, 16384, 16384, 0, 0, 0, 16384, 0});

    // 2^30 * 11585 wraps to 2^30; two of them sum to 2^31, read back as -2^31: shifted, -131072.
    const Matrix big{{0, 1 << 30, 1 << 30, 0, 0, 0, 0, 0, 0}};
    angleX = 128;
    angleY = 0;
    rotateMatrix(&out, &big);
    EXPECT_EQ(out.m[1], -131072);
    EXPECT_EQ(out.m[2], 0);

    // In place (a bone whose parent names its own slot) gives what a separate source gives.
    const Matrix start{{16384, 300, -7000, 12, 16000, 5, -9, 44, 16384}};
    for (int32_t y : {0, 901}) {
        angleX = 37;
        angleY = y;
        Matrix separate{}, same = start;
        rotateMatrix(&separate, &start);
        rotateMatrix(&same, &same);
        for (int i = 0; i < 9; ++i) EXPECT_EQ(same.m[i], separate.m[i]) << "angle Y " << y << ", element " << i;
    }
}

TEST_F(BodyPipeline, TransformPointsShiftsArithmeticallyAndKeepsLow16Bits)
{
    Matrix m{};  // identity * Ry(128), 45 degrees
    angleY = 128;
    rotateMatrix(&m, &identity);
    expectMatrix(m, {11585, 0, 11585, 0, 16384, 0, -11585, 0, 11585});

    const uint8_t points[12] = {0xFF, 0x7F, 0, 0,    0xFF, 0x7F,   // (32767, 0, 32767)
                                0xFF, 0x7F, 0, 0x80, 0x01, 0x80};  // (32767, -32768, -32767)
    Point16 out[2]{};
    const int32_t origin[3] = {0, 0, 0};
    transformPoints(points, 2, out, &m, origin);
    // 759211790 >> 14 = 46338, stored as -19198; -759211790 >> 14 = -46339 (floor), stored as 19197.
    EXPECT_EQ(out[0].x, -19198);
    EXPECT_EQ(out[1].y, -32768);
    EXPECT_EQ(out[1].z, 19197);

    const int32_t far[3] = {32767, -32768, 1};  // the sum with the origin keeps its low 16 bits too
    transformPoints(points, 1, out, &identity, far);
    EXPECT_EQ(out[0].x, -2);
    EXPECT_EQ(out[0].z, -32768);
}
