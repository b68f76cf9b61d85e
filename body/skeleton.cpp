// skeleton.cpp: the skeleton pass: bone matrices into matrixTable, points into transformedPoints.
// Trusts the body: checkBodyForFrames has made sure every offset and count stays in bounds.
#include "support/little_endian.h"
#include "body/body.h"
#include "body/fixed_point.h"
#include "body/skeleton_walk.h"

void rotateMatrix(Matrix* dest, const Matrix* src)
{
    const Matrix* work = src;
    if (angleX != 0) {
        const int32_t s = sinOf(angleX);
        const int32_t c = cosOf(angleX);
        // Each row depends on itself only; reading it whole first makes dest == src safe.
        for (int r = 0; r < 3; ++r) {
            const int32_t a0 = src->m[r * 3 + 0];
            const int32_t a1 = src->m[r * 3 + 1];
            const int32_t a2 = src->m[r * 3 + 2];
            dest->m[r * 3 + 0] = a0;
            dest->m[r * 3 + 1] = shiftDown(wrapMul(a1, c) + wrapMul(a2, s));
            dest->m[r * 3 + 2] = shiftDown(wrapMul(a2, c) - wrapMul(a1, s));
        }
        work = dest;
    }
    if (angleZ != 0) bodyFatal(fatalAngleZMessage);
    if (angleY != 0) {
        const int32_t s = sinOf(angleY);
        const int32_t c = cosOf(angleY);
        for (int r = 0; r < 3; ++r) {
            const int32_t w0 = work->m[r * 3 + 0];
            const int32_t w1 = work->m[r * 3 + 1];
            const int32_t w2 = work->m[r * 3 + 2];
            dest->m[r * 3 + 0] = shiftDown(wrapMul(w0, c) - wrapMul(w2, s));
            dest->m[r * 3 + 1] = w1;
            dest->m[r * 3 + 2] = shiftDown(wrapMul(w2, c) + wrapMul(w0, s));
        }
    } else if (work != dest) {
        *dest = *work;
    }
}

void transformPoints(const uint8_t* points, int32_t count, Point16* out, const Matrix* matrix, const int32_t origin[3])
{
    const int32_t m00 = matrix->m[0], m01 = matrix->m[1], m02 = matrix->m[2];
    const int32_t m10 = matrix->m[3], m11 = matrix->m[4], m12 = matrix->m[5];
    const int32_t m20 = matrix->m[6], m21 = matrix->m[7], m22 = matrix->m[8];
    const int32_t ox = origin[0], oy = origin[1], oz = origin[2];
    for (int32_t i = 0; i < count; ++i, points += pointBytes) {
        const int32_t x = readI16(points);
        const int32_t y = readI16(points + 2);
        const int32_t z = readI16(points + 4);
        out[i].x = low16(wrapAdd(shiftDown(wrapMul(m00, x) + wrapMul(m01, y) + wrapMul(m02, z)), ox));
        out[i].y = low16(wrapAdd(shiftDown(wrapMul(m10, x) + wrapMul(m11, y) + wrapMul(m12, z)), oy));
        out[i].z = low16(wrapAdd(shiftDown(wrapMul(m20, x) + wrapMul(m21, y) + wrapMul(m22, z)), oz));
    }
}

void processBone(const uint8_t* bone, const uint8_t* pointArray, Matrix* dest)
{
    int32_t origin[3];
    placeBone(bone, pointArray, dest, origin);
}

const uint8_t* transformSkeleton(const uint8_t* data, const uint8_t** bones, int* boneCount)
{
    return walkSkeleton(data, bones, boneCount, [](int32_t, const int32_t*) {});
}
