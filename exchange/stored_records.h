// stored_records.h: a body's bone, normal and element records as they are stored, the fields
// geometry cannot carry through another tool. The exporter fills them from the body and writes
// them into the glTF's extras; the importer reads them back from there.
#pragma once

#include <cstdint>
#include <vector>

struct StoredBone {
    int16_t firstPoint = 0, pointCount = 0, basePoint = 0, parent = 0;
    uint16_t type = 0;
    int16_t angleX = 0, angleY = 0, angleZ = 0;
    int16_t normalCount = 0;
    uint8_t reserved[20] = {};  // bytes 16-17 and 20-37, carried along unexamined
    int joint = -1;              // its joint (glTF: its skin joint), or -1 for a bone the skeleton pass skips
};

struct StoredNormal {
    int16_t x = 0, y = 0, z = 0;
    uint16_t divisor = 0;
    int bone = 0;  // whose matrix turns it
};

struct StoredElement {
    enum Kind { polygon, line, sphere } kind = polygon;
    // polygon
    uint8_t type = 0;              // render type
    uint16_t colour = 0;           // colour field
    int16_t polygonNormal = 0;     // types 7 and 8
    std::vector<uint16_t> normals; // types 9 and up, per vertex
    // every kind: point offsets (polygon: per vertex; line: both ends; sphere: centre)
    std::vector<int16_t> offsets;
    // line and sphere
    uint32_t attributes = 0;
    int16_t radius = 0;
};
