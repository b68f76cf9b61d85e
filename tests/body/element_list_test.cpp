// element_list_test.cpp: conversion of polygons, lines and spheres into records and render entries.
#include "support/little_endian.h"
#include "body_test_support.h"

namespace {

uint16_t slotColour(int entry, int vertex) { return readU16(renderList[entry].record + 4 + 4 * vertex); }
uint16_t slotPoint(int entry, int vertex) { return readU16(renderList[entry].record + 6 + 4 * vertex); }

}  // namespace

TEST_F(BodyPipeline, PolygonsConvertByRenderType)
{
    BodyBuilder b;
    b.addBone(0, 0, 0, -1);
    b.addNormal(100, 0, 0, 1);     // shade 0
    b.addNormal(0, 0, 100, 1333);  // 3
    b.addNormal(0, 0, 100, 571);   // 7
    b.addNormal(0, 0, 100, 800);   // 5
    b.addNormal(0, 0, 100, 400);   // 10
    b.addVertexShadedPolygon(9, 32, {{0, 1}, {1, 2}, {2, 3}});
    b.addShadedPolygon(8, 48, 3, {0, 1, 2});
    b.addShadedPolygon(7, 250, 4, {2, 1, 0});  // 260: the sum is not clamped
    b.addPolygon(1, 7, {3, 2, 1});
    b.addPolygon(0, 7, {0});
    b.addPolygon(5, 9, {0});
    b.addVertexShadedPolygon(255, 0xFFFF, {{4, 0}});  // the 16-bit vertex colour sum wraps to 9
    b.polygons.push_back({3, 1, 0, {-32768}, {}});    // offset taken unsigned: 32768 / 6 = 5461
    b.polygons.push_back({8, 2, 0, {-5, 13}, {}});    // signed: -5 / 6 = 0, 13 / 6 = 2
    frame(prepared(b));

    ASSERT_EQ(renderCount, 9);
    for (int i = 0; i < 9; ++i) ASSERT_EQ(renderList[i].kind, renderKindPolygon);
    EXPECT_EQ(renderList[0].record, elementBuffer);
    EXPECT_EQ(renderList[1].record, elementBuffer + 4 + 4 * 3);  // back to back
    const uint8_t drawTypes[9] = {7, 1, 0, 255, 254, 3, 253, 1, 1};
    const uint16_t colours[9] = {32, 53, 260, 7, 7, 9, 0xFFFF, 1, 2};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(renderList[i].record[0], drawTypes[i]) << "polygon " << i;
        EXPECT_EQ(readU16(renderList[i].record + 2), colours[i]) << "polygon " << i;
    }
    for (int v = 0; v < 3; ++v) EXPECT_EQ(slotPoint(0, v), v + 1);
    EXPECT_EQ(slotColour(0, 0), 32);
    EXPECT_EQ(slotColour(0, 1), 35);
    EXPECT_EQ(slotColour(0, 2), 39);
    EXPECT_EQ(slotPoint(2, 0), 2);
    EXPECT_EQ(slotPoint(3, 0), 3);
    EXPECT_EQ(slotColour(6, 0), 9);
    EXPECT_EQ(slotPoint(7, 0), 5461);
    EXPECT_EQ(slotPoint(8, 0), 0);
    EXPECT_EQ(slotPoint(8, 1), 2);
}

TEST_F(BodyPipeline, LinesAndSpheresFollowThePolygons)
{
    BodyBuilder b;
    b.addBone(0, 0, 0, -1);
    b.addSphere(12, -5, 2);
    b.addRawSphere(0xAABB0C11, 300, -3);  // centre -3 / 6 truncates to 0
    b.addLine(40, 0, 2);
    b.addRawLine(0x01022803, 0, 12);
    b.addPolygon(2, 1, {0, 1, 2});
    frame(prepared(b));

    ASSERT_EQ(renderCount, 5);
    const uint16_t kinds[5] = {renderKindPolygon, renderKindLine, renderKindLine, renderKindSphere, renderKindSphere};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(renderList[i].kind, kinds[i]) << "entry " << i;
    const uint8_t* line = renderList[1].record;
    EXPECT_EQ(line, elementBuffer + 4 + 4 * 3);
    EXPECT_EQ(line[1], 40);
    EXPECT_EQ(readU16(line + 6), 2);
    EXPECT_EQ(renderList[2].record, line + 12);
    EXPECT_EQ(readU32(renderList[2].record), 0x01022803u);  // attributes copied whole
    const uint8_t* sphere = renderList[3].record;
    EXPECT_EQ(sphere, line + 24);
    EXPECT_EQ(sphere[1], 12);
    EXPECT_EQ(readI16(sphere + 4), -5);
    EXPECT_EQ(readU16(sphere + 6), 2);
    EXPECT_EQ(renderList[4].record, sphere + 8);
    EXPECT_EQ(readU32(sphere + 8), 0xAABB0C11u);
    EXPECT_EQ(readU16(sphere + 8 + 6), 0);

    BodyBuilder empty;
    empty.addBone(0, 0, 0, -1);
    frame(prepared(empty));
    EXPECT_EQ(renderCount, 0);
}
