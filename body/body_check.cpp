// body_check.cpp: walks a body as prepareBody and the three passes will and refuses it, before
// any frame, when they would read or write outside the body or a table.
//
// The passes' path through a body depends on its bytes only, never on the tables or the angle
// registers (angleZ is always 0 when a frame starts: a non-zero angle Z met on a bone is fatal),
// so one walk covers every frame. Faults of point references in elements only matter when the
// drawing dereferences them, after the element pass; a fatal line end ends the frame before it,
// so those faults are kept aside until the walk is known to reach the end.
#include "body/body_check.h"

#include <cstdarg>
#include <cstdio>

#include "archive/little_endian.h"
#include "body/body.h"

namespace {

char phrase[160];

const char* say(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vsnprintf(phrase, sizeof phrase, format, args);
    va_end(args);
    return phrase;
}

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
    char deferred[160];  // first bad point reference of an element, reported only at the end
};

void deferFault(FrameWalk& walk, const char* format, int32_t item, int32_t offset)
{
    if (walk.deferred[0] == '\0') std::snprintf(walk.deferred, sizeof walk.deferred, format, item, offset);
}

// Room for one more converted record of `bytes` bytes and its render entry.
const char* takeRoom(FrameWalk& walk, int32_t bytes)
{
    if (walk.elementBytes + bytes > elementBufferBytes) return say("element buffer would overflow");
    if (walk.entries + 1 > renderListRoom) return say("render list would overflow");
    walk.elementBytes += bytes;
    walk.entries += 1;
    return nullptr;
}

// Reads a list count; refuses a missing or negative one.
const char* readCount(FrameWalk& walk, const char* what, int32_t* count)
{
    if (!fits(walk.size, walk.at, 2)) return say("%s count past the end of the body", what);
    *count = readI16(walk.body + walk.at);
    walk.at += 2;
    if (*count < 0) return say("%s count %d is negative", what, *count);
    return nullptr;
}

// One processed bone, in processBone's order. Sets *fatal when the frame ends here.
const char* checkBone(int32_t index, const uint8_t* bone, int32_t pointCount, bool rotation, const char** fatal)
{
    const int32_t first = readI16(bone + boneFirstPoint);
    const int32_t count = readI16(bone + bonePointCount);
    if (first % pointBytes != 0) {
        *fatal = fatalFirstPointMessage;
        return nullptr;
    }
    const int32_t parent = readI16(bone + boneParent);
    if (parent != -1) {
        const int32_t base = readI16(bone + boneBasePoint);
        if (!insidePointTable(base / pointBytes)) {
            return say("bone %d: base point offset %d outside the point table", index, base);
        }
        if (parent % matrixBytes != 0) return say("bone %d: parent %d is not a multiple of 36", index, parent);
        if (parent < 0 || parent / matrixBytes >= matrixRoom) {
            return say("bone %d: parent %d outside the matrix table", index, parent);
        }
    }
    if (rotation && readI16(bone + boneAngleZ) != 0) {
        *fatal = fatalAngleZMessage;
        return nullptr;
    }
    // A count of 0 or less moves no points.
    if (count > 0) {
        if (first < 0 || first / pointBytes + count > pointCount) {
            return say("bone %d: points outside the point array", index);
        }
        if (first / pointBytes + count > transformedPointRoom) {
            return say("bone %d: points past the point table", index);
        }
    }
    return nullptr;
}

