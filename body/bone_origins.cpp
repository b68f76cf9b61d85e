// bone_origins.cpp: where each bone's origin lies after a frame's skeleton pass.
#include "body/bone_origins.h"

#include "archive/little_endian.h"

namespace {

// The offset of the bone table's count in the body, or -1 when it lies outside the body.
int64_t boneCountOffset(const uint8_t* body, size_t size)
{
    const int64_t data = bodyFrameDataOffset;
    if (static_cast<uint64_t>(data) + 2 > size) return -1;
    const int32_t points = readI16(body + data);
    if (points < 0) return -1;
    const int64_t at = data + 2 + int64_t{pointBytes} * points;
    if (static_cast<uint64_t>(at) + 2 > size) return -1;
    return at;
}

}  // namespace

bool readBodyCounts(const uint8_t* body, size_t size, int32_t* points, int32_t* bones)
{
    const int64_t at = body == nullptr ? -1 : boneCountOffset(body, size);
    if (at < 0) return false;
    *points = readI16(body + bodyFrameDataOffset);
    *bones = readI16(body + at);
    return true;
}

int32_t collectBoneOrigins(const uint8_t* body, size_t size, BoneOrigin* out, int32_t room)
{
    const int64_t at = body == nullptr ? -1 : boneCountOffset(body, size);
    if (at < 0) return 0;
    int32_t count = readI16(body + at);
    if (count <= 0) return 0;
    const int64_t table = at + 2;
    // Only whole records inside the body, and no more than the caller has room for.
    const int64_t whole = (static_cast<int64_t>(size) - table) / boneRecordBytes;
    if (count > whole) count = static_cast<int32_t>(whole);
    if (count > room) count = room;

    for (int32_t i = 0; i < count; ++i) {
        const uint8_t* bone = body + table + int64_t{i} * boneRecordBytes;
        BoneOrigin& b = out[i];
        b.origin = Point16{0, 0, 0};
        b.parent = -1;
        b.processed = i == 0 || readU16(bone + boneType) == boneTypeRotation;

        const int32_t parentField = readI16(bone + boneParent);
        if (parentField == -1) continue;
        // Signed division truncating toward zero, as the skeleton pass takes it.
        const int32_t base = readI16(bone + boneBasePoint) / pointBytes;
        if (base >= 0 && base < transformedPointRoom) {
            b.origin = transformedPoints[base];
        } else {
            b.processed = false;  // no place to show it at
        }
        if (parentField >= 0 && parentField % matrixBytes == 0 && parentField / matrixBytes < count &&
            parentField / matrixBytes != i) {
            b.parent = parentField / matrixBytes;
        }
    }
    return count;
}
