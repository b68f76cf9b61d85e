// import_test_support.h: what the import tests share: glTF files written by hand, imports run
// in process, and a body's behaviour over frames, the way 'orvane dump' shows it.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "body/body_builder.h"
#include "exchange/model_import.h"

using Bytes = std::vector<uint8_t>;

// A GLB container around `json` and `bin` (each padded as the container wants).
Bytes glbOf(const std::string& json, const Bytes& bin);

// Little-endian floats, u16 and u32 values, for hand-made buffers.
void putFloats(Bytes& out, std::initializer_list<float> values);
void putU16s(Bytes& out, std::initializer_list<uint16_t> values);

// Two bones (a root and a child turned about y), a normal each, a polygon of each layout
// family, a translucent one, a line and a sphere.
BodyBuilder smallBody();

// The demo palette as the importer takes it.
const uint8_t (*demoPaletteColours())[3];

// The body exported at `autoAngle` with the demo palette, as .glb (or .gltf when `json`); empty
// when it cannot be posed.
Bytes exported(const Bytes& body, bool json = false, int32_t autoAngle = 0);

// A GLB taken apart for editing, and put back together.
struct Glb {
    nlohmann::json json;
    Bytes bin;
    explicit Glb(const Bytes& glb);
    Bytes bytes() const { return glbOf(json.dump(), bin); }
    // Where element `i`'s geometry lies: primitive, first vertex.
    std::pair<int, int> elementAt(size_t i) const;
    // The float at `component` of element `element` of accessor `accessor`.
    float& floatAt(int accessor, int element, int component);
    int attribute(int primitive, const char* name) const
    {
        return json["meshes"][0]["primitives"][primitive]["attributes"][name].get<int>();
    }
};

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
    bool operator==(const PointXYZ&) const = default;
};
std::vector<PointXYZ> firstFramePoints(const Bytes& body);

// The stored records a test looks at.
struct BodyBone {
    int16_t firstPoint, pointCount, basePoint, parent;
    uint16_t type;
    int16_t angleX, angleY, angleZ;
    bool operator==(const BodyBone&) const = default;
};
struct BodyPolygon {
    uint8_t type;
    uint16_t colour;
    std::vector<int> points;  // indices
    bool operator==(const BodyPolygon&) const = default;
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
// The distinct colours of the body's polygons.
std::set<int> coloursOf(const BodyParts& parts);
// Where lit faces keep each palette entry: low in its ramp, so that the shades stay in it.
std::set<int> litColours(const std::set<int>& entries);
