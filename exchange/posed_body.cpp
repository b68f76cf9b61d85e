// posed_body.cpp: takes a body through the viewer's own passes and records, bone by bone, what
// the exporter needs to rebuild the frame with a glTF skeleton.
#include "exchange/posed_body.h"

#include <cmath>
#include <cstring>

#include "support/little_endian.h"
#include "body/body_check.h"
#include "body/fixed_point.h"

namespace {

constexpr double turnUnit = 6.283185307179586 / 1024.0;

double determinant(const Mat3& m)
{
    return m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) + m[2] * (m[3] * m[7] - m[4] * m[6]);
}

// The rotation nearest a fixed-point matrix (polar decomposition by averaging with the inverse
// transpose). False when the matrix is singular or mirrors: no rotation stands for it.
bool nearestRotation(const Matrix& fixed, Mat3* out)
{
    Mat3 q;
    for (int i = 0; i < 9; ++i) q[static_cast<size_t>(i)] = fixed.m[i] / 16384.0;
    for (int iteration = 0; iteration < 30; ++iteration) {
        const double det = determinant(q);
        if (!(det > 1e-6)) return false;
        // inverse transpose = cofactor matrix / det
        Mat3 cof = {q[4] * q[8] - q[5] * q[7], q[5] * q[6] - q[3] * q[8], q[3] * q[7] - q[4] * q[6],
                    q[2] * q[7] - q[1] * q[8], q[0] * q[8] - q[2] * q[6], q[1] * q[6] - q[0] * q[7],
                    q[1] * q[5] - q[2] * q[4], q[2] * q[3] - q[0] * q[5], q[0] * q[4] - q[1] * q[3]};
        for (size_t i = 0; i < 9; ++i) q[i] = 0.5 * (q[i] + cof[i] / det);
    }
    *out = q;
    return std::fabs(determinant(q) - 1.0) < 1e-6;
}

}  // namespace

Mat3 ownTurn(int32_t x, int32_t y)
{
    // Only the low 10 bits turn (a stage whose angle is a multiple of 1024 leaves the matrix alone).
    const double ax = static_cast<double>(static_cast<uint32_t>(x) & 1023u) * turnUnit;
    const double ay = static_cast<double>(static_cast<uint32_t>(y) & 1023u) * turnUnit;
    const double cx = std::cos(ax), sx = std::sin(ax), cy = std::cos(ay), sy = std::sin(ay);
    const Mat3 rx = {1, 0, 0, 0, cx, -sx, 0, sx, cx};
    const Mat3 ry = {cy, 0, sy, 0, 1, 0, -sy, 0, cy};
    return multiply(rx, ry);
}

Mat3 multiply(const Mat3& a, const Mat3& b)
{
    Mat3 r{};
    for (size_t i = 0; i < 3; ++i)
        for (size_t j = 0; j < 3; ++j)
            r[i * 3 + j] = a[i * 3] * b[j] + a[i * 3 + 1] * b[3 + j] + a[i * 3 + 2] * b[6 + j];
    return r;
}

Mat3 transpose(const Mat3& a) { return {a[0], a[3], a[6], a[1], a[4], a[7], a[2], a[5], a[8]}; }

Vec3 apply(const Mat3& m, const Vec3& v)
{
    return {m[0] * v[0] + m[1] * v[1] + m[2] * v[2], m[3] * v[0] + m[4] * v[1] + m[5] * v[2],
            m[6] * v[0] + m[7] * v[1] + m[8] * v[2]};
}

