// gltf_sparse.h: a glTF accessor's sparse part: the elements it replaces, each checked against
// the bytes that exist, for the accessor reader to decode over its dense values.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "exchange/gltf_document.h"

struct SparseElement {
    int64_t element = 0;             // which element of the accessor it replaces
    const uint8_t* bytes = nullptr;  // its new value, elementBytes long, in the accessor's component type
};

// Reads `sparse` (the accessor's "sparse" object) of accessor `index`, whose elements number
// `count` and take `elementBytes` bytes each. The indices must rise strictly and stay below
// `count`; their number may not exceed `count`.
Fault readSparse(const GltfDocument& doc, int64_t index, const GltfJson& sparse, int64_t count, int elementBytes,
                 std::vector<SparseElement>* out);
