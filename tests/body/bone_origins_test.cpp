// bone_origins_test.cpp: each bone's origin and parent as a frame left them, and the body's
// counts, read within the body's bytes only.
#include "body_test_support.h"

#include "body/bone_origins.h"

TEST_F(BodyPipeline, BoneOriginsFollowTheFrameAndNameTheirParents)
{
    BodyBuilder b;
    b.addPoint(0, 0, 0);
    b.addPoint(100, 0, 0);
    b.addPoint(0, 50, 0);
    b.addPoint(7, 7, 7);
    b.addBone(0, 2, 0, -1);
    b.addBone(2, 1, 1, 0, 0, 256);  // origin at point 1, turned about y
    b.addBone(3, 1, 2, 1, 0, 0, 2); // skipped: not placed by the frame
    const std::vector<uint8_t> body = prepared(b);

    frame(body, 256);  // the root turns a quarter: point 1 lands at (0, 0, -100)
    BoneOrigin bones[8];
    ASSERT_EQ(collectBoneOrigins(body.data(), body.size(), bones, 8), 3);
    EXPECT_EQ(bones[0].parent, -1);
    EXPECT_TRUE(bones[0].processed);
    EXPECT_EQ(bones[0].origin.x, 0);
    EXPECT_EQ(bones[1].parent, 0);
    EXPECT_TRUE(bones[1].processed);
    EXPECT_EQ(bones[1].origin.x, 0);
    EXPECT_EQ(bones[1].origin.z, -100);
    EXPECT_EQ(bones[2].parent, 1);
    EXPECT_FALSE(bones[2].processed);
    EXPECT_EQ(bones[2].origin.x, transformedPoints[2].x) << "wherever its base point now lies";

    frame(body, 0);  // the next frame moves the origins with it
    collectBoneOrigins(body.data(), body.size(), bones, 8);
    EXPECT_EQ(bones[1].origin.x, 100);
    EXPECT_EQ(bones[1].origin.z, 0);

    EXPECT_EQ(collectBoneOrigins(body.data(), body.size(), bones, 2), 2) << "no more than the room";

    int32_t points = 0, boneCount = 0;
    ASSERT_TRUE(readBodyCounts(body.data(), body.size(), &points, &boneCount));
    EXPECT_EQ(points, 4);
    EXPECT_EQ(boneCount, 3);
}

TEST_F(BodyPipeline, BoneOriginsStayInsideShortAndHostileBodies)
{
    BodyBuilder b;
    b.addPoint(1, 2, 3);
    b.addBone(0, 1, 0, -1);
    b.addBone(0, 1, 0, 0);
    b.addBone(0, 1, 0, 0);
    std::vector<uint8_t> body = b.build();
    prepareBody(body.data());
    BoneOrigin bones[8];
    int32_t points = 0, count = 0;

    // Cut inside the third bone record: only the whole records are read.
    const size_t whole = body.size();
    std::vector<uint8_t> cut(body.begin(), body.end() - static_cast<std::ptrdiff_t>(whole - (26 + 2 + 6 + 2 + 2 * 38 + 10)));
    EXPECT_EQ(collectBoneOrigins(cut.data(), cut.size(), bones, 8), 2);
    cut.resize(26 + 2 + 6 + 1);  // the bone count itself cut in half
    EXPECT_EQ(collectBoneOrigins(cut.data(), cut.size(), bones, 8), 0);
    EXPECT_FALSE(readBodyCounts(cut.data(), cut.size(), &points, &count));
    EXPECT_EQ(collectBoneOrigins(nullptr, 0, bones, 8), 0);

    // A parent naming no bone of the body, its own slot or a byte between two slots: no parent;
    // a base point before the point table: not shown.
    const size_t table = 26 + 2 + 6 + 2;
    auto setField = [&](int bone, int offset, int16_t value) {
        body[table + bone * 38 + offset] = static_cast<uint8_t>(value);
        body[table + bone * 38 + offset + 1] = static_cast<uint8_t>(static_cast<uint16_t>(value) >> 8);
    };
    setField(1, boneParent, 36 * 3);
    setField(2, boneParent, 36 * 2);
    setField(0, boneParent, 18);
    setField(0, boneBasePoint, -6);
    EXPECT_EQ(collectBoneOrigins(body.data(), body.size(), bones, 8), 3);
    EXPECT_EQ(bones[0].parent, -1);
    EXPECT_FALSE(bones[0].processed);
    EXPECT_EQ(bones[1].parent, -1);
    EXPECT_EQ(bones[2].parent, -1);
}
