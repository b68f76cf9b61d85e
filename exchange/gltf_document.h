// gltf_document.h: reads a glTF 2.0 file (.glb or .gltf) into its JSON and buffers, and reads its
// accessors with every offset, stride and count checked against the bytes that exist.
//
// Nothing here throws: the JSON is parsed without exceptions and every field is read through
// the typed helpers below, which say "missing" instead of guessing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/fault.h"

using GltfJson = nlohmann::json;

// Largest count of elements an accessor may announce; larger ones are refused before any
// allocation (a body holds at most 8,000 points, so real models stay far below it).
inline constexpr int64_t gltfAccessorCountLimit = 1 << 22;
// Largest model file, with every buffer it holds or names, that the importer reads.
inline constexpr int64_t gltfFileSizeLimit = int64_t{64} << 20;
// Accessor values the importer decodes, beyond one per byte of the file and its buffers: every
// read counts, so that a file naming one accessor again and again (from many primitives or
// nodes) costs in proportion to its size.
inline constexpr int64_t gltfDecodeAllowance = int64_t{1} << 18;

struct GltfDocument {
    GltfJson json;
    std::vector<std::vector<uint8_t>> buffers;  // each exactly its declared byteLength
    std::string folder;                         // where files it names are read from; empty: none are
    // Reads after parsing (accessors, pictures) draw on these, so they may change on a const one.
    mutable std::vector<std::string> files;  // the files beside the model that were read
    mutable int64_t decodeRoom = 0;          // values the accessor reads may still decode
    mutable int64_t fileRoom = 0;            // bytes the files it names may still add
};

// Parses `bytes` (a GLB container or JSON text). Buffers come from the GLB's BIN chunk, from
// base64 data URIs, or from plain file names in `folder` (empty: external buffers refused).
// A URI that names another folder is refused, never opened.
Fault readGltf(const std::vector<uint8_t>& bytes, const std::string& folder, GltfDocument* out);

// The bytes a URI names: a base64 data URI, or a plain file name in the document's folder, read
// whole within what the importer may still hold and added to the document's files.
Fault gltfUriBytes(const GltfDocument& doc, const std::string& uri, std::vector<uint8_t>* out);

// Where buffer view `index` lies, checked against its buffer.
Fault gltfBufferView(const GltfDocument& doc, int64_t index, const uint8_t** bytes, int64_t* length);

// --- typed reads of JSON fields (no exceptions) -----------------------------------------------
const GltfJson* gltfField(const GltfJson& object, const char* name);         // null when absent
bool gltfInteger(const GltfJson& object, const char* name, int64_t* value);  // false when absent or not an integer
const GltfJson* gltfArray(const GltfJson& object, const char* name);         // null unless an array
// The element `index` of the top-level array `name` (e.g. "nodes"), null when out of range.
const GltfJson* gltfItem(const GltfDocument& doc, const char* name, int64_t index);

// An accessor's elements as doubles, `components` per element (1 SCALAR ... 16 MAT4),
// normalised integer types mapped to 0..1 (or -1..1) as glTF says. NaN and infinities are
// refused. `allowed` lists the accepted component counts (e.g. {3} for positions).
struct AccessorValues {
    int components = 0;
    int64_t count = 0;
    std::vector<double> values;  // count * components
    double at(int64_t element, int component) const
    {
        return values[static_cast<size_t>(element * components + component)];
    }
};
Fault readAccessor(const GltfDocument& doc, int64_t index, std::initializer_list<int> allowed, AccessorValues* out);

// An accessor of unsigned integers (indices, joints); float types are refused.
Fault readIndexAccessor(const GltfDocument& doc, int64_t index, std::initializer_list<int> allowed,
                        std::vector<uint32_t>* out, int* components = nullptr);
