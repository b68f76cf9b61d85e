// body_check.cpp: walks a body as prepareBody and the three passes will and refuses it, before
// any frame, when they would read or write outside the body or a table.
//
// The passes' path through a body depends on its bytes only, never on the tables or the angle
// registers (angleZ is always 0 when a frame starts: a non-zero angle Z met on a bone is fatal),
// so one walk covers every frame. Faults of point references in elements only matter when the
// drawing dereferences them, after the element pass; a fatal line end ends the frame before it,
// so those faults are kept aside until the walk is known to reach the end.
#include "body/body_check.h"

#include "support/little_endian.h"
#include "body/body.h"

namespace {

// True when `bytes` bytes from `at` lie inside the body (`at` may be anything).
bool fits(size_t size, int64_t at, int64_t bytes)
{
    return at >= 0 && bytes >= 0 && static_cast<uint64_t>(at) + static_cast<uint64_t>(bytes) <= size;
}

bool insidePointTable(int32_t index) { return index >= 0 && index < transformedPointRoom; }

// The walk's position and what it has used of the element pass's fixed room.
struct FrameWalk {
    const uint8_t* body;
    size_t size;
    int64_t at;
    int32_t elementBytes;
    int32_t entries;
    Fault deferred;  // first bad point reference of an element, reported only at the end
};

void deferFault(FrameWalk& walk, const char* format, int32_t item, int32_t offset)
{
    if (!walk.deferred) walk.deferred = faultOf(format, item, offset);
}

// Room for one more converted record of `bytes` bytes and its render entry.
Fault takeRoom(FrameWalk& walk, int32_t bytes)
{
    if (walk.elementBytes + bytes > elementBufferBytes) return faultOf("element buffer would overflow");
    if (walk.entries + 1 > renderListRoom) return faultOf("render list would overflow");
    walk.elementBytes += bytes;
    walk.entries += 1;
    return noFault();
}

// Reads a list count; refuses a missing or negative one.
Fault readCount(FrameWalk& walk, const char* what, int32_t* count)
{
    if (!fits(walk.size, walk.at, 2)) return faultOf("%s count past the end of the body", what);
    *count = readI16(walk.body + walk.at);
    walk.at += 2;
    if (*count < 0) return faultOf("%s count %d is negative", what, *count);
    return noFault();
}

// One processed bone, in processBone's order. Sets *fatal when the frame ends here.
Fault checkBone(int32_t index, const uint8_t* bone, int32_t pointCount, bool rotation, const char** fatal)
{
    const int32_t first = readI16(bone + boneFirstPoint);
    const int32_t count = readI16(bone + bonePointCount);
    if (first % pointBytes != 0) {
        *fatal = fatalFirstPointMessage;
        return noFault();
    }
    const int32_t parent = readI16(bone + boneParent);
    if (parent != -1) {
        const int32_t base = readI16(bone + boneBasePoint);
        if (!insidePointTable(base / pointBytes)) {
            return faultOf("bone %d: base point offset %d outside the point table", index, base);
        }
        if (parent % matrixBytes != 0) return faultOf("bone %d: parent %d is not a multiple of 36", index, parent);
        if (parent < 0 || parent / matrixBytes >= matrixRoom) {
            return faultOf("bone %d: parent %d outside the matrix table", index, parent);
        }
    }
    if (rotation && readI16(bone + boneAngleZ) != 0) {
        *fatal = fatalAngleZMessage;
        return noFault();
    }
    // A count of 0 or less moves no points.
    if (count > 0) {
        if (first < 0 || first / pointBytes + count > pointCount) {
            return faultOf("bone %d: points outside the point array", index);
        }
        if (first / pointBytes + count > transformedPointRoom) {
            return faultOf("bone %d: points past the point table", index);
        }
    }
    return noFault();
}

Fault checkSkeleton(FrameWalk& walk, int32_t* boneCount, int64_t* boneTable, const char** fatal)
{
    int32_t pointCount = 0;
    if (Fault fault = readCount(walk, "point", &pointCount)) return fault;
    if (pointCount > transformedPointRoom) {
        return faultOf("%d points: more than the point table holds (%d)", pointCount, transformedPointRoom);
    }
    if (!fits(walk.size, walk.at, int64_t{pointBytes} * pointCount))
        return faultOf("point section past the end of the body");
    walk.at += int64_t{pointBytes} * pointCount;

    int32_t bones = 0;
    if (Fault fault = readCount(walk, "bone", &bones)) return fault;
    if (bones == 0) return faultOf("bone count 0: a body needs at least its root bone");
    if (bones > matrixRoom) return faultOf("%d bones: more than the matrix table holds (%d)", bones, matrixRoom);
    if (!fits(walk.size, walk.at, int64_t{boneRecordBytes} * bones))
        return faultOf("bone table past the end of the body");
    *boneCount = bones;
    *boneTable = walk.at;

    const uint8_t* table = walk.body + walk.at;
    // The root's type and angles play no part; it turns with the registers, whose angle Z is 0.
    if (Fault fault = checkBone(0, table, pointCount, false, fatal)) return fault;
    for (int32_t i = 1; i < bones && *fatal == nullptr; ++i) {
        const uint8_t* bone = table + i * boneRecordBytes;
        const uint16_t type = readU16(bone + boneType);
        if (type == boneTypeUnsupported) {
            *fatal = fatalBoneTypeMessage;
        } else if (type == boneTypeRotation) {
            if (Fault fault = checkBone(i, bone, pointCount, true, fatal)) return fault;
        }
    }
    walk.at += int64_t{boneRecordBytes} * bones;
    return noFault();
}

Fault checkNormals(FrameWalk& walk, int32_t boneCount, int64_t boneTable)
{
    if (!fits(walk.size, walk.at, 2)) return faultOf("normal count past the end of the body");
    const int32_t total = readI16(walk.body + walk.at);
    walk.at += 2;
    if (total == 0) return noFault();
    int32_t normals = 0;
    for (int32_t i = 0; i < boneCount; ++i) {
        const int32_t k = readI16(walk.body + boneTable + i * boneRecordBytes + boneNormalCount);
        if (k > 0) normals += k;  // at most 5,555 * 32,767: no overflow
    }
    if (normals > shadeRoom) return faultOf("%d normals: more than the shade table holds (%d)", normals, shadeRoom);
    if (!fits(walk.size, walk.at, int64_t{normalRecordBytes} * normals))
        return faultOf("normal section past the end of the body");
    walk.at += int64_t{normalRecordBytes} * normals;
    return noFault();
}

bool insideShadeTable(int32_t normal) { return normal >= 0 && normal < shadeRoom; }

Fault checkPolygons(FrameWalk& walk)
{
    int32_t count = 0;
    if (Fault fault = readCount(walk, "polygon", &count)) return fault;
    for (int32_t i = 0; i < count; ++i) {
        if (!fits(walk.size, walk.at, polygonHeaderBytes)) return faultOf("polygon %d: past the end of the body", i);
        const uint8_t* p = walk.body + walk.at;
        const uint8_t type = p[0];
        const int32_t vertices = p[1];
        if (!fits(walk.size, walk.at, storedPolygonBytes(type, vertices)))
            return faultOf("polygon %d: past the end of the body", i);
        if (Fault fault = takeRoom(walk, polygonHeaderBytes + polygonSlotBytes * vertices)) return fault;
        p += polygonHeaderBytes;
        if (type >= renderTypeVertexShaded) {
            for (int32_t v = 0; v < vertices; ++v, p += 4) {
                const int32_t normal = readU16(p);
                if (!insideShadeTable(normal))
                    return faultOf("polygon %d: normal %d outside the shade table", i, normal);
                const int32_t offset = readU16(p + 2);
                if (!insidePointTable(pointIndexOf(readI16(p + 2), false))) {
                    deferFault(walk, "polygon %d: point offset %d outside the point table", i, offset);
                }
            }
        } else {
            if (type >= renderTypeShaded) {
                const int32_t normal = readI16(p);
                if (!insideShadeTable(normal))
                    return faultOf("polygon %d: normal %d outside the shade table", i, normal);
                p += 2;
            }
            const bool signedOffsets = polygonOffsetsSigned(type);
            for (int32_t v = 0; v < vertices; ++v, p += 2) {
                const int32_t offset = signedOffsets ? readI16(p) : readU16(p);
                if (!insidePointTable(pointIndexOf(readI16(p), signedOffsets))) {
                    deferFault(walk, "polygon %d: point offset %d outside the point table", i, offset);
                }
            }
        }
        walk.at += storedPolygonBytes(type, vertices);
    }
    return noFault();
}

Fault checkLines(FrameWalk& walk, const char** fatal)
{
    int32_t count = 0;
    if (Fault fault = readCount(walk, "line", &count)) return fault;
    if (!fits(walk.size, walk.at, int64_t{lineRecordBytes} * count))
        return faultOf("line section past the end of the body");
    for (int32_t i = 0; i < count; ++i, walk.at += lineRecordBytes) {
        const int16_t first = readI16(walk.body + walk.at + 4);
        const int16_t second = readI16(walk.body + walk.at + 6);
        if (first % pointBytes != 0 || second % pointBytes != 0) {
            *fatal = fatalLineEndMessage;
            return noFault();
        }
        if (Fault fault = takeRoom(walk, lineConvertedBytes)) return fault;
        if (!insidePointTable(pointIndexOf(first, true)))
            deferFault(walk, "line %d: point offset %d outside the point table", i, first);
        if (!insidePointTable(pointIndexOf(second, true)))
            deferFault(walk, "line %d: point offset %d outside the point table", i, second);
    }
    return noFault();
}

Fault checkSpheres(FrameWalk& walk)
{
    int32_t count = 0;
    if (Fault fault = readCount(walk, "sphere", &count)) return fault;
    if (!fits(walk.size, walk.at, int64_t{sphereRecordBytes} * count))
        return faultOf("sphere section past the end of the body");
    for (int32_t i = 0; i < count; ++i, walk.at += sphereRecordBytes) {
        if (Fault fault = takeRoom(walk, sphereConvertedBytes)) return fault;
        const int16_t centre = readI16(walk.body + walk.at + 6);
        if (!insidePointTable(pointIndexOf(centre, true)))
            deferFault(walk, "sphere %d: centre offset %d outside the point table", i, centre);
    }
    return noFault();
}

}  // namespace

