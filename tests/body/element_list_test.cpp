// element_list_test.cpp: conversion of polygons, lines and spheres into records and render entries.
#include "archive/little_endian.h"
#include "body_test_support.h"

namespace {

// Appends a polygon exactly as given: header, then raw little-endian 16-bit words.
void addRawPolygon(BodyBuilder& b, uint8_t type, uint16_t colour, uint8_t vertices, std::initializer_list<uint16_t> words)
{
    b.polygonBytes.push_back(type);
    b.polygonBytes.push_back(vertices);
    b.polygonBytes.push_back(static_cast<uint8_t>(colour));
    b.polygonBytes.push_back(static_cast<uint8_t>(colour >> 8));
    for (uint16_t w : words) {
        b.polygonBytes.push_back(static_cast<uint8_t>(w));
        b.polygonBytes.push_back(static_cast<uint8_t>(w >> 8));
    }
    ++b.polygons;
}

// A body whose root has the normals giving shades 0, 3, 7, 5 and 10 (identity matrix).
BodyBuilder shadedBody()
{
    BodyBuilder b;
    for (int i = 0; i < 4; ++i) b.addPoint(static_cast<int16_t>(i), 0, 0);
    b.addBone(0, 4, 0, -1);
    b.addNormal(100, 0, 0, 1);     // 0
    b.addNormal(0, 0, 100, 1333);  // 3
    b.addNormal(0, 0, 100, 571);   // 7
    b.addNormal(0, 0, 100, 800);   // 5
    b.addNormal(0, 0, 100, 400);   // 10
    return b;
}

const uint8_t* slot(const uint8_t* record, int vertex) { return record + polygonHeaderBytes + polygonSlotBytes * vertex; }

}  // namespace

TEST_F(BodyPipeline, PolygonsConvertByRenderType)
{
    BodyBuilder b = shadedBody();
    b.addVertexShadedPolygon(9, 32, {{0, 1}, {1, 2}, {2, 3}});
    b.addShadedPolygon(8, 48, 3, {0, 1, 2});
    b.addShadedPolygon(7, 250, 4, {2, 1, 0});  // 260: the sum is not clamped
    b.addPolygon(1, 7, {3, 2, 1});
    b.addPolygon(0, 7, {0, 1, 2});
    b.addPolygon(5, 9, {0, 1, 2});
    b.addVertexShadedPolygon(255, 0xFFFF, {{4, 0}});  // 16-bit vertex colour sum wraps to 9
    addRawPolygon(b, 3, 1, 1, {0x8000});                 // offset taken unsigned: 32768 / 6 = 5461
    addRawPolygon(b, 8, 2, 2, {0, 0xFFFB, 13});          // signed: -5 / 6 = 0, 13 / 6 = 2
    const std::vector<uint8_t> body = prepared(b);
    frame(body);

    ASSERT_EQ(renderCount, 9);
    for (int i = 0; i < 9; ++i) ASSERT_EQ(renderList[i].kind, renderKindPolygon);
    const uint8_t* r = renderList[0].record;
    EXPECT_EQ(r, elementBuffer);
    EXPECT_EQ(r[0], 7);
    EXPECT_EQ(r[1], 3);
    EXPECT_EQ(readU16(r + 2), 32);
    const uint16_t vertexColours[3] = {32, 35, 39};
    for (int v = 0; v < 3; ++v) {
        EXPECT_EQ(readU16(slot(r, v)), vertexColours[v]);
        EXPECT_EQ(readU16(slot(r, v) + 2), v + 1);
    }

    r = renderList[1].record;
    EXPECT_EQ(r, elementBuffer + 4 + 4 * 3);  // records back to back
    EXPECT_EQ(r[0], 1);
    EXPECT_EQ(readU16(r + 2), 53);
    EXPECT_EQ(readU16(slot(r, 2) + 2), 2);

    r = renderList[2].record;
    EXPECT_EQ(r[0], 0);
    EXPECT_EQ(readU16(r + 2), 260);
    EXPECT_EQ(readU16(slot(r, 0) + 2), 2);

    EXPECT_EQ(renderList[3].record[0], 255);
    EXPECT_EQ(readU16(slot(renderList[3].record, 0) + 2), 3);
    EXPECT_EQ(renderList[4].record[0], 254);
    EXPECT_EQ(renderList[5].record[0], 3);  // translucent
    EXPECT_EQ(readU16(renderList[5].record + 2), 9);

    r = renderList[6].record;
    EXPECT_EQ(r[0], 253);
    EXPECT_EQ(readU16(r + 2), 0xFFFF);
    EXPECT_EQ(readU16(slot(r, 0)), 9);

    EXPECT_EQ(readU16(slot(renderList[7].record, 0) + 2), 5461);
    r = renderList[8].record;
    EXPECT_EQ(readU16(r + 2), 2);  // shade of normal 0 is 0
    EXPECT_EQ(readU16(slot(r, 0) + 2), 0);
    EXPECT_EQ(readU16(slot(r, 1) + 2), 2);
}

TEST_F(BodyPipeline, LinesAndSpheresFollowThePolygons)
{
    BodyBuilder b;
    for (int i = 0; i < 3; ++i) b.addPoint(0, 0, 0);
    b.addBone(0, 3, 0, -1);
    b.addSphere(12, -5, 2);
    b.addRawSphere(0xAABB0C11, 300, -3);  // centre -3 / 6 truncates to 0
    b.addLine(40, 0, 2);
    b.addRawLine(0x01022803, -0, 12);
    b.addPolygon(2, 1, {0, 1, 2});
    const std::vector<uint8_t> body = prepared(b);
    frame(body);

    ASSERT_EQ(renderCount, 5);
    const uint16_t kinds[5] = {renderKindPolygon, renderKindLine, renderKindLine, renderKindSphere, renderKindSphere};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(renderList[i].kind, kinds[i]) << "entry " << i;

    const uint8_t* line = renderList[1].record;
    EXPECT_EQ(line, elementBuffer + 4 + 4 * 3);
    EXPECT_EQ(line[1], 40);
    EXPECT_EQ(readU16(line + 4), 0);
    EXPECT_EQ(readU16(line + 6), 2);
    line = renderList[2].record;
    EXPECT_EQ(line, renderList[1].record + 12);
    EXPECT_EQ(readU32(line), 0x01022803u);  // attributes copied whole
    EXPECT_EQ(readU16(line + 6), 2);

    const uint8_t* sphere = renderList[3].record;
    EXPECT_EQ(sphere, renderList[2].record + 12);
    EXPECT_EQ(sphere[1], 12);
    EXPECT_EQ(readI16(sphere + 4), -5);
    EXPECT_EQ(readU16(sphere + 6), 2);
    sphere = renderList[4].record;
    EXPECT_EQ(sphere, renderList[3].record + 8);
    EXPECT_EQ(readU32(sphere), 0xAABB0C11u);
    EXPECT_EQ(readI16(sphere + 4), 300);
    EXPECT_EQ(readU16(sphere + 6), 0);
}

TEST_F(BodyPipeline, EmptyElementSectionGivesAnEmptyList)
{
    BodyBuilder b;
    b.addPoint(0, 0, 0);
    b.addBone(0, 1, 0, -1);
    renderCount = 99;
    frame(prepared(b));
    EXPECT_EQ(renderCount, 0);
}
