// shading.cpp: the shade pass: each normal turned by its bone's matrix and measured against the light.
// Trusts the body: checkBodyForFrames has bounded the records and their total (at most 500).
#include "support/little_endian.h"
#include "body/body.h"
#include "body/fixed_point.h"

const uint8_t* computeShades(const uint8_t* normals, const uint8_t* bones, int boneCount)
{
    const uint8_t* record = normals + 2;
    shadeCount = 0;
    if (readI16(normals) == 0) return record;  // the shade table keeps what it held

    int32_t w = 0;
    for (int32_t i = 0; i < boneCount; ++i) {
        const int32_t k = readI16(bones + i * boneRecordBytes + boneNormalCount);
        if (k <= 0) continue;  // a negative count announces no records
        // The light-scaled matrix, once per bone; wraps like every other product.
        const Matrix& m = matrixTable[i];
        uint32_t s[9];
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) s[r * 3 + c] = wrapMul(m.m[r * 3 + c], lightVector[r]);
        }
        const uint32_t sx = s[0] + s[3] + s[6];
        const uint32_t sy = s[1] + s[4] + s[7];
        const uint32_t sz = s[2] + s[5] + s[8];
        for (int32_t j = 0; j < k; ++j, record += normalRecordBytes) {
            const uint32_t nx = static_cast<uint32_t>(readI16(record));
            const uint32_t ny = static_cast<uint32_t>(readI16(record + 2));
            const uint32_t nz = static_cast<uint32_t>(readI16(record + 4));
            const int32_t divisor = readU16(record + 6);
            // The nine products summed modulo 2^32 equal the column sums times n modulo 2^32.
            const int32_t v = static_cast<int32_t>(sx * nx + sy * ny + sz * nz);
            int32_t shade = 0;
            // A divisor of 0 gives shade 0: the surface keeps its stored colour.
            if (v > 0 && divisor != 0) shade = (v >> fixedShift) / divisor;
            shadeTable[w++] = static_cast<uint16_t>(shade);
        }
    }
    shadeCount = w;
    return record;
}