Fault checkBodyForPreparation(const uint8_t* body, size_t size)
{
    if (size < 2) return faultOf("body too short for its header");
    if ((readU16(body + bodyFlagsOffset) & bodyFlagConvertParents) == 0) return noFault();  // nothing is rewritten
    if (size < static_cast<size_t>(bodyHeaderBytes)) return faultOf("body too short for its header");
    const int32_t extension = readI16(body + bodyExtensionSizeOffset);
    int64_t at = bodyHeaderBytes + extension;
    if (!fits(size, at, 2))
        return faultOf("header extension size %d puts the data section outside the body", extension);
    const int32_t pointCount = readI16(body + at);
    if (pointCount < 0) return faultOf("point count %d is negative", pointCount);
    at += 2 + int64_t{pointBytes} * pointCount;
    if (!fits(size, at, 2)) return faultOf("bone count past the end of the body");
    const int32_t bones = readI16(body + at);
    if (bones > 1 && !fits(size, at + 2, int64_t{boneRecordBytes} * bones))
        return faultOf("bone table past the end of the body");
    return noFault();
}

Fault checkBodyForFrames(const uint8_t* body, size_t size, const char** fatalMessage)
{
    const char* fatal = nullptr;
    if (fatalMessage != nullptr) *fatalMessage = nullptr;
    FrameWalk walk{body, size, bodyFrameDataOffset, 0, 0, {}};

    int32_t boneCount = 0;
    int64_t boneTable = 0;
    Fault fault = checkSkeleton(walk, &boneCount, &boneTable, &fatal);
    if (!fault && fatal == nullptr) fault = checkNormals(walk, boneCount, boneTable);
    if (!fault && fatal == nullptr) fault = checkPolygons(walk);
    if (!fault && fatal == nullptr) fault = checkLines(walk, &fatal);
    if (!fault && fatal == nullptr) fault = checkSpheres(walk);
    if (fault) return fault;
    if (fatal != nullptr) {
        if (fatalMessage != nullptr) *fatalMessage = fatal;
        return noFault();
    }
    return walk.deferred;
}