Fault poseBody(const uint8_t* raw, size_t size, int32_t autoAngle, PosedBody* out)
{
    *out = PosedBody{};
    if (const Fault fault = checkBodyForPreparation(raw, size)) return fault;
    std::vector<uint8_t> body(raw, raw + size);
    prepareBody(body.data());
    const char* fatal = nullptr;
    if (const Fault fault = checkBodyForFrames(body.data(), size, &fatal)) return fault;
    if (fatal != nullptr) return faultOf("the viewer stops on it: %s", fatal);

    // A fresh viewer; the first frame settles the angle registers. The check has found no
    // fatal condition, so neither frame meets one.
    resetPipelineState();
    angleY = autoAngle;
    runBodyStage(body.data());

    // The second frame, bone by bone as transformSkeleton runs it, noting what each bone starts from.
    angleY = autoAngle;
    const uint8_t* data = body.data() + bodyFrameDataOffset;
    const int32_t pointCount = readI16(data);
    const uint8_t* pointArray = data + 2;
    const uint8_t* boneSection = pointArray + pointBytes * pointCount;
    const int32_t boneCount = readI16(boneSection);
    const uint8_t* table = boneSection + 2;
    PosedBody& p = *out;
    p.autoAngle = autoAngle;
    p.pointCount = pointCount;
    p.pointRoom = transformedPointRoom;
    std::vector<int> boneJoint(static_cast<size_t>(boneCount), -1);
    for (int32_t i = 0; i < boneCount; ++i) {
        const uint8_t* bone = table + i * boneRecordBytes;
        if (i > 0) {
            if (readU16(bone + boneType) != boneTypeRotation) continue;
            angleX = readI16(bone + boneAngleX);
            angleY = readI16(bone + boneAngleY);
            angleZ = readI16(bone + boneAngleZ);
        }
        PosedBone joint;
        joint.index = i;
        joint.turnX = static_cast<int16_t>(angleX);
        joint.turnY = static_cast<int16_t>(angleY);
        if (readI16(bone + boneParent) != -1) {
            const Point16 base = transformedPoints[readI16(bone + boneBasePoint) / pointBytes];
            joint.origin = {static_cast<double>(base.x), static_cast<double>(base.y), static_cast<double>(base.z)};
        }
        processBone(bone, pointArray, &matrixTable[i]);
        joint.fixed = matrixTable[i];
        boneJoint[static_cast<size_t>(i)] = static_cast<int>(p.joints.size());
        p.joints.push_back(joint);
    }
    const uint8_t* normals = table + boneCount * boneRecordBytes;
    const uint8_t* elements = computeShades(normals, table, boneCount);
    buildElementList(elements);
    p.framePoints.assign(transformedPoints, transformedPoints + transformedPointRoom);

    // The tree: a bone whose parent field names an earlier processed bone hangs under it and
    // turns by its own angles; any other hangs under the root with the turn the viewer gave it.
    for (PosedBone& joint : p.joints) {
        const uint8_t* bone = table + joint.index * boneRecordBytes;
        const int32_t parent = readI16(bone + boneParent);
        const Mat3 own = ownTurn(joint.turnX, joint.turnY);
        const bool named = parent != -1 && parent % matrixBytes == 0 && parent >= 0 && parent / matrixBytes < joint.index &&
                           boneJoint[static_cast<size_t>(parent / matrixBytes)] >= 0;
        if (named) {
            joint.parentJoint = boneJoint[static_cast<size_t>(parent / matrixBytes)];
            const PosedBone& up = p.joints[static_cast<size_t>(joint.parentJoint)];
            joint.world = multiply(up.world, own);
            joint.local = own;
            joint.depth = up.depth + 1;
        } else {
            joint.regular = parent == -1;
            joint.parentJoint = joint.index == 0 ? -1 : 0;
            joint.depth = joint.index == 0 ? 1 : 2;
            if (parent == -1 || !nearestRotation(joint.fixed, &joint.world)) joint.world = own;
            joint.local = joint.index == 0 ? joint.world : multiply(transpose(p.joints[0].world), joint.world);
        }
    }

    // Bind pose: the same placing with every matrix the identity, twice, as the frames run.
    p.bindPoints.assign(transformedPointRoom, Point16{0, 0, 0});
    p.pointJoint.assign(transformedPointRoom, 0);
    for (int pass = 0; pass < 2; ++pass) {
        for (PosedBone& joint : p.joints) {
            const uint8_t* bone = table + joint.index * boneRecordBytes;
            Vec3 origin{};
            if (readI16(bone + boneParent) != -1) {
                const Point16 base = p.bindPoints[static_cast<size_t>(readI16(bone + boneBasePoint) / pointBytes)];
                origin = {static_cast<double>(base.x), static_cast<double>(base.y), static_cast<double>(base.z)};
            }
            joint.bindOrigin = origin;
            const int32_t first = readI16(bone + boneFirstPoint) / pointBytes;
            const int32_t count = readI16(bone + bonePointCount);
            for (int32_t k = 0; k < count; ++k) {
                const uint8_t* stored = pointArray + (first + k) * pointBytes;
                const auto at = static_cast<size_t>(first + k);
                p.bindPoints[at] = {low16(static_cast<int32_t>(origin[0]) + readI16(stored)),
                                    low16(static_cast<int32_t>(origin[1]) + readI16(stored + 2)),
                                    low16(static_cast<int32_t>(origin[2]) + readI16(stored + 4))};
                p.pointJoint[at] = boneJoint[static_cast<size_t>(joint.index)];
            }
        }
    }

    // Stored records, read from the raw entry at the places the prepared one puts them.
    const auto rawAt = [&](const uint8_t* prepared) { return raw + (prepared - body.data()); };
    p.header.assign(raw, raw + bodyFrameDataOffset);
    for (int32_t i = 0; i < pointCount; ++i) {
        const uint8_t* s = rawAt(pointArray + i * pointBytes);
        p.storedPoints.push_back({readI16(s), readI16(s + 2), readI16(s + 4)});
    }
    for (int32_t i = 0; i < boneCount; ++i) {
        const uint8_t* b = rawAt(table + i * boneRecordBytes);
        StoredBone s;
        s.firstPoint = readI16(b + boneFirstPoint);
        s.pointCount = readI16(b + bonePointCount);
        s.basePoint = readI16(b + boneBasePoint);
        s.parent = readI16(b + boneParent);
        s.type = readU16(b + boneType);
        s.angleX = readI16(b + boneAngleX);
        s.angleY = readI16(b + boneAngleY);
        s.angleZ = readI16(b + boneAngleZ);
        s.normalCount = readI16(b + boneNormalCount);
        std::memcpy(s.reserved, b + 16, 2);
        std::memcpy(s.reserved + 2, b + 20, 18);
        s.joint = boneJoint[static_cast<size_t>(i)];
        p.bones.push_back(s);
    }
    p.normalTotal = readI16(rawAt(normals));
    if (p.normalTotal != 0) {
        const uint8_t* record = rawAt(normals + 2);
        for (int32_t i = 0; i < boneCount; ++i) {
            const int32_t k = readI16(table + i * boneRecordBytes + boneNormalCount);
            for (int32_t j = 0; j < k; ++j, record += normalRecordBytes) {
                p.normalRecords.push_back({readI16(record), readI16(record + 2), readI16(record + 4), readU16(record + 6), i});
            }
        }
    }

    // Elements: the stored records beside the converted ones, entry by entry.
    const uint8_t* in = elements;
    const int32_t polygons = readI16(in);
    in += 2;
    int entry = 0;
    for (int32_t i = 0; i < polygons; ++i, ++entry) {
        const uint8_t* s = rawAt(in);
        const uint8_t* record = renderList[entry].record;
        PosedElement e;
        e.renderType = in[0];
        e.drawType = record[0];
        e.storedColour = readU16(s + 2);
        e.drawnColour = readU16(record + 2);
        const int n = in[1];
        const uint8_t* v = s + polygonHeaderBytes;
        if (e.renderType >= 9) {
            for (int k = 0; k < n; ++k, v += 4) {
                e.normals.push_back(readU16(v));
                e.offsets.push_back(readI16(v + 2));
            }
        } else {
            if (e.renderType >= 7) {
                e.polygonNormal = readI16(v);
                v += 2;
            }
            for (int k = 0; k < n; ++k, v += 2) e.offsets.push_back(readI16(v));
        }
        for (int k = 0; k < n; ++k) {
            const uint8_t* slot = record + polygonHeaderBytes + polygonSlotBytes * k;
            e.points.push_back(readU16(slot + 2));
            if (e.renderType >= 9) e.vertexColours.push_back(readU16(slot));
        }
        in += polygonHeaderBytes + (e.renderType >= 9 ? 4 * n : e.renderType >= 7 ? 2 + 2 * n : 2 * n);
        p.elements.push_back(std::move(e));
    }
    const int32_t lines = readI16(in);
    in += 2;
    for (int32_t i = 0; i < lines; ++i, ++entry, in += lineRecordBytes) {
        const uint8_t* s = rawAt(in);
        const uint8_t* record = renderList[entry].record;
        PosedElement e;
        e.kind = PosedElement::line;
        e.attributes = readU32(s);
        e.offsets = {readI16(s + 4), readI16(s + 6)};
        e.points = {readU16(record + 4), readU16(record + 6)};
        p.elements.push_back(std::move(e));
    }
    const int32_t spheres = readI16(in);
    in += 2;
    for (int32_t i = 0; i < spheres; ++i, ++entry, in += sphereRecordBytes) {
        const uint8_t* s = rawAt(in);
        const uint8_t* record = renderList[entry].record;
        PosedElement e;
        e.kind = PosedElement::sphere;
        e.attributes = readU32(s);
        e.radius = readI16(s + 4);
        e.offsets = {readI16(s + 6)};
        e.points = {readU16(record + 6)};
        p.elements.push_back(std::move(e));
    }
    const size_t end = static_cast<size_t>(in - body.data());
    p.tail.assign(raw + end, raw + size);
    return noFault();
}
