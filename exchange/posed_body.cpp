// posed_body.cpp: takes a body through the viewer's own passes and records, bone by bone, what
// the exporter needs to rebuild the frame with a glTF skeleton.
#include "exchange/posed_body.h"

#include <cmath>

#include "support/little_endian.h"
#include "body/body_check.h"
#include "body/body_loading.h"
#include "body/fixed_point.h"

namespace {

// The sections of a prepared body.
struct Sections {
    const uint8_t* pointArray = nullptr;
    int32_t pointCount = 0;
    const uint8_t* table = nullptr;  // bone records
    int32_t boneCount = 0;
    const uint8_t* normals = nullptr;
    std::vector<int> boneJoint;  // each bone's joint, -1 for a bone the pass skips

    const uint8_t* bone(int32_t i) const { return table + i * boneRecordBytes; }
};

// The rotation nearest a fixed-point matrix; false when it is singular or mirrors.
bool rotationOfFixed(const Matrix& fixed, Mat3* out)
{
    Mat3 q;
    for (int i = 0; i < 9; ++i) q[static_cast<size_t>(i)] = fixed.m[i] / 16384.0;
    if (!(mat3Determinant(q) > 1e-6) || !nearestRotation(q, &q)) return false;
    *out = q;
    return std::fabs(mat3Determinant(q) - 1.0) < 1e-6;
}

// A bone's own turn: only the low 10 bits of an angle register turn (a stage whose angle is a
// multiple of 1024 leaves the matrix alone).
Mat3 ownTurn(int32_t x, int32_t y)
{
    return turnXY(static_cast<double>(static_cast<uint32_t>(x) & 1023u),
                  static_cast<double>(static_cast<uint32_t>(y) & 1023u));
}

Vec3 vec3Of(const Point16& p) { return {static_cast<double>(p.x), static_cast<double>(p.y), static_cast<double>(p.z)}; }

// The second frame, bone by bone as transformSkeleton runs it, noting what each bone starts from.
void runSecondFrame(int32_t autoAngle, Sections* s, PosedBody* p)
{
    angleY = autoAngle;
    s->boneJoint.assign(static_cast<size_t>(s->boneCount), -1);
    for (int32_t i = 0; i < s->boneCount; ++i) {
        const uint8_t* bone = s->bone(i);
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
        if (readI16(bone + boneParent) != -1)
            joint.origin = vec3Of(transformedPoints[readI16(bone + boneBasePoint) / pointBytes]);
        processBone(bone, s->pointArray, &matrixTable[i]);
        joint.fixed = matrixTable[i];
        s->boneJoint[static_cast<size_t>(i)] = static_cast<int>(p->joints.size());
        p->joints.push_back(joint);
    }
    buildElementList(computeShades(s->normals, s->table, s->boneCount));
    p->framePoints.assign(transformedPoints, transformedPoints + transformedPointRoom);
}

// The tree: a bone whose parent field names an earlier processed bone hangs under it and turns
// by its own angles; any other hangs under the root with the turn the viewer gave it.
void buildTree(const Sections& s, PosedBody* p)
{
    for (PosedBone& joint : p->joints) {
        const int32_t parent = readI16(s.bone(joint.index) + boneParent);
        const Mat3 own = ownTurn(joint.turnX, joint.turnY);
        const bool named = parent != -1 && parent % matrixBytes == 0 && parent >= 0 &&
                           parent / matrixBytes < joint.index &&
                           s.boneJoint[static_cast<size_t>(parent / matrixBytes)] >= 0;
        if (named) {
            joint.parentJoint = s.boneJoint[static_cast<size_t>(parent / matrixBytes)];
            const PosedBone& up = p->joints[static_cast<size_t>(joint.parentJoint)];
            joint.world = mat3Multiply(up.world, own);
            joint.local = own;
            joint.depth = up.depth + 1;
        } else {
            joint.regular = parent == -1;
            joint.parentJoint = joint.index == 0 ? -1 : 0;
            joint.depth = joint.index == 0 ? 1 : 2;
            if (parent == -1 || !rotationOfFixed(joint.fixed, &joint.world)) joint.world = own;
            joint.local = joint.index == 0 ? joint.world : mat3Multiply(mat3Transpose(p->joints[0].world), joint.world);
        }
    }
}

// Bind pose: the same placing with every matrix the identity, twice, as the frames run.
void placeBindPose(const Sections& s, PosedBody* p)
{
    p->bindPoints.assign(transformedPointRoom, Point16{0, 0, 0});
    p->pointJoint.assign(transformedPointRoom, 0);
    for (int pass = 0; pass < 2; ++pass) {
        for (PosedBone& joint : p->joints) {
            const uint8_t* bone = s.bone(joint.index);
            Vec3 origin{};
            if (readI16(bone + boneParent) != -1)
                origin = vec3Of(p->bindPoints[static_cast<size_t>(readI16(bone + boneBasePoint) / pointBytes)]);
            joint.bindOrigin = origin;
            const int32_t first = readI16(bone + boneFirstPoint) / pointBytes;
            const int32_t count = readI16(bone + bonePointCount);
            for (int32_t k = 0; k < count; ++k) {
                const uint8_t* stored = s.pointArray + (first + k) * pointBytes;
                const auto at = static_cast<size_t>(first + k);
                p->bindPoints[at] = {low16(static_cast<int32_t>(origin[0]) + readI16(stored)),
                                     low16(static_cast<int32_t>(origin[1]) + readI16(stored + 2)),
                                     low16(static_cast<int32_t>(origin[2]) + readI16(stored + 4))};
                p->pointJoint[at] = s.boneJoint[static_cast<size_t>(joint.index)];
            }
        }
    }
}

// One polygon's converted record beside its stored one.
void readPolygon(PolygonRecord&& stored, const uint8_t* record, PosedElement* e)
{
    static_cast<StoredElement&>(*e) = elementOf(std::move(stored));
    e->drawType = record[0];
    e->drawnColour = readU16(record + 2);
    for (size_t k = 0; k < e->offsets.size(); ++k) {
        const uint8_t* slot = record + polygonHeaderBytes + polygonSlotBytes * k;
        e->points.push_back(readU16(slot + 2));
        if (e->type >= renderTypeVertexShaded) e->vertexColours.push_back(readU16(slot));
    }
}

// Elements: the stored records beside the converted ones, entry by entry.
void readElements(StoredBody& stored, PosedBody* p)
{
    p->elements.reserve(static_cast<size_t>(renderCount));
    int entry = 0;
    for (PolygonRecord& polygon : stored.polygons) {
        PosedElement e;
        readPolygon(std::move(polygon), renderList[entry++].record, &e);
        p->elements.push_back(std::move(e));
    }
    for (const LineRecord& line : stored.lines) {
        const uint8_t* record = renderList[entry++].record;
        PosedElement e;
        static_cast<StoredElement&>(e) = elementOf(line);
        e.points = {readU16(record + 4), readU16(record + 6)};
        p->elements.push_back(std::move(e));
    }
    for (const SphereRecord& sphere : stored.spheres) {
        const uint8_t* record = renderList[entry++].record;
        PosedElement e;
        static_cast<StoredElement&>(e) = elementOf(sphere);
        e.points = {readU16(record + 6)};
        p->elements.push_back(std::move(e));
    }
}

}  // namespace

