// prepare_body_test.cpp: the one-time rewrite of parent fields.
#include "support/little_endian.h"
#include "body_test_support.h"

namespace {

int16_t parentOf(const std::vector<uint8_t>& body, int dataOffset, int bone)
{
    const int points = readI16(&body[dataOffset]);
    return readI16(&body[dataOffset + 2 + 6 * points + 2 + bone * boneRecordBytes + boneParent]);
}

BodyBuilder chain()
{
    BodyBuilder b;
    b.addPoint(0, 0, 0);
    b.addBone(0, 1, 0, -1);
    b.addBone(0, 0, 0, 1);  // stored 38
    b.addBone(0, 0, 0, 2);  // stored 76
    b.addBone(0, 0, 0, 0);
    b.bones[3].parent = -1;  // a non-root bone without parent becomes a child of bone 0
    return b;
}

}  // namespace

TEST(PrepareBody, TurnsRecordOffsetsIntoMatrixOffsetsOnce)
{
    std::vector<uint8_t> body = chain().build();
    prepareBody(body.data());
    EXPECT_EQ(parentOf(body, 26, 0), -1);
    EXPECT_EQ(parentOf(body, 26, 1), 36);
    EXPECT_EQ(parentOf(body, 26, 2), 72);
    EXPECT_EQ(parentOf(body, 26, 3), 0);
    prepareBody(body.data());  // not idempotent: 72 * 36 / 38 = 68
    EXPECT_EQ(parentOf(body, 26, 2), 68);

    BodyBuilder wide = chain();  // found through the extension size, not at byte 26
    wide.extension.assign(12, 0);
    body = wide.build();
    prepareBody(body.data());
    EXPECT_EQ(parentOf(body, 28, 2), 72);
}

TEST(PrepareBody, LeavesBodiesItHasNoBusinessWith)
{
    BodyBuilder plain = chain();
    plain.flags = 0;
    BodyBuilder single = rootOnly();
    BodyBuilder negative = chain();
    negative.boneCountOverride = -3;
    for (const BodyBuilder* b : {&plain, &single, &negative}) {
        std::vector<uint8_t> body = b->build();
        const std::vector<uint8_t> stored = body;
        ASSERT_FALSE(checkBodyForPreparation(body.data(), body.size()));
        prepareBody(body.data());
        EXPECT_EQ(body, stored);
    }
}