const char* checkSkeleton(FrameWalk& walk, int32_t* boneCount, int64_t* boneTable, const char** fatal)
{
    int32_t pointCount = 0;
    if (const char* fault = readCount(walk, "point", &pointCount)) return fault;
    if (pointCount > transformedPointRoom) {
        return say("%d points: more than the point table holds (%d)", pointCount, transformedPointRoom);
    }
    if (!fits(walk.size, walk.at, int64_t{pointBytes} * pointCount)) return say("point section past the end of the body");
    walk.at += int64_t{pointBytes} * pointCount;

    int32_t bones = 0;
    if (const char* fault = readCount(walk, "bone", &bones)) return fault;
    if (bones == 0) return say("bone count 0: a body needs at least its root bone");
    if (bones > matrixRoom) return say("%d bones: more than the matrix table holds (%d)", bones, matrixRoom);
    if (!fits(walk.size, walk.at, int64_t{boneRecordBytes} * bones)) return say("bone table past the end of the body");
    *boneCount = bones;
    *boneTable = walk.at;

    const uint8_t* table = walk.body + walk.at;
    // The root's type and angles play no part; it turns with the registers, whose angle Z is 0.
    if (const char* fault = checkBone(0, table, pointCount, false, fatal)) return fault;
    for (int32_t i = 1; i < bones && *fatal == nullptr; ++i) {
        const uint8_t* bone = table + i * boneRecordBytes;
        const uint16_t type = readU16(bone + boneType);
        if (type == boneTypeUnsupported) {
            *fatal = fatalBoneTypeMessage;
        } else if (type == boneTypeRotation) {
            if (const char* fault = checkBone(i, bone, pointCount, true, fatal)) return fault;
        }
    }
    walk.at += int64_t{boneRecordBytes} * bones;
    return nullptr;
}

const char* checkNormals(FrameWalk& walk, int32_t boneCount, int64_t boneTable)
{
    if (!fits(walk.size, walk.at, 2)) return say("normal count past the end of the body");
    const int32_t total = readI16(walk.body + walk.at);
    walk.at += 2;
    if (total == 0) return nullptr;
    int32_t normals = 0;
    for (int32_t i = 0; i < boneCount; ++i) {
        const int32_t k = readI16(walk.body + boneTable + i * boneRecordBytes + boneNormalCount);
        if (k > 0) normals += k;  // at most 5,555 * 32,767: no overflow
    }
    if (normals > shadeRoom) return say("%d normals: more than the shade table holds (%d)", normals, shadeRoom);
    if (!fits(walk.size, walk.at, int64_t{normalRecordBytes} * normals)) return say("normal section past the end of the body");
    walk.at += int64_t{normalRecordBytes} * normals;
    return nullptr;
}

bool insideShadeTable(int32_t normal) { return normal >= 0 && normal < shadeRoom; }

const char* checkPolygons(FrameWalk& walk)
{
    int32_t count = 0;
    if (const char* fault = readCount(walk, "polygon", &count)) return fault;
    for (int32_t i = 0; i < count; ++i) {
        if (!fits(walk.size, walk.at, polygonHeaderBytes)) return say("polygon %d: past the end of the body", i);
        const uint8_t* p = walk.body + walk.at;
        const uint8_t type = p[0];
        const int32_t vertices = p[1];
        const int32_t bytes = type >= 9 ? 4 * vertices : type >= 7 ? 2 + 2 * vertices : 2 * vertices;
        if (!fits(walk.size, walk.at + polygonHeaderBytes, bytes)) return say("polygon %d: past the end of the body", i);
        if (const char* fault = takeRoom(walk, polygonHeaderBytes + polygonSlotBytes * vertices)) return fault;
        p += polygonHeaderBytes;
        if (type >= 9) {
            for (int32_t v = 0; v < vertices; ++v, p += 4) {
                const int32_t normal = readU16(p);
                if (!insideShadeTable(normal)) return say("polygon %d: normal %d outside the shade table", i, normal);
                const int32_t offset = readU16(p + 2);
                if (!insidePointTable(offset / pointBytes)) {
                    deferFault(walk, "polygon %d: point offset %d outside the point table", i, offset);
                }
            }
        } else {
            const bool signedOffsets = type >= 7;
            if (signedOffsets) {
                const int32_t normal = readI16(p);
                if (!insideShadeTable(normal)) return say("polygon %d: normal %d outside the shade table", i, normal);
                p += 2;
            }
            for (int32_t v = 0; v < vertices; ++v, p += 2) {
                const int32_t offset = signedOffsets ? readI16(p) : readU16(p);
                if (!insidePointTable(offset / pointBytes)) {
                    deferFault(walk, "polygon %d: point offset %d outside the point table", i, offset);
                }
            }
        }
        walk.at += polygonHeaderBytes + bytes;
    }
    return nullptr;
}

