// prepare_body.cpp: the one-time rewrite of a loaded body's parent fields (38*k into 36*k).
// Not idempotent: run it exactly once per loaded buffer, after checkBodyForPreparation.
#include "support/little_endian.h"
#include "body/body.h"

void prepareBody(uint8_t* body)
{
    if ((readU16(body + bodyFlagsOffset) & bodyFlagConvertParents) == 0) return;
    // The data section is found through the extension size here, unlike in the frame loop.
    uint8_t* data = body + bodyHeaderBytes + readI16(body + bodyExtensionSizeOffset);
    const int32_t pointCount = readI16(data);
    uint8_t* boneSection = data + 2 + pointBytes * pointCount;
    const int32_t boneCount = readI16(boneSection);
    uint8_t* bones = boneSection + 2;
    // The root keeps its field; every other bone's -1 becomes 0 ((-36) / 38 truncates).
    for (int32_t i = 1; i < boneCount; ++i) {
        uint8_t* field = bones + i * boneRecordBytes + boneParent;
        const int32_t parent = readI16(field);
        writeU16(field, static_cast<uint16_t>(parent * matrixBytes / boneRecordBytes));
    }
}
