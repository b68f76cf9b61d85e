// gltf_document.cpp: a glTF file's JSON and buffers (binary chunk, data URIs, files beside the
// model) and bounds-checked accessor reads.
#include "exchange/gltf_document.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "exchange/base64.h"
#include "exchange/glb.h"
#include "exchange/gltf_format.h"
#include "exchange/gltf_sparse.h"
#include "support/file_io.h"
#include "support/little_endian.h"

namespace {

Fault parseJson(const uint8_t* text, size_t size, GltfJson* out)
{
    *out = GltfJson::parse(text, text + size, nullptr, false);
    if (out->is_discarded()) return faultOf("not valid JSON");
    if (!out->is_object()) return faultOf("the JSON is not an object");
    return noFault();
}

// A file name in the model's own folder: no separators, no parent or hidden path tricks.
bool plainFileName(const std::string& uri)
{
    if (uri.empty() || uri == "." || uri == "..") return false;
    for (const char c : uri) {
        if (c == '/' || c == '\\' || c == ':' || c == '%' || c == '\0') return false;
    }
    return true;
}

// The bytes `text` names: a base64 data URI, or a plain file name in `folder`, read only if
// it is really there: exactly `length` bytes when that is 0 or more, else the whole file up to
// `room`. A file read is added to *files.
Fault uriBytes(const std::string& text, const std::string& folder, int64_t length, int64_t room,
               std::vector<uint8_t>* out, std::vector<std::string>* files)
{
    if (isDataUri(text)) {
        const DataUriStatus status = decodeBase64DataUri(text, out);
        if (status == DataUriStatus::notBase64) return faultOf("a data URI that is not base64");
        if (status == DataUriStatus::badBase64) return faultOf("bad base64 in its data URI");
        return noFault();
    }
    if (!plainFileName(text)) return faultOf("uri '%.60s' points outside the model's folder", text.c_str());
    if (folder.empty()) return faultOf("external file '%.60s' not allowed here", text.c_str());
    std::string path;
    const Fault f =
        length >= 0 ? readFileInFolder(folder, text, static_cast<size_t>(length), out, &path)
                    : readWholeFileInFolder(folder, text, static_cast<size_t>(std::max<int64_t>(room, 0)), out, &path);
    if (!path.empty()) files->push_back(path);
    if (f) return faultOf("%.60s: %s", text.c_str(), f.reason);
    return noFault();
}

// Buffer `index`, exactly its byteLength; `room` is what the importer may still hold.
Fault loadBuffer(const GltfJson& buffer, int64_t index, const std::vector<uint8_t>* binChunk, const std::string& folder,
                 int64_t room, std::vector<uint8_t>* out, std::vector<std::string>* files)
{
    int64_t length = 0;
    if (!gltfInteger(buffer, "byteLength", &length) || length < 0)
        return faultOf("buffer %lld: no valid byteLength", static_cast<long long>(index));
    if (length > room)
        return faultOf("buffer %lld: %lld bytes, more than the %lld MiB the importer reads in all",
                       static_cast<long long>(index), static_cast<long long>(length),
                       static_cast<long long>(gltfFileSizeLimit >> 20));
    const GltfJson* uri = gltfField(buffer, "uri");
    if (uri == nullptr) {
        if (index != 0 || binChunk == nullptr)
            return faultOf("buffer %lld: no data (no uri and no binary chunk)", static_cast<long long>(index));
        *out = *binChunk;
    } else {
        if (!uri->is_string()) return faultOf("buffer %lld: uri is not a string", static_cast<long long>(index));
        const std::string& text = uri->get_ref<const std::string&>();
        // A file beside the model: only the bytes the buffer declares.
        if (const Fault f = uriBytes(text, folder, length, 0, out, files))
            return withContext(("buffer " + std::to_string(index)).c_str(), f);
    }
    if (static_cast<int64_t>(out->size()) < length) {
        return faultOf("buffer %lld: %zu bytes, shorter than the declared %lld", static_cast<long long>(index),
                       out->size(), static_cast<long long>(length));
    }
    out->resize(static_cast<size_t>(length));
    out->shrink_to_fit();  // what is held is what is counted
    return noFault();
}

int componentBytes(int64_t type)
{
    switch (type) {
    case gltfByte:
    case gltfUnsignedByte:
        return 1;
    case gltfShort:
    case gltfUnsignedShort:
        return 2;
    case gltfUnsignedInt:
    case gltfFloat:
        return 4;
    default:
        return 0;
    }
}

int typeComponents(const std::string& type)
{
    if (type == "SCALAR") return 1;
    if (type == "VEC2") return 2;
    if (type == "VEC3") return 3;
    if (type == "VEC4") return 4;
    if (type == "MAT2") return 4;
    if (type == "MAT3") return 9;
    if (type == "MAT4") return 16;
    return 0;
}

// Where an accessor's elements lie: checked so that every element is inside its buffer.
struct AccessorLayout {
    const uint8_t* data = nullptr;      // null: every value is zero (no bufferView)
    std::vector<SparseElement> sparse;  // elements that replace the dense ones
    int64_t count = 0, stride = 0;
    int components = 0, componentType = 0, size = 0;
    bool normalized = false;
};

Fault sparseOf(const GltfDocument& doc, const GltfJson& accessor, int64_t index, AccessorLayout* out)
{
    const GltfJson* sparse = gltfField(accessor, "sparse");
    return sparse == nullptr ? noFault() : readSparse(doc, index, *sparse, out->count, out->size, &out->sparse);
}

Fault layoutOf(const GltfDocument& doc, int64_t index, std::initializer_list<int> allowed, AccessorLayout* out)
{
    const GltfJson* a = gltfItem(doc, "accessors", index);
    if (a == nullptr) return faultOf("accessor %lld does not exist", static_cast<long long>(index));
    int64_t componentType = 0, count = 0, byteOffset = 0;
    const GltfJson* type = gltfField(*a, "type");
    if (!gltfInteger(*a, "componentType", &componentType) || componentBytes(componentType) == 0) {
        return faultOf("accessor %lld: bad componentType", static_cast<long long>(index));
    }
    if (type == nullptr || !type->is_string() || typeComponents(type->get_ref<const std::string&>()) == 0) {
        return faultOf("accessor %lld: bad type", static_cast<long long>(index));
    }
    const int components = typeComponents(type->get_ref<const std::string&>());
    bool fits = false;
    for (const int c : allowed) fits |= c == components;
    if (!fits)
        return faultOf("accessor %lld: type %s not expected here", static_cast<long long>(index),
                       type->get_ref<const std::string&>().c_str());
    if (!gltfInteger(*a, "count", &count) || count < 0)
        return faultOf("accessor %lld: bad count", static_cast<long long>(index));
    if (count > gltfAccessorCountLimit) {
        return faultOf("accessor %lld: count %lld, more than the importer's limit %lld", static_cast<long long>(index),
                       static_cast<long long>(count), static_cast<long long>(gltfAccessorCountLimit));
    }
    if (gltfField(*a, "byteOffset") != nullptr && (!gltfInteger(*a, "byteOffset", &byteOffset) || byteOffset < 0)) {
        return faultOf("accessor %lld: bad byteOffset", static_cast<long long>(index));
    }
    const GltfJson* normalized = gltfField(*a, "normalized");
    out->normalized = normalized != nullptr && normalized->is_boolean() && normalized->get<bool>();
    out->components = components;
    out->componentType = static_cast<int>(componentType);
    out->size = componentBytes(componentType) * components;
    out->count = count;
    out->stride = out->size;
    out->data = nullptr;

    int64_t viewIndex = 0;
    if (!gltfInteger(*a, "bufferView", &viewIndex)) {
        if (gltfField(*a, "bufferView") != nullptr)
            return faultOf("accessor %lld: bad bufferView", static_cast<long long>(index));
        // All zeros, backed by no bytes of the file: kept small so a count alone cannot claim
        // memory, unless a sparse part (whose bytes are there) fills it.
        if (count > 65536 && gltfField(*a, "sparse") == nullptr) {
            return faultOf("accessor %lld: %lld elements without a buffer view", static_cast<long long>(index),
                           static_cast<long long>(count));
        }
        return sparseOf(doc, *a, index, out);
    }
    const GltfJson* view = gltfItem(doc, "bufferViews", viewIndex);
    if (view == nullptr)
        return faultOf("accessor %lld: buffer view %lld does not exist", static_cast<long long>(index),
                       static_cast<long long>(viewIndex));
    const uint8_t* viewBytes = nullptr;
    int64_t viewLength = 0, stride = 0;
    if (const Fault f = gltfBufferView(doc, viewIndex, &viewBytes, &viewLength)) return f;
    if (gltfField(*view, "byteStride") != nullptr) {
        if (!gltfInteger(*view, "byteStride", &stride) || stride < 4 || stride > 252)
            return faultOf("buffer view %lld: bad byteStride", static_cast<long long>(viewIndex));
        if (stride < out->size)
            return faultOf("buffer view %lld: byteStride %lld smaller than an element",
                           static_cast<long long>(viewIndex), static_cast<long long>(stride));
        out->stride = stride;
    }
    if (count > 0) {
        // byteOffset first: it is unbounded, and the span after it is measured from what is left.
        if (byteOffset > viewLength ||
            (count - 1) * out->stride + out->size > viewLength - byteOffset) {  // count is limited: no overflow
            return faultOf("accessor %lld: %lld elements run past the end of buffer view %lld",
                           static_cast<long long>(index), static_cast<long long>(count),
                           static_cast<long long>(viewIndex));
        }
    }
    out->data = viewBytes + byteOffset;
    return sparseOf(doc, *a, index, out);
}

double componentValue(const uint8_t* p, int type, bool normalized)
{
    switch (type) {
    case gltfByte: {
        const auto v = static_cast<int8_t>(p[0]);
        return normalized ? std::max(v / 127.0, -1.0) : v;
    }
    case gltfUnsignedByte:
        return normalized ? p[0] / 255.0 : p[0];
    case gltfShort: {
        const int16_t v = readI16(p);
        return normalized ? std::max(v / 32767.0, -1.0) : v;
    }
    case gltfUnsignedShort:
        return normalized ? readU16(p) / 65535.0 : readU16(p);
    case gltfUnsignedInt:
        return normalized ? readU32(p) / 4294967295.0 : readU32(p);
    default: {
        float f;
        const uint32_t bits = readU32(p);
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    }
}

}  // namespace

const GltfJson* gltfField(const GltfJson& object, const char* name)
{
    if (!object.is_object()) return nullptr;
    const auto it = object.find(name);
    return it == object.end() ? nullptr : &*it;
}

bool gltfInteger(const GltfJson& object, const char* name, int64_t* value)
{
    const GltfJson* v = gltfField(object, name);
    if (v == nullptr) return false;
    if (v->is_number_unsigned()) {
        const uint64_t u = v->get<uint64_t>();
        if (u > static_cast<uint64_t>(INT64_MAX)) return false;
        *value = static_cast<int64_t>(u);
        return true;
    }
    if (v->is_number_integer()) {
        *value = v->get<int64_t>();
        return true;
    }
    return false;
}

const GltfJson* gltfArray(const GltfJson& object, const char* name)
{
    const GltfJson* v = gltfField(object, name);
    return v != nullptr && v->is_array() ? v : nullptr;
}

const GltfJson* gltfItem(const GltfDocument& doc, const char* name, int64_t index)
{
    const GltfJson* list = gltfArray(doc.json, name);
    if (list == nullptr || index < 0 || index >= static_cast<int64_t>(list->size())) return nullptr;
    return &(*list)[static_cast<size_t>(index)];
}

Fault readGltf(const std::vector<uint8_t>& bytes, const std::string& folder, GltfDocument* out)
{
    *out = GltfDocument{};
    out->folder = folder;
    if (static_cast<int64_t>(bytes.size()) > gltfFileSizeLimit)
        return faultOf("file larger than %lld MiB", static_cast<long long>(gltfFileSizeLimit >> 20));
    std::vector<uint8_t> binChunk;
    bool haveBin = false;
    if (looksLikeGlb(bytes)) {
        const auto parse = [&](const uint8_t* text, size_t size) { return parseJson(text, size, &out->json); };
        if (const Fault f = readGlb(bytes, parse, &binChunk, &haveBin)) return f;
    } else {
        if (const Fault f = parseJson(bytes.data(), bytes.size(), &out->json)) return f;
    }

    const GltfJson* asset = gltfField(out->json, "asset");
    const GltfJson* version = asset != nullptr ? gltfField(*asset, "version") : nullptr;
    if (version == nullptr || !version->is_string() || version->get_ref<const std::string&>().rfind("2.", 0) != 0) {
        return faultOf("not a glTF 2.0 file (asset.version)");
    }
    if (const GltfJson* buffers = gltfField(out->json, "buffers")) {
        if (!buffers->is_array()) return faultOf("buffers is not an array");
        if (buffers->size() > 1024) return faultOf("%zu buffers, more than the importer's limit 1024", buffers->size());
        int64_t total = static_cast<int64_t>(bytes.size());  // the file and its buffers, as held
        for (size_t i = 0; i < buffers->size(); ++i) {
            std::vector<uint8_t> data;
            if (const Fault f = loadBuffer((*buffers)[i], static_cast<int64_t>(i), haveBin ? &binChunk : nullptr,
                                           folder, gltfFileSizeLimit - total, &data, &out->files))
                return f;
            total += static_cast<int64_t>(data.size());
            out->buffers.push_back(std::move(data));
        }
        out->decodeRoom = gltfDecodeAllowance + total;
        out->fileRoom = gltfFileSizeLimit - total;
    } else {
        out->decodeRoom = gltfDecodeAllowance + static_cast<int64_t>(bytes.size());
        out->fileRoom = gltfFileSizeLimit - static_cast<int64_t>(bytes.size());
    }
    return noFault();
}

Fault gltfUriBytes(const GltfDocument& doc, const std::string& uri, std::vector<uint8_t>* out)
{
    const size_t held = doc.files.size();
    if (const Fault f = uriBytes(uri, doc.folder, -1, doc.fileRoom, out, &doc.files)) return f;
    if (doc.files.size() > held)
        doc.fileRoom -= static_cast<int64_t>(out->size());  // a file read now; a data URI was in the model
    else if (static_cast<int64_t>(out->size()) > gltfFileSizeLimit)
        return faultOf("more than %lld bytes", static_cast<long long>(gltfFileSizeLimit));
    return noFault();
}

Fault gltfBufferView(const GltfDocument& doc, int64_t index, const uint8_t** bytes, int64_t* length)
{
    const GltfJson* view = gltfItem(doc, "bufferViews", index);
    if (view == nullptr) return faultOf("buffer view %lld does not exist", static_cast<long long>(index));
    int64_t buffer = 0, offset = 0;
    if (!gltfInteger(*view, "buffer", &buffer) || buffer < 0 || buffer >= static_cast<int64_t>(doc.buffers.size())) {
        return faultOf("buffer view %lld: no such buffer", static_cast<long long>(index));
    }
    if (gltfField(*view, "byteOffset") != nullptr && (!gltfInteger(*view, "byteOffset", &offset) || offset < 0)) {
        return faultOf("buffer view %lld: bad byteOffset", static_cast<long long>(index));
    }
    if (!gltfInteger(*view, "byteLength", length) || *length < 0)
        return faultOf("buffer view %lld: bad byteLength", static_cast<long long>(index));
    const auto& data = doc.buffers[static_cast<size_t>(buffer)];
    if (offset > static_cast<int64_t>(data.size()) || *length > static_cast<int64_t>(data.size()) - offset) {
        return faultOf("buffer view %lld: range past the end of buffer %lld", static_cast<long long>(index),
                       static_cast<long long>(buffer));
    }
    *bytes = data.data() + offset;
    return noFault();
}

namespace {

// Takes `values` from what the document may still decode.
Fault chargeDecode(const GltfDocument& doc, int64_t index, int64_t values)
{
    if (values <= doc.decodeRoom) {
        doc.decodeRoom -= values;
        return noFault();
    }
    // Worded short: the primitive or node that read it goes before.
    return faultOf("accessor %lld: read again and again, past what a file this size may decode",
                   static_cast<long long>(index));
}

}  // namespace

Fault readAccessor(const GltfDocument& doc, int64_t index, std::initializer_list<int> allowed, AccessorValues* out)
{
    AccessorLayout layout;
    if (const Fault f = layoutOf(doc, index, allowed, &layout)) return f;
    if (const Fault f = chargeDecode(doc, index, layout.count * layout.components)) return f;
    out->components = layout.components;
    out->count = layout.count;
    out->values.assign(static_cast<size_t>(layout.count * layout.components), 0.0);
    const int step = componentBytes(layout.componentType);
    const auto decode = [&](int64_t i, const uint8_t* element) {
        for (int c = 0; c < layout.components; ++c) {
            const double v = componentValue(element + c * step, layout.componentType, layout.normalized);
            if (!std::isfinite(v))
                return faultOf("accessor %lld: element %lld is not a finite number", static_cast<long long>(index),
                               static_cast<long long>(i));
            out->values[static_cast<size_t>(i * layout.components + c)] = v;
        }
        return noFault();
    };
    for (int64_t i = 0; layout.data != nullptr && i < layout.count; ++i) {
        if (const Fault f = decode(i, layout.data + i * layout.stride)) return f;
    }
    for (const SparseElement& e : layout.sparse) {
        if (const Fault f = decode(e.element, e.bytes)) return f;
    }
    return noFault();
}

Fault readIndexAccessor(const GltfDocument& doc, int64_t index, std::initializer_list<int> allowed,
                        std::vector<uint32_t>* out, int* components)
{
    AccessorLayout layout;
    if (const Fault f = layoutOf(doc, index, allowed, &layout)) return f;
    if (const Fault f = chargeDecode(doc, index, layout.count * layout.components)) return f;
    if (layout.componentType != gltfUnsignedByte && layout.componentType != gltfUnsignedShort &&
        layout.componentType != gltfUnsignedInt) {
        return faultOf("accessor %lld: not unsigned integers", static_cast<long long>(index));
    }
    if (components != nullptr) *components = layout.components;
    out->assign(static_cast<size_t>(layout.count * layout.components), 0);
    const int step = componentBytes(layout.componentType);
    const auto decode = [&](int64_t i, const uint8_t* element) {
        for (int c = 0; c < layout.components; ++c) {
            const uint8_t* p = element + c * step;
            (*out)[static_cast<size_t>(i * layout.components + c)] = step == 1   ? p[0]
                                                                     : step == 2 ? readU16(p)
                                                                                 : readU32(p);
        }
    };
    for (int64_t i = 0; layout.data != nullptr && i < layout.count; ++i) decode(i, layout.data + i * layout.stride);
    for (const SparseElement& e : layout.sparse) decode(e.element, e.bytes);
    return noFault();
}
