// body_codec.h: a stored body as typed records, and back. The one reader and writer of the
// stored layout outside the per-frame passes (which read the bytes in place): the builder, the
// importers and the exporter all go through it.
//
//     StoredBody stored;
//     if (const Fault fault = decodeBody(bytes, size, &stored)) report(fault.reason);
//     stored.bones[1].angleY = 128;
//     std::vector<uint8_t> edited = encodeBody(stored);
//
// Decoding walks the sections as a frame does, from byte 26: points, bones, normals, polygons,
// lines, spheres. It checks sizes only, never meaning (a fatal or out-of-range field decodes as
// stored), so encodeBody(decoded) gives back the very bytes decoded, header and tail included.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "body/body_format.h"
#include "support/fault.h"

// Fields as stored (parent fields as the flags name them: 38*k, or 36*k once prepared).
struct BoneRecord {
    int16_t firstPoint = 0;  // byte offset in the point array
    int16_t pointCount = 0;
    int16_t basePoint = 0;  // byte offset of the parent's point that is this bone's origin
    int16_t parent = -1;    // -1, or the byte offset named by the flags (38*k or 36*k)
    uint16_t type = boneTypeRotation;
    int16_t angleX = 0, angleY = 0, angleZ = 0;
    int16_t normalCount = 0;
    std::array<uint8_t, boneReservedBytes> reserved{};  // bytes 16-17, then 20-37
};

struct NormalRecord {
    int16_t x = 0, y = 0, z = 0;
    uint16_t divisor = 1;
};

// The vertex count is offsets.size() (at most 255).
struct PolygonRecord {
    uint8_t renderType = 0;
    uint16_t colour = 0;
    int16_t normal = 0;             // types 7 and 8: the polygon's normal number
    std::vector<int16_t> offsets;   // point offsets as stored; polygonOffsetsSigned says how they read
    std::vector<uint16_t> normals;  // types 9 and up: a normal number per vertex
};

struct LineRecord {
    uint32_t attributes = 0;        // byte 1: the palette index
    int16_t first = 0, second = 0;  // point offsets
};

struct SphereRecord {
    uint32_t attributes = 0;  // byte 1: the palette index
    int16_t radius = 0;
    int16_t centre = 0;  // point offset
};

struct StoredBody {
    std::vector<uint8_t> header;  // the bytes before the data section (decoded: 26)
    std::vector<Point16> points;
    std::vector<BoneRecord> bones;
    // 0: no normal records follow, whatever the bones announce. Otherwise the records follow,
    // as many as the bones' positive normal counts add up to, in bone order.
    int16_t normalTotal = 0;
    std::vector<NormalRecord> normals;
    std::vector<PolygonRecord> polygons;
    std::vector<LineRecord> lines;
    std::vector<SphereRecord> spheres;
    std::vector<uint8_t> tail;  // whatever follows the sphere section
};

// Counts written in place of the true ones, for hostile test bodies.
struct StoredCounts {
    std::optional<int16_t> points, bones, polygons, lines, spheres;
};

// Reads the records of `size` bytes at `bytes`. Fails, naming the section, when a count is
// negative or a section runs past the end. Work and memory grow with `size` only.
Fault decodeBody(const uint8_t* bytes, size_t size, StoredBody* out);

// The stored bytes of `body`: its header, each section's count and records, its tail. A list
// longer than its count field can say, or a polygon of more than 255 vertices, keeps the low
// bits of its count: the caller keeps within the format (the importers refuse such bodies).
std::vector<uint8_t> encodeBody(const StoredBody& body, const StoredCounts& counts = {});

// How many normal records the normal section holds for these bones and this total.
int64_t normalRecordCount(const std::vector<BoneRecord>& bones, int16_t normalTotal);