Fault poseBody(const uint8_t* raw, size_t size, int32_t autoAngle, PosedBody* out)
{
    *out = PosedBody{};
    std::vector<uint8_t> body(raw, raw + size);
    if (const Fault fault = prepareForFrames(body.data(), size, FatalBodies::refuse)) return fault;

    // A fresh viewer; the first frame settles the angle registers. The check has found no
    // fatal condition, so neither frame meets one.
    resetPipelineState();
    angleY = autoAngle;
    runBodyStage(body.data());

    Sections s;
    const uint8_t* data = body.data() + bodyFrameDataOffset;
    s.pointCount = readI16(data);
    s.pointArray = data + 2;
    const uint8_t* boneSection = s.pointArray + pointBytes * s.pointCount;
    s.boneCount = readI16(boneSection);
    s.table = boneSection + 2;
    s.normals = s.table + s.boneCount * boneRecordBytes;
    out->autoAngle = autoAngle;
    out->pointCount = s.pointCount;
    out->pointRoom = transformedPointRoom;

    runSecondFrame(autoAngle, &s, out);
    buildTree(s, out);
    placeBindPose(s, out);

    // The stored records, from the raw entry (preparation rewrites parent fields).
    StoredBody stored;
    if (const Fault fault = decodeBody(raw, size, &stored)) return fault;
    readElements(stored, out);
    out->header = std::move(stored.header);
    out->storedPoints = std::move(stored.points);
    out->bones = std::move(stored.bones);
    out->boneJoint = std::move(s.boneJoint);
    out->normalTotal = stored.normalTotal;
    out->normalRecords = std::move(stored.normals);
    out->tail = std::move(stored.tail);
    return noFault();
}
