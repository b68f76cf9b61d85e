// import_test_support.h: what the import tests share: glTF files written by hand, imports run
// in process, and a body's behaviour over frames, the way 'orvane dump' shows it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "exchange/model_import.h"

using Bytes = std::vector<uint8_t>;

// A GLB container around `json` and `bin` (each padded as the container wants).
Bytes glbOf(const std::string& json, const Bytes& bin);

// Little-endian floats, u16 and u32 values, for hand-made buffers.
void putFloats(Bytes& out, std::initializer_list<float> values);
void putU16s(Bytes& out, std::initializer_list<uint16_t> values);

// The demo palette as the importer takes it.
const uint8_t (*demoPaletteColours())[3];

// Imports `bytes` of `format` with the demo palette (no files beside it). The fault's reason, or
// "" on success.
std::string importBytes(const Bytes& bytes, ModelFormat format, ModelImport* out, double scale = 0);

// The body's points, shades and render list over `frames` frames with auto-rotation, from a
// fresh pipeline state, as one comparable text (what 'orvane dump --auto-rotate' prints).
// A fatal condition ends it with the message.
std::string behaviourOf(const Bytes& body, int frames = 3);

// The transformed points of the first frame at auto-angle 0 (the pose the model was in).
struct PointXYZ {
    int x, y, z;
};
std::vector<PointXYZ> firstFramePoints(const Bytes& body);

// The stored records a test looks at.
struct BodyBone {
    int16_t firstPoint, pointCount, basePoint, parent;
    uint16_t type;
    int16_t angleX, angleY, angleZ;
};
struct BodyPolygon {
    uint8_t type;
    uint16_t colour;
    std::vector<int> points;  // indices
};
struct BodyParts {
    std::vector<PointXYZ> points;  // as stored
    std::vector<BodyBone> bones;
    int normals = 0;
    std::vector<BodyPolygon> polygons;
    std::vector<std::array<int, 3>> lines;  // colour, first end, second end (indices)
};
// Reads a well-formed body (as the importer writes them); empty parts when it is not one.
BodyParts partsOf(const Bytes& body);
