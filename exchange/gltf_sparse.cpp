// gltf_sparse.cpp: the sparse indices and values, each read from its own buffer view.
#include "exchange/gltf_sparse.h"

#include "support/little_endian.h"

namespace {

// Where the part (indices or values) starts in its buffer view, with `need` bytes there.
Fault viewBytes(const GltfDocument& doc, const GltfJson& part, int64_t need, const char* what, const uint8_t** out)
{
    int64_t viewIndex = 0, offset = 0, length = 0;
    if (!gltfInteger(part, "bufferView", &viewIndex)) return faultOf("sparse %s: no bufferView", what);
    if (gltfField(part, "byteOffset") != nullptr && (!gltfInteger(part, "byteOffset", &offset) || offset < 0)) {
        return faultOf("sparse %s: bad byteOffset", what);
    }
    const uint8_t* bytes = nullptr;
    if (const Fault f = gltfBufferView(doc, viewIndex, &bytes, &length)) return f;
    if (offset > length || need > length - offset)
        return faultOf("sparse %s run past the end of buffer view %lld", what, static_cast<long long>(viewIndex));
    *out = bytes + offset;
    return noFault();
}

}  // namespace

Fault readSparse(const GltfDocument& doc, int64_t index, const GltfJson& sparse, int64_t count, int elementBytes,
                 std::vector<SparseElement>* out)
{
    out->clear();
    const auto fail = [index](const Fault& f) { return withContext(("accessor " + std::to_string(index)).c_str(), f); };
    int64_t replaced = 0;
    if (!gltfInteger(sparse, "count", &replaced) || replaced < 1)
        return fail(faultOf("sparse count missing or below 1"));
    if (replaced > count)
        return fail(faultOf("sparse count %lld above the accessor's %lld elements", static_cast<long long>(replaced),
                            static_cast<long long>(count)));
    const GltfJson* indices = gltfField(sparse, "indices");
    const GltfJson* values = gltfField(sparse, "values");
    if (indices == nullptr || values == nullptr) return fail(faultOf("sparse without indices or values"));
    int64_t type = 0;
    if (!gltfInteger(*indices, "componentType", &type) || (type != 5121 && type != 5123 && type != 5125)) {
        return fail(faultOf("sparse indices: bad componentType"));
    }
    const int step = type == 5121 ? 1 : type == 5123 ? 2 : 4;
    const uint8_t* at = nullptr;
    const uint8_t* from = nullptr;
    if (const Fault f = viewBytes(doc, *indices, replaced * step, "indices", &at)) return fail(f);
    if (const Fault f = viewBytes(doc, *values, replaced * elementBytes, "values", &from)) return fail(f);
    out->reserve(static_cast<size_t>(replaced));
    for (int64_t i = 0; i < replaced; ++i) {
        const uint8_t* p = at + i * step;
        const int64_t element = step == 1 ? p[0] : step == 2 ? readU16(p) : readU32(p);
        if (element >= count)
            return fail(faultOf("sparse index %lld beyond the %lld elements", static_cast<long long>(element),
                                static_cast<long long>(count)));
        if (!out->empty() && element <= out->back().element)
            return fail(faultOf("sparse indices do not rise strictly"));
        out->push_back({element, from + i * elementBytes});
    }
    return noFault();
}
