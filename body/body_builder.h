// body_builder.h: composes a body record by record, for the demo data, the importers and the
// tests, and encodes it (body_codec). Helpers take point and bone indices and store the offsets
// the format wants; every field stays public so a test can set any raw value, however hostile.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

#include "body/body_codec.h"

struct BodyBuilder {
    uint16_t flags = bodyFlagConvertParents;
    std::vector<uint8_t> extension = std::vector<uint8_t>(10);  // its size goes at byte 14

    std::vector<Point16> points;
    std::vector<BoneRecord> bones;
    std::vector<NormalRecord> normals;
    std::vector<PolygonRecord> polygons;
    std::vector<LineRecord> lines;
    std::vector<SphereRecord> spheres;

    // Counts written in place of the true ones, for hostile bodies.
    std::optional<int16_t> pointCountOverride, boneCountOverride, normalTotalOverride;
    std::optional<int16_t> polygonCountOverride, lineCountOverride, sphereCountOverride;

    // Returns the new point's index.
    int addPoint(int16_t x, int16_t y, int16_t z);

    // Bone over `pointCount` points from point index `firstPoint`; its origin is point
    // `basePoint`; `parent` is a bone index or -1. Stores the parent as the flags expect.
    // Returns the bone's index.
    int addBone(int firstPoint, int pointCount, int basePoint, int parent, int16_t xAngle = 0, int16_t yAngle = 0,
                uint16_t type = boneTypeRotation);

    // Adds a normal to the most recently added bone. Returns its normal number.
    int addNormal(int16_t x, int16_t y, int16_t z, uint16_t divisor);

    // Render type 6 or less: flat in `colour`.
    void addPolygon(uint8_t renderType, uint16_t colour, std::initializer_list<int> pointIndices);
    // Render type 7 or 8: `colour` plus the shade of `normal`.
    void addShadedPolygon(uint8_t renderType, uint16_t colour, int16_t normal, std::initializer_list<int> pointIndices);
    // Render type 9 or more: per vertex (normal number, point index).
    void addVertexShadedPolygon(uint8_t renderType, uint16_t colour,
                                std::initializer_list<std::pair<int, int>> normalAndPoint);
    // The same three from vectors, for generated bodies.
    void addPolygon(uint8_t renderType, uint16_t colour, const std::vector<int>& pointIndices);
    void addShadedPolygon(uint8_t renderType, uint16_t colour, int16_t normal, const std::vector<int>& pointIndices);
    void addVertexShadedPolygon(uint8_t renderType, uint16_t colour,
                                const std::vector<std::pair<int, int>>& normalAndPoint);

    void addLine(uint8_t colour, int pointA, int pointB);
    void addSphere(uint8_t colour, int16_t radius, int centre);

    // Raw records, offsets given as stored.
    void addRawLine(uint32_t attributes, int16_t offsetA, int16_t offsetB);
    void addRawSphere(uint32_t attributes, int16_t radius, int16_t centreOffset);

    std::vector<uint8_t> build() const;
};
