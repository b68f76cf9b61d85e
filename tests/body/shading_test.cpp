// shading_test.cpp: shades from the bone matrices and the light (0, 40, 40), wrap-around included.
#include "archive/little_endian.h"
#include "body_test_support.h"

TEST_F(BodyPipeline, ShadesFollowTheLightAndTheBoneMatrix)
{
    BodyBuilder b;
    b.addPoint(0, 0, 0);
    b.addBone(0, 1, 0, -1);
    b.addNormal(0, 0, 100, 400);   // (40 * 16384 * 100 >> 14) / 400 = 10
    b.addNormal(0, 100, 0, 400);   // 10
    b.addNormal(100, 0, 0, 400);   // 0: perpendicular to the light
    b.addNormal(0, -100, 0, 400);  // 0: facing away
    b.addNormal(0, 0, 100, 0);     // divisor 0: no shade
    b.addNormal(0, 0, 3, 7);       // (40 * 3) / 7 = 17, truncated
    b.addBone(0, 0, 0, 0, 0, 256);
    b.addNormal(-100, 0, 0, 400);  // turned about y, (x, y, z) -> (z, y, -x): lands on +z, so 10
    b.addNormal(0, 0, 100, 400);   // lands on +x: 0
    const std::vector<uint8_t> body = prepared(b);

    frame(body);
    ASSERT_EQ(shadeCount, 8);
    const uint16_t expected[8] = {10, 10, 0, 0, 0, 17, 10, 0};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(shadeTable[i], expected[i]) << "normal " << i;
}

TEST_F(BodyPipeline, ShadeArithmeticWrapsAndStoresLow16Bits)
{
    BodyBuilder b;
    b.addPoint(0, 0, 0);
    b.addBone(0, 1, 0, -1);
    b.addNormal(0, 3276, 0, 1);      // 655360 * 3276 stays positive: 131040, stored as 65504
    b.addNormal(0, 3300, 0, 1);      // 655360 * 3300 passes 2^31: negative, so 0
    b.addNormal(0, 6600, 0, 1);      // wraps past 2^32 back to 30408704: 1856
    b.addNormal(0, 32767, 32767, 1);  // each product wraps to -655360: negative, so 0
    b.addNormal(0, 3276, 0, 65535);  // the divisor is taken unsigned: 131040 / 65535 = 1
    const std::vector<uint8_t> body = prepared(b);

    frame(body);
    const uint16_t expected[5] = {65504, 0, 1856, 0, 1};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(shadeTable[i], expected[i]) << "normal " << i;
}

TEST_F(BodyPipeline, ShadeTableKeepsWhatTheBodyDoesNotWrite)
{
    for (int i = 0; i < shadeRoom; ++i) shadeTable[i] = 77;

    // A total of 0: no shading at all, even though a bone announces a record.
    BodyBuilder none;
    none.addPoint(0, 0, 0);
    none.addBone(0, 1, 0, -1);
    none.addNormal(0, 0, 100, 400);
    none.normals.clear();
    none.normalTotalOverride = 0;
    none.addPolygon(2, 5, {0, 0, 0});
    frame(prepared(none));
    EXPECT_EQ(shadeCount, 0);
    EXPECT_EQ(shadeTable[0], 77);
    EXPECT_EQ(renderCount, 1);  // the element section starts right after the count

    // A non-zero total while every bone's count is 0 consumes no records either.
    BodyBuilder zeroes;
    zeroes.addPoint(0, 0, 0);
    zeroes.addBone(0, 1, 0, -1);
    zeroes.normalTotalOverride = 9;
    zeroes.addPolygon(2, 5, {0, 0, 0});
    frame(prepared(zeroes));
    EXPECT_EQ(shadeTable[0], 77);
    EXPECT_EQ(renderCount, 1);

    // Two normals rewrite entries 0 and 1 only.
    BodyBuilder two;
    two.addPoint(0, 0, 0);
    two.addBone(0, 1, 0, -1);
    two.addNormal(0, 0, 100, 400);
    two.addNormal(0, 0, 100, 200);
    frame(prepared(two));
    EXPECT_EQ(shadeCount, 2);
    EXPECT_EQ(shadeTable[0], 10);
    EXPECT_EQ(shadeTable[1], 20);
    EXPECT_EQ(shadeTable[2], 77);
}
