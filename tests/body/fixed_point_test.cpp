// fixed_point_test.cpp: the sine table and rotateMatrix's fixed-point turns, wrap-around included.
#include <cmath>

#include "body_test_support.h"

namespace {

const Matrix identity{{16384, 0, 0, 0, 16384, 0, 0, 0, 16384}};

void expectRows(const Matrix& m, std::initializer_list<int32_t> rows)
{
    int i = 0;
    for (int32_t v : rows) {
        EXPECT_EQ(m.m[i], v) << "element " << i;
        ++i;
    }
}

}  // namespace

TEST(SinTable, IsTheDoublePrecisionSineRounded)
{
    for (int i = 0; i < 1024; ++i) {
        const long expected = std::lround(16384.0 * std::sin(2.0 * M_PI * i / 1024.0));
        ASSERT_EQ(sinTable[i], expected) << "entry " << i;
    }
    // Entries a single-precision evaluation gets wrong, and the quarter turns.
    EXPECT_EQ(sinTable[370], 12537);
    EXPECT_EQ(sinTable[407], 9841);
    EXPECT_EQ(sinTable[505], 704);
    EXPECT_EQ(sinTable[1017], -704);
    EXPECT_EQ(sinTable[0], 0);
    EXPECT_EQ(sinTable[256], 16384);
    EXPECT_EQ(sinTable[768], -16384);
    // Only the low 10 bits count, for any register value.
    EXPECT_EQ(cosOf(0), 16384);
    EXPECT_EQ(sinOf(1024 + 256), 16384);
    EXPECT_EQ(sinOf(-256), sinOf(768));
    EXPECT_EQ(cosOf(INT32_MAX), sinTable[(1023 + 256) & 1023]);
}

TEST_F(BodyPipeline, RotateMatrixTurnsXThenY)
{
    Matrix out{};
    angleY = 256;
    rotateMatrix(&out, &identity);
    expectRows(out, {0, 0, 16384, 0, 16384, 0, -16384, 0, 0});

    angleY = 0;
    angleX = 256;
    rotateMatrix(&out, &identity);
    expectRows(out, {16384, 0, 0, 0, 0, -16384, 0, 16384, 0});

    // X first, then Y: identity * Rx(256) * Ry(256).
    angleY = 256;
    rotateMatrix(&out, &identity);
    expectRows(out, {0, 0, 16384, 16384, 0, 0, 0, 16384, 0});

    // A whole turn runs the stage and changes nothing; -256 is 768.
    angleX = 1024;
    angleY = -256;
    Matrix viaNegative{};
    rotateMatrix(&viaNegative, &identity);
    angleX = 0;
    angleY = 768;
    rotateMatrix(&out, &identity);
    expectRows(viaNegative, {out.m[0], out.m[1], out.m[2], out.m[3], out.m[4], out.m[5], out.m[6], out.m[7], out.m[8]});

    // All angles 0: an exact copy.
    angleY = 0;
    const Matrix odd{{1, -2, 3, -4, 5, -6, 7, -8, 9}};
    rotateMatrix(&out, &odd);
    expectRows(out, {1, -2, 3, -4, 5, -6, 7, -8, 9});
}

TEST_F(BodyPipeline, RotateMatrixWrapsAndWorksInPlace)
{
    // 2^30 * 11585 wraps to 2^30; two of them sum to 2^31, read back as -2^31: shifted, -131072.
    const Matrix big{{0, 1 << 30, 1 << 30, 0, 0, 0, 0, 0, 0}};
    Matrix out{};
    angleX = 128;
    rotateMatrix(&out, &big);
    EXPECT_EQ(out.m[1], -131072);
    EXPECT_EQ(out.m[2], 0);

    // In place (a bone whose parent names its own slot) gives the same as a separate source.
    const Matrix start{{16384, 300, -7000, 12, 16000, 5, -9, 44, 16384}};
    angleX = 37;
    angleY = 901;
    Matrix separate{};
    rotateMatrix(&separate, &start);
    Matrix same = start;
    rotateMatrix(&same, &same);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(same.m[i], separate.m[i]) << "element " << i;
    // And the X stage alone in place.
    angleY = 0;
    rotateMatrix(&separate, &start);
    same = start;
    rotateMatrix(&same, &same);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(same.m[i], separate.m[i]) << "element " << i;
}

TEST_F(BodyPipeline, TransformPointsShiftsArithmeticallyAndKeepsLow16Bits)
{
    // identity * Ry(128), 45 degrees: rows (11585, 0, 11585), (0, 16384, 0), (-11585, 0, 11585).
    Matrix m{};
    angleY = 128;
    rotateMatrix(&m, &identity);
    expectRows(m, {11585, 0, 11585, 0, 16384, 0, -11585, 0, 11585});

    const uint8_t points[12] = {0xFF, 0x7F, 0, 0, 0xFF, 0x7F,     // (32767, 0, 32767)
                                0xFF, 0x7F, 0, 0x80, 0x01, 0x80};  // (32767, -32768, -32767)
    Point16 out[2]{};
    const int32_t origin[3] = {0, 0, 0};
    transformPoints(points, 2, out, &m, origin);
    // 759211790 >> 14 = 46338, stored as -19198; -759211790 >> 14 = -46339 (floor), stored as 19197.
    EXPECT_EQ(out[0].x, -19198);
    EXPECT_EQ(out[0].z, 0);
    EXPECT_EQ(out[1].x, 0);
    EXPECT_EQ(out[1].y, -32768);
    EXPECT_EQ(out[1].z, 19197);

    // The origin is added to the shifted sum, the total keeping its low 16 bits.
    const int32_t far[3] = {32767, -32768, 1};
    transformPoints(points, 1, out, &identity, far);
    EXPECT_EQ(out[0].x, -2);  // 32767 + 32767
    EXPECT_EQ(out[0].y, -32768);
    EXPECT_EQ(out[0].z, -32768);  // 32767 + 1
}
