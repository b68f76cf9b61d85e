// shading_test.cpp: shades from the bone matrices and the light (0, 40, 40), wrap-around included.
#include "body_test_support.h"

TEST_F(BodyPipeline, ShadesFollowTheLightTheMatrixAndWrapAround)
{
    BodyBuilder b = rootOnly();
    b.addNormal(0, 0, 100, 400);     // (40 * 16384 * 100 >> 14) / 400 = 10
    b.addNormal(0, 100, 0, 400);     // 10
    b.addNormal(100, 0, 0, 400);     // 0: perpendicular to the light
    b.addNormal(0, -100, 0, 400);    // 0: facing away
    b.addNormal(0, 0, 100, 0);       // divisor 0: shade 0
    b.addNormal(0, 0, 3, 7);         // 120 / 7 = 17, truncated
    b.addNormal(0, 3276, 0, 1);      // 655360 * 3276 stays positive: 131040, stored as 65504
    b.addNormal(0, 3300, 0, 1);      // passes 2^31: negative, so 0
    b.addNormal(0, 6600, 0, 1);      // wraps past 2^32 back to 30408704: 1856
    b.addNormal(0, 3276, 0, 65535);  // the divisor taken unsigned: 1
    b.addBone(0, 0, 0, 0, 0, 256);
    b.addNormal(-100, 0, 0, 400);  // turned about y, (x, y, z) -> (z, y, -x): onto +z, so 10
    const std::vector<uint8_t> body = prepared(b);
    frame(body);
    const uint16_t expected[] = {10, 10, 0, 0, 0, 17, 65504, 0, 1856, 1, 10};
    ASSERT_EQ(shadeCount, 11);
    for (int i = 0; i < 11; ++i) EXPECT_EQ(shadeTable[i], expected[i]) << "normal " << i;
}

TEST_F(BodyPipeline, ShadeTableKeepsWhatTheBodyDoesNotWrite)
{
    for (int i = 0; i < shadeRoom; ++i) shadeTable[i] = 77;
    BodyBuilder none = rootOnly();  // a total of 0: no shading, though the bone announces a record
    none.bones[0].normalCount = 1;
    none.normalTotalOverride = 0;
    none.addPolygon(2, 5, {0, 0, 0});
    BodyBuilder zeroes = rootOnly();  // a non-zero total while every bone's count is 0: no records either
    zeroes.normalTotalOverride = 9;
    zeroes.addPolygon(2, 5, {0, 0, 0});
    for (const BodyBuilder* b : {&none, &zeroes}) {
        frame(prepared(*b));
        EXPECT_EQ(shadeCount, 0);
        EXPECT_EQ(shadeTable[0], 77);
        EXPECT_EQ(renderCount, 1);  // the element section starts right after the count
    }
    BodyBuilder one = rootOnly();
    one.addNormal(0, 0, 100, 200);
    frame(prepared(one));
    EXPECT_EQ(shadeTable[0], 20);
    EXPECT_EQ(shadeTable[1], 77);
}
