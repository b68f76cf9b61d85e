// skeleton_walk.h: the skeleton pass bone by bone, written once for the frame (which hears
// nothing of it) and for posing (which hears of every bone). Inside body/ only.
// Trusts the body: checkBodyForFrames has made sure every offset and count stays in bounds.
#pragma once

#include "body/body.h"
#include "support/little_endian.h"

// processBone, also handing back the origin the bone turned about.
inline void placeBone(const uint8_t* bone, const uint8_t* pointArray, Matrix* dest, int32_t origin[3])
{
    const int32_t first = readI16(bone + boneFirstPoint);
    const int32_t count = readI16(bone + bonePointCount);
    if (first % pointBytes != 0) bodyFatal(fatalFirstPointMessage);

    origin[0] = origin[1] = origin[2] = 0;
    const Matrix* source = &identityMatrix;
    const int32_t parent = readI16(bone + boneParent);
    if (parent != -1) {
        // Read before this bone's points are written, in case the base point is one of them.
        const Point16 base = transformedPoints[readI16(bone + boneBasePoint) / pointBytes];
        origin[0] = base.x;
        origin[1] = base.y;
        origin[2] = base.z;
        source = &matrixTable[parent / matrixBytes];
    }
    rotateMatrix(dest, source);
    // A count of 0 or less moves no points; its first offset then names nothing and may lie anywhere.
    if (count > 0) transformPoints(pointArray + first, count, &transformedPoints[first / pointBytes], dest, origin);
}

// transformSkeleton, calling placed(bone index, origin) after each bone it processes, with the
// angle registers as the bone's matrix was made with them.
template <class Placed>
inline const uint8_t* walkSkeleton(const uint8_t* data, const uint8_t** bones, int* boneCount, Placed&& placed)
{
    const int32_t pointCount = readI16(data);
    const uint8_t* pointArray = data + 2;
    const uint8_t* boneSection = pointArray + pointBytes * pointCount;
    const int32_t count = readI16(boneSection);
    const uint8_t* table = boneSection + 2;
    *bones = table;
    *boneCount = count;

    // The root turns with the registers as they stand: angleY is the frame's autoAngle, angleX
    // and angleZ whatever the last rotation bone of the previous frame loaded.
    int32_t origin[3];
    placeBone(table, pointArray, &matrixTable[0], origin);
    placed(0, origin);
    for (int32_t i = 1; i < count; ++i) {
        const uint8_t* bone = table + i * boneRecordBytes;
        const uint16_t type = readU16(bone + boneType);
        if (type == boneTypeRotation) {
            angleX = readI16(bone + boneAngleX);
            angleY = readI16(bone + boneAngleY);
            angleZ = readI16(bone + boneAngleZ);
            placeBone(bone, pointArray, &matrixTable[i], origin);
            placed(i, origin);
        } else if (type == boneTypeUnsupported) {
            bodyFatal(fatalBoneTypeMessage);
        }
        // Any other type: the bone's matrix and points keep what they held.
    }
    return table + count * boneRecordBytes;
}
