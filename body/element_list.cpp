// element_list.cpp: the element pass: polygons, lines and spheres converted into elementBuffer
// and listed in renderList (all polygons, then all lines, then all spheres).
// Trusts the body: checkBodyForFrames has bounded the records, the normal numbers and the room
// both structures need.
#include "support/little_endian.h"
#include "body/body.h"

namespace {

// The stored offset's point index, read as polygonOffsetsSigned and body_format.h say.
inline uint16_t unsignedIndex(const uint8_t* offset) { return pointIndexOf(readI16(offset), false); }
inline uint16_t signedIndex(int16_t offset) { return pointIndexOf(offset, true); }

}  // namespace

void buildElementList(const uint8_t* elements)
{
    const uint8_t* in = elements;
    uint8_t* out = elementBuffer;
    RenderEntry* entry = renderList;

    const int32_t polygonCount = readI16(in);
    in += 2;
    for (int32_t i = 0; i < polygonCount; ++i) {
        const uint8_t type = in[0];
        const int32_t vertices = in[1];
        const uint16_t colour = readU16(in + 2);
        in += polygonHeaderBytes;
        out[1] = static_cast<uint8_t>(vertices);
        uint8_t* slot = out + polygonHeaderBytes;
        if (type >= renderTypeVertexShaded) {
            out[0] = static_cast<uint8_t>(type - 2);
            writeU16(out + 2, colour);
            for (int32_t v = 0; v < vertices; ++v, in += 4, slot += polygonSlotBytes) {
                // 16-bit sum, not clamped: the drawing uses its low byte.
                writeU16(slot, static_cast<uint16_t>(colour + shadeTable[readU16(in)]));
                writeU16(slot + 2, unsignedIndex(in + 2));
            }
        } else if (type >= renderTypeShaded) {
            out[0] = static_cast<uint8_t>(type - 7);
            writeU16(out + 2, static_cast<uint16_t>(colour + shadeTable[readI16(in)]));
            in += 2;
            for (int32_t v = 0; v < vertices; ++v, in += 2, slot += polygonSlotBytes) {
                writeU16(slot + 2, signedIndex(readI16(in)));
            }
        } else {
            out[0] = static_cast<uint8_t>(type - 2);  // 0 and 1 become 254 and 255
            writeU16(out + 2, colour);
            for (int32_t v = 0; v < vertices; ++v, in += 2, slot += polygonSlotBytes) {
                writeU16(slot + 2, unsignedIndex(in));
            }
        }
        entry->kind = renderKindPolygon;
        entry->record = out;
        ++entry;
        out = slot;
    }
    renderCount = polygonCount;

    const int32_t lineCount = readI16(in);
    in += 2;
    renderCount += lineCount;
    for (int32_t i = 0; i < lineCount; ++i, in += lineRecordBytes) {
        const int16_t first = readI16(in + 4);
        const int16_t second = readI16(in + 6);
        if (first % pointBytes != 0) bodyFatal(fatalLineEndMessage);
        if (second % pointBytes != 0) bodyFatal(fatalLineEndMessage);
        writeU32(out, readU32(in));
        writeU16(out + 4, signedIndex(first));
        writeU16(out + 6, signedIndex(second));
        entry->kind = renderKindLine;
        entry->record = out;
        ++entry;
        out += lineConvertedBytes;
    }

    const int32_t sphereCount = readI16(in);
    in += 2;
    renderCount += sphereCount;
    for (int32_t i = 0; i < sphereCount; ++i, in += sphereRecordBytes) {
        writeU32(out, readU32(in));
        writeU16(out + 4, readU16(in + 4));
        writeU16(out + 6, signedIndex(readI16(in + 6)));
        entry->kind = renderKindSphere;
        entry->record = out;
        ++entry;
        out += sphereConvertedBytes;
    }
}
