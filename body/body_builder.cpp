// body_builder.cpp: composes a body's bytes field by field.
#include "body/body_builder.h"

#include "support/little_endian.h"

namespace {

void appendU16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void appendI16(std::vector<uint8_t>& out, int16_t v) { appendU16(out, static_cast<uint16_t>(v)); }
void appendU32(std::vector<uint8_t>& out, uint32_t v)
{
    appendU16(out, static_cast<uint16_t>(v));
    appendU16(out, static_cast<uint16_t>(v >> 16));
}
int16_t pointOffset(int index) { return static_cast<int16_t>(index * pointBytes); }

}  // namespace

int BodyBuilder::addPoint(int16_t x, int16_t y, int16_t z)
{
    points.push_back({x, y, z});
    return static_cast<int>(points.size()) - 1;
}

int BodyBuilder::addBone(int firstPoint, int pointCount, int basePoint, int parent, int16_t xAngle,
                         int16_t yAngle, uint16_t type)
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
    polygonBytes.push_back(renderType);
    polygonBytes.push_back(static_cast<uint8_t>(pointIndices.size()));
    appendU16(polygonBytes, colour);
    for (int index : pointIndices) appendI16(polygonBytes, pointOffset(index));
    ++polygons;
}

void BodyBuilder::addShadedPolygon(uint8_t renderType, uint16_t colour, int16_t normal,
                                   const std::vector<int>& pointIndices)
{
    polygonBytes.push_back(renderType);
    polygonBytes.push_back(static_cast<uint8_t>(pointIndices.size()));
    appendU16(polygonBytes, colour);
    appendI16(polygonBytes, normal);
    for (int index : pointIndices) appendI16(polygonBytes, pointOffset(index));
    ++polygons;
}

void BodyBuilder::addVertexShadedPolygon(uint8_t renderType, uint16_t colour,
                                         const std::vector<std::pair<int, int>>& normalAndPoint)
{
    polygonBytes.push_back(renderType);
    polygonBytes.push_back(static_cast<uint8_t>(normalAndPoint.size()));
    appendU16(polygonBytes, colour);
    for (const auto& [normal, point] : normalAndPoint) {
        appendU16(polygonBytes, static_cast<uint16_t>(normal));
        appendI16(polygonBytes, pointOffset(point));
    }
    ++polygons;
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
    appendU32(lineBytes, attributes);
    appendI16(lineBytes, offsetA);
    appendI16(lineBytes, offsetB);
}

void BodyBuilder::addRawSphere(uint32_t attributes, int16_t radius, int16_t centreOffset)
{
    appendU32(sphereBytes, attributes);
    appendI16(sphereBytes, radius);
    appendI16(sphereBytes, centreOffset);
}

std::vector<uint8_t> BodyBuilder::build() const
{
    std::vector<uint8_t> out;
    appendU16(out, flags);
    out.resize(bodyExtensionSizeOffset, 0);
    appendI16(out, static_cast<int16_t>(extension.size()));
    out.insert(out.end(), extension.begin(), extension.end());

    appendI16(out, pointCountOverride.value_or(static_cast<int16_t>(points.size())));
    for (const Point16& p : points) {
        appendI16(out, p.x);
        appendI16(out, p.y);
        appendI16(out, p.z);
    }

    appendI16(out, boneCountOverride.value_or(static_cast<int16_t>(bones.size())));
    for (const BoneRecord& b : bones) {
        const size_t start = out.size();
        appendI16(out, b.firstPoint);
        appendI16(out, b.pointCount);
        appendI16(out, b.basePoint);
        appendI16(out, b.parent);
        appendU16(out, b.type);
        appendI16(out, b.angleX);
        appendI16(out, b.angleY);
        appendI16(out, b.angleZ);
        appendU16(out, 0);
        appendI16(out, b.normalCount);
        out.resize(start + boneRecordBytes, 0);
    }

    appendI16(out, normalTotalOverride.value_or(static_cast<int16_t>(normals.size())));
    for (const NormalRecord& n : normals) {
        appendI16(out, n.x);
        appendI16(out, n.y);
        appendI16(out, n.z);
        appendU16(out, n.divisor);
    }

    appendI16(out, polygonCountOverride.value_or(static_cast<int16_t>(polygons)));
    out.insert(out.end(), polygonBytes.begin(), polygonBytes.end());
    appendI16(out, lineCountOverride.value_or(static_cast<int16_t>(lineBytes.size() / lineRecordBytes)));
    out.insert(out.end(), lineBytes.begin(), lineBytes.end());
    appendI16(out, sphereCountOverride.value_or(static_cast<int16_t>(sphereBytes.size() / sphereRecordBytes)));
    out.insert(out.end(), sphereBytes.begin(), sphereBytes.end());
    return out;
}
