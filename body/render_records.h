// render_records.h: the one reader of the converted records the element pass leaves in
// elementBuffer, for everything that draws, picks, dumps, exports or counts them.
//
//     for (int32_t i = 0; i < renderEntryCount(); ++i) {
//         if (renderList[i].kind == renderKindPolygon) use(ConvertedPolygon{renderList[i].record});
//     }
//
// The layouts (little-endian u16 fields):
// polygon: draw type u8, vertex count u8, colour u16, then per vertex a 4-byte slot holding the
//          vertex colour (stored render types 9 and up only) and the point index;
// line:    attributes u32 (byte 1 the palette index), first end u16, second end u16, 4 unused;
// sphere:  attributes u32 (byte 1 the palette index), radius i16, centre u16.
#pragma once

#include <cstdint>

#include "body/body.h"
#include "support/little_endian.h"

// The draw type of a translucent polygon (stored render type 5).
inline constexpr uint8_t drawTypeTranslucent = 3;

// Entries of renderList to draw: renderCount held to the list's room (a hostile count never
// reaches past it).
inline int32_t renderEntryCount()
{
    return renderCount < 0 ? 0 : (renderCount > renderListRoom ? renderListRoom : renderCount);
}

struct ConvertedPolygon {
    const uint8_t* record;

    uint8_t drawType() const { return record[0]; }
    int vertexCount() const { return record[1]; }
    uint16_t colour() const { return readU16(record + 2); }
    uint16_t vertexColour(int vertex) const { return readU16(record + polygonHeaderBytes + polygonSlotBytes * vertex); }
    uint16_t point(int vertex) const { return readU16(record + polygonHeaderBytes + polygonSlotBytes * vertex + 2); }
};

struct ConvertedLine {
    const uint8_t* record;

    uint32_t attributes() const { return readU32(record); }
    uint8_t paletteIndex() const { return record[1]; }
    uint16_t first() const { return readU16(record + 4); }
    uint16_t second() const { return readU16(record + 6); }
};

struct ConvertedSphere {
    const uint8_t* record;

    uint32_t attributes() const { return readU32(record); }
    uint8_t paletteIndex() const { return record[1]; }
    int16_t radius() const { return readI16(record + 4); }
    uint16_t centre() const { return readU16(record + 6); }
};

// In place, for a pass that repaints the list: a polygon's draw type, vertex count and colour;
// a line's or sphere's palette index.
inline void rewritePolygon(uint8_t* record, uint8_t drawType, uint8_t vertexCount, uint16_t colour)
{
    record[0] = drawType;
    record[1] = vertexCount;
    writeU16(record + 2, colour);
}
inline void rewritePaletteIndex(uint8_t* record, uint8_t index) { record[1] = index; }
