// import_test_support.h: what the import tests share: glTF files written by hand, imports run
// in process, and a body's behaviour over frames, the way 'orvane dump' shows it.
#pragma once

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

// The transformed points of the first frame (auto-angle 2).
struct PointXYZ {
    int x, y, z;
};
std::vector<PointXYZ> firstFramePoints(const Bytes& body);
