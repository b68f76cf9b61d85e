// prepare_body_test.cpp: the one-time rewrite of parent fields.
#include "archive/little_endian.h"
#include "body_test_support.h"

namespace {

int16_t parentOf(const std::vector<uint8_t>& body, int dataOffset, int bone)
{
    const int points = readI16(&body[dataOffset]);
    return readI16(&body[dataOffset + 2 + 6 * points + 2 + bone * boneRecordBytes + boneParent]);
}

}  // namespace

TEST(PrepareBody, TurnsRecordOffsetsIntoMatrixOffsetsOnce)
{
    BodyBuilder b;
    b.addPoint(0, 0, 0);
    b.addBone(0, 1, 0, -1);
    b.addBone(0, 0, 0, 1);
    b.addBone(0, 0, 0, 2);
    const int stray = b.addBone(0, 0, 0, 0);
    b.bones[stray].parent = -1;  // a non-root bone without parent becomes a child of bone 0
    std::vector<uint8_t> body = b.build();
    ASSERT_EQ(parentOf(body, 26, 1), 38);
    ASSERT_EQ(parentOf(body, 26, 2), 76);

    prepareBody(body.data());
    EXPECT_EQ(parentOf(body, 26, 0), -1);
    EXPECT_EQ(parentOf(body, 26, 1), 36);
    EXPECT_EQ(parentOf(body, 26, 2), 72);
    EXPECT_EQ(parentOf(body, 26, 3), 0);

    prepareBody(body.data());  // not idempotent: 72 * 36 / 38 = 68
    EXPECT_EQ(parentOf(body, 26, 2), 68);
}

TEST(PrepareBody, LeavesBodiesItHasNoBusinessWith)
{
    BodyBuilder b;
    b.flags = 0;  // parents stored as matrix offsets already
    b.addPoint(0, 0, 0);
    b.addBone(0, 1, 0, -1);
    b.addBone(0, 0, 0, 0);
    b.addBone(0, 0, 0, 1);
    std::vector<uint8_t> body = b.build();
    const std::vector<uint8_t> stored = body;
    prepareBody(body.data());
    EXPECT_EQ(body, stored);

    BodyBuilder single;
    single.addPoint(0, 0, 0);
    single.addBone(0, 1, 0, -1);
    body = single.build();
    const std::vector<uint8_t> singleStored = body;
    prepareBody(body.data());
    EXPECT_EQ(body, singleStored);

    single.boneCountOverride = -3;
    body = single.build();
    const std::vector<uint8_t> negative = body;
    ASSERT_EQ(checkBodyForPreparation(body.data(), body.size()), nullptr);
    prepareBody(body.data());
    EXPECT_EQ(body, negative);
}

TEST(PrepareBody, FindsTheDataSectionThroughTheExtensionSize)
{
    BodyBuilder b;
    b.extension.assign(12, 0);
    b.addPoint(0, 0, 0);
    b.addBone(0, 1, 0, -1);
    b.addBone(0, 0, 0, 0);
    b.addBone(0, 0, 0, 2);
    std::vector<uint8_t> body = b.build();
    ASSERT_EQ(checkBodyForPreparation(body.data(), body.size()), nullptr);
    prepareBody(body.data());
    EXPECT_EQ(parentOf(body, 28, 2), 72);
    EXPECT_EQ(parentOf(body, 28, 1), 0);
}
