// body_builder_test.cpp: the builder lays a body out where the pipeline reads it.
#include <gtest/gtest.h>

#include "archive/little_endian.h"
#include "tool/body_builder.h"

TEST(BodyBuilder, PlacesSectionsBackToBackFromByte26)
{
    BodyBuilder b;
    const int p0 = b.addPoint(1, 2, 3);
    b.addPoint(4, 5, 6);
    b.addBone(p0, 2, 0, -1);
    b.addBone(1, 1, 0, 0, 10, 20);
    b.addNormal(0, 0, 100, 400);
    b.addPolygon(1, 7, {0, 1, 0});
    b.addLine(9, 0, 1);
    const std::vector<uint8_t> body = b.build();

    ASSERT_EQ(readU16(&body[0]), bodyFlagConvertParents);
    ASSERT_EQ(readI16(&body[bodyExtensionSizeOffset]), 10);
    const uint8_t* d = &body[bodyFrameDataOffset];
    EXPECT_EQ(readI16(d), 2);
    EXPECT_EQ(readI16(d + 2 + 6 + 4), 6);  // the second point's z
    const uint8_t* bones = d + 2 + 12;
    EXPECT_EQ(readI16(bones), 2);
    const uint8_t* bone1 = bones + 2 + boneRecordBytes;
    EXPECT_EQ(readI16(bone1 + boneFirstPoint), 6);
    EXPECT_EQ(readI16(bone1 + boneParent), 0);
    EXPECT_EQ(readI16(bone1 + boneAngleY), 20);
    EXPECT_EQ(readI16(bones + 2 + boneNormalCount), 0);
    EXPECT_EQ(readI16(bone1 + boneNormalCount), 1);
    const uint8_t* normals = bones + 2 + 2 * boneRecordBytes;
    EXPECT_EQ(readI16(normals), 1);
    const uint8_t* polygons = normals + 2 + normalRecordBytes;
    EXPECT_EQ(readI16(polygons), 1);
    EXPECT_EQ(polygons[2], 1);
    EXPECT_EQ(polygons[3], 3);
    const uint8_t* lines = polygons + 2 + 4 + 3 * 2;
    EXPECT_EQ(readI16(lines), 1);
    EXPECT_EQ(lines[2 + 1], 9);
    EXPECT_EQ(readI16(lines + 2 + 6), 6);
    const uint8_t* spheres = lines + 2 + lineRecordBytes;
    EXPECT_EQ(readI16(spheres), 0);
    EXPECT_EQ(static_cast<size_t>(spheres + 2 - body.data()), body.size());
}
