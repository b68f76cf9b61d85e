// body_format.h: the stored body format, defined once: the header, the records and their
// fields, the converted records the element pass writes, the fixed tables' room a body must
// keep, which point offsets are signed, and the model's scale.
#pragma once

#include <cstdint>

// --- format ---------------------------------------------------------------------------------
inline constexpr int bodyFlagsOffset = 0;
inline constexpr uint16_t bodyFlagConvertParents = 2;  // parent fields stored as 38*k
inline constexpr int bodyExtensionSizeOffset = 14;
inline constexpr int bodyHeaderBytes = 16;      // the data section starts at 16 + extension size
inline constexpr int bodyFrameDataOffset = 26;  // where the frame loop always takes it

inline constexpr int pointBytes = 6;
inline constexpr int boneRecordBytes = 38;
inline constexpr int boneFirstPoint = 0;
inline constexpr int bonePointCount = 2;
inline constexpr int boneBasePoint = 4;
inline constexpr int boneParent = 6;
inline constexpr int boneType = 8;
inline constexpr int boneAngleX = 10;
inline constexpr int boneAngleY = 12;
inline constexpr int boneAngleZ = 14;
inline constexpr int boneNormalCount = 18;
// Bytes 16-17 and 20-37 of a bone record play no part in a frame; they are carried along as stored.
inline constexpr int boneReservedBytes = 20;
inline constexpr int boneReservedLowAt = 16;  // 2 bytes before the normal count
inline constexpr int boneReservedLowBytes = 2;
inline constexpr int boneReservedHighAt = 20;  // the 18 bytes after it
inline constexpr uint16_t boneTypeRotation = 0;
inline constexpr uint16_t boneTypeUnsupported = 1;  // fatal among bones 1 and up
inline constexpr int normalRecordBytes = 8;
inline constexpr int lineRecordBytes = 8;
inline constexpr int sphereRecordBytes = 8;
inline constexpr int polygonHeaderBytes = 4;
// A polygon's stored render type picks its layout after the 4-byte header (type, vertex count,
// colour): below 7 one point offset per vertex; 7 and 8 one normal number for the polygon,
// then the offsets; 9 and up a (normal number, point offset) pair per vertex.
inline constexpr uint8_t renderTypeShaded = 7;
inline constexpr uint8_t renderTypeVertexShaded = 9;
inline constexpr int32_t storedPolygonBytes(uint8_t renderType, int32_t vertices)
{
    return polygonHeaderBytes + (renderType >= renderTypeVertexShaded ? 4 * vertices
                                 : renderType >= renderTypeShaded     ? 2 + 2 * vertices
                                                                      : 2 * vertices);
}

// Point offsets are stored as 16-bit words. Those of shaded polygons (types 7 and 8), line ends
// and sphere centres are read signed, the division truncating toward zero; polygons of the
// other types read theirs unsigned. Either way the index keeps its low 16 bits.
inline constexpr bool polygonOffsetsSigned(uint8_t renderType)
{
    return renderType >= renderTypeShaded && renderType < renderTypeVertexShaded;
}
inline constexpr uint16_t pointIndexOf(int16_t storedOffset, bool signedOffset)
{
    return signedOffset ? static_cast<uint16_t>(storedOffset / pointBytes)
                        : static_cast<uint16_t>(static_cast<uint16_t>(storedOffset) / pointBytes);
}
// Points that a signed offset can name: 6 x 5462 no longer fits in 16 signed bits.
inline constexpr int signedOffsetPointRoom = 32767 / pointBytes + 1;

// --- converted records in elementBuffer (their layouts and reader: render_records.h) ----------
inline constexpr int polygonSlotBytes = 4;
inline constexpr int lineConvertedBytes = 12;
inline constexpr int sphereConvertedBytes = 8;

// --- the fatal body-format conditions' messages (printed with a newline on standard output) -----
inline constexpr const char* fatalFirstPointMessage = "Error: rs1V1";
inline constexpr const char* fatalAngleZMessage = "renderS1S1 -> unhandled maintTab[14] rotation";
inline constexpr const char* fatalBoneTypeMessage = "renderM1";
inline constexpr const char* fatalLineEndMessage = "lineDataPtr reference is malformed !";

// --- tables and their fixed room ---------------------------------------------------------------
inline constexpr int transformedPointRoom = 8000;
inline constexpr int matrixBytes = 36;
inline constexpr int matrixTableBytes = 200000;
inline constexpr int matrixRoom = matrixTableBytes / matrixBytes;  // 5,555
inline constexpr int shadeRoom = 500;
inline constexpr int elementBufferBytes = 500000;
inline constexpr int renderListRoom = 5000;

// Model units to OpenGL units: a model unit is 0.0025 of the view's unit.
inline constexpr float modelToGlScale = 0.0025f;

struct Point16 {
    int16_t x, y, z;
};
