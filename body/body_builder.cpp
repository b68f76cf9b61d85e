// body_builder.cpp: composes a body record by record and encodes it.
#include "body/body_builder.h"

namespace {

int16_t pointOffset(int index) { return static_cast<int16_t>(index * pointBytes); }

}  // namespace

int BodyBuilder::addPoint(int16_t x, int16_t y, int16_t z)
{
    points.push_back({x, y, z});
    return static_cast<int>(points.size()) - 1;
}

int BodyBuilder::addBone(int firstPoint, int pointCount, int basePoint, int parent, int16_t xAngle, int16_t yAngle,
                         uint16_t type)
{
    BoneRecord bone;
    bone.firstPoint = pointOffset(firstPoint);
    bone.pointCount = static_cast<int16_t>(pointCount);
    bone.basePoint = pointOffset(basePoint);
    const int recordBytes = (flags & bodyFlagConvertParents) ? boneRecordBytes : matrixBytes;
    bone.parent = parent < 0 ? int16_t{-1} : static_cast<int16_t>(parent * recordBytes);
    bone.type = type;
    bone.angleX = xAngle;
    bone.angleY = yAngle;
    bones.push_back(bone);
    return static_cast<int>(bones.size()) - 1;
}

int BodyBuilder::addNormal(int16_t x, int16_t y, int16_t z, uint16_t divisor)
{
    normals.push_back({x, y, z, divisor});
    if (!bones.empty()) bones.back().normalCount = static_cast<int16_t>(bones.back().normalCount + 1);
    return static_cast<int>(normals.size()) - 1;
}

void BodyBuilder::addPolygon(uint8_t renderType, uint16_t colour, std::initializer_list<int> pointIndices)
{
    addPolygon(renderType, colour, std::vector<int>(pointIndices));
}

void BodyBuilder::addShadedPolygon(uint8_t renderType, uint16_t colour, int16_t normal,
                                   std::initializer_list<int> pointIndices)
{
    addShadedPolygon(renderType, colour, normal, std::vector<int>(pointIndices));
}

void BodyBuilder::addVertexShadedPolygon(uint8_t renderType, uint16_t colour,
                                         std::initializer_list<std::pair<int, int>> normalAndPoint)
{
    addVertexShadedPolygon(renderType, colour, std::vector<std::pair<int, int>>(normalAndPoint));
}

void BodyBuilder::addPolygon(uint8_t renderType, uint16_t colour, const std::vector<int>& pointIndices)
{
    PolygonRecord& p = polygons.emplace_back();
    p.renderType = renderType;
    p.colour = colour;
    for (int index : pointIndices) p.offsets.push_back(pointOffset(index));
}

void BodyBuilder::addShadedPolygon(uint8_t renderType, uint16_t colour, int16_t normal,
                                   const std::vector<int>& pointIndices)
{
    addPolygon(renderType, colour, pointIndices);
    polygons.back().normal = normal;
}

void BodyBuilder::addVertexShadedPolygon(uint8_t renderType, uint16_t colour,
                                         const std::vector<std::pair<int, int>>& normalAndPoint)
{
    PolygonRecord& p = polygons.emplace_back();
    p.renderType = renderType;
    p.colour = colour;
    for (const auto& [normal, point] : normalAndPoint) {
        p.normals.push_back(static_cast<uint16_t>(normal));
        p.offsets.push_back(pointOffset(point));
    }
}

void BodyBuilder::addLine(uint8_t colour, int pointA, int pointB)
{
    addRawLine(static_cast<uint32_t>(colour) << 8, pointOffset(pointA), pointOffset(pointB));
}

void BodyBuilder::addSphere(uint8_t colour, int16_t radius, int centre)
{
    addRawSphere(static_cast<uint32_t>(colour) << 8, radius, pointOffset(centre));
}

void BodyBuilder::addRawLine(uint32_t attributes, int16_t offsetA, int16_t offsetB)
{
    lines.push_back({attributes, offsetA, offsetB});
}

void BodyBuilder::addRawSphere(uint32_t attributes, int16_t radius, int16_t centreOffset)
{
    spheres.push_back({attributes, radius, centreOffset});
}

std::vector<uint8_t> BodyBuilder::build() const
{
    StoredBody body;
    body.header.assign(bodyHeaderBytes, 0);
    body.header[bodyFlagsOffset] = static_cast<uint8_t>(flags);
    body.header[bodyFlagsOffset + 1] = static_cast<uint8_t>(flags >> 8);
    const auto extensionSize = static_cast<uint16_t>(extension.size());
    body.header[bodyExtensionSizeOffset] = static_cast<uint8_t>(extensionSize);
    body.header[bodyExtensionSizeOffset + 1] = static_cast<uint8_t>(extensionSize >> 8);
    body.header.insert(body.header.end(), extension.begin(), extension.end());
    body.points = points;
    body.bones = bones;
    body.normalTotal = normalTotalOverride.value_or(static_cast<int16_t>(normals.size()));
    body.normals = normals;
    body.polygons = polygons;
    body.lines = lines;
    body.spheres = spheres;
    return encodeBody(
        body, {pointCountOverride, boneCountOverride, polygonCountOverride, lineCountOverride, sphereCountOverride});
}