const char* checkLines(FrameWalk& walk, const char** fatal)
{
    int32_t count = 0;
    if (const char* fault = readCount(walk, "line", &count)) return fault;
    if (!fits(walk.size, walk.at, int64_t{lineRecordBytes} * count)) return say("line section past the end of the body");
    for (int32_t i = 0; i < count; ++i, walk.at += lineRecordBytes) {
        const int32_t first = readI16(walk.body + walk.at + 4);
        const int32_t second = readI16(walk.body + walk.at + 6);
        if (first % pointBytes != 0 || second % pointBytes != 0) {
            *fatal = fatalLineEndMessage;
            return nullptr;
        }
        if (const char* fault = takeRoom(walk, lineConvertedBytes)) return fault;
        if (!insidePointTable(first / pointBytes)) deferFault(walk, "line %d: point offset %d outside the point table", i, first);
        if (!insidePointTable(second / pointBytes)) deferFault(walk, "line %d: point offset %d outside the point table", i, second);
    }
    return nullptr;
}

const char* checkSpheres(FrameWalk& walk)
{
    int32_t count = 0;
    if (const char* fault = readCount(walk, "sphere", &count)) return fault;
    if (!fits(walk.size, walk.at, int64_t{sphereRecordBytes} * count)) return say("sphere section past the end of the body");
    for (int32_t i = 0; i < count; ++i, walk.at += sphereRecordBytes) {
        if (const char* fault = takeRoom(walk, sphereConvertedBytes)) return fault;
        const int32_t centre = readI16(walk.body + walk.at + 6);
        if (!insidePointTable(centre / pointBytes)) deferFault(walk, "sphere %d: centre offset %d outside the point table", i, centre);
    }
    return nullptr;
}

}  // namespace

const char* checkBodyForPreparation(const uint8_t* body, size_t size)
{
    if (size < 2) return say("body too short for its header");
    if ((readU16(body + bodyFlagsOffset) & bodyFlagConvertParents) == 0) return nullptr;  // nothing is rewritten
    if (size < static_cast<size_t>(bodyHeaderBytes)) return say("body too short for its header");
    const int32_t extension = readI16(body + bodyExtensionSizeOffset);
    int64_t at = bodyHeaderBytes + extension;
    if (!fits(size, at, 2)) return say("header extension size %d puts the data section outside the body", extension);
    const int32_t pointCount = readI16(body + at);
    if (pointCount < 0) return say("point count %d is negative", pointCount);
    at += 2 + int64_t{pointBytes} * pointCount;
    if (!fits(size, at, 2)) return say("bone count past the end of the body");
    const int32_t bones = readI16(body + at);
    if (bones > 1 && !fits(size, at + 2, int64_t{boneRecordBytes} * bones)) return say("bone table past the end of the body");
    return nullptr;
}

const char* checkBodyForFrames(const uint8_t* body, size_t size, const char** fatalMessage)
{
    const char* fatal = nullptr;
    if (fatalMessage != nullptr) *fatalMessage = nullptr;
    FrameWalk walk{body, size, bodyFrameDataOffset, 0, 0, {}};

    int32_t boneCount = 0;
    int64_t boneTable = 0;
    const char* fault = checkSkeleton(walk, &boneCount, &boneTable, &fatal);
    if (fault == nullptr && fatal == nullptr) fault = checkNormals(walk, boneCount, boneTable);
    if (fault == nullptr && fatal == nullptr) fault = checkPolygons(walk);
    if (fault == nullptr && fatal == nullptr) fault = checkLines(walk, &fatal);
    if (fault == nullptr && fatal == nullptr) fault = checkSpheres(walk);
    if (fault != nullptr) return fault;
    if (fatal != nullptr) {
        if (fatalMessage != nullptr) *fatalMessage = fatal;
        return nullptr;
    }
    if (walk.deferred[0] != '\0') {
        std::snprintf(phrase, sizeof phrase, "%s", walk.deferred);
        return phrase;
    }
    return nullptr;
}
