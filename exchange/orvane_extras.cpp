// orvane_extras.cpp: the extras schema, both ways. The reader takes nothing on trust: every
// number is range-checked as the writer could have written it.
#include "exchange/orvane_extras.h"

#include <algorithm>
#include <array>

#include "body/body.h"
#include "exchange/json_text.h"

namespace {

// A primitive per colour for polygons and for translucent polygons, then a line mesh per joint (up
// to the bone table's 32767) and one posed.
constexpr int64_t maxPrimitives = 2 * 256 + 32767 + 1;

// --- writing -----------------------------------------------------------------------------------

void appendBones(std::string& s, const std::vector<BoneRecord>& bones, const std::vector<int>& boneJoint)
{
    s += '[';
    for (size_t i = 0; i < bones.size(); ++i) {
        const BoneRecord& b = bones[i];
        char* p = room(s, 256);
        if (i > 0) *p++ = ',';
        p = put(p, "{\"node\":");
        p = put(p, boneJoint[i]);
        p = put(p, ",\"firstPoint\":");
        p = put(p, b.firstPoint);
        p = put(p, ",\"pointCount\":");
        p = put(p, b.pointCount);
        p = put(p, ",\"basePoint\":");
        p = put(p, b.basePoint);
        p = put(p, ",\"parent\":");
        p = put(p, b.parent);
        p = put(p, ",\"type\":");
        p = put(p, b.type);
        p = put(p, ",\"angles\":");
        p = putList(p, std::array<int16_t, 3>{b.angleX, b.angleY, b.angleZ});
        p = put(p, ",\"normals\":");
        p = put(p, b.normalCount);
        p = put(p, ",\"reserved\":");
        p = putHex(p, b.reserved.data(), b.reserved.size());
        *p++ = '}';
        cut(s, p);
    }
    s += ']';
}

void appendNormals(std::string& s, int16_t total, const std::vector<NormalRecord>& normals)
{
    s += "{\"total\":";
    appendInt(s, total);
    s += ",\"records\":[";
    for (size_t i = 0; i < normals.size(); ++i) {
        const NormalRecord& n = normals[i];
        char* p = room(s, 48);
        if (i > 0) *p++ = ',';
        p = putList(p, std::array<long long, 4>{n.x, n.y, n.z, n.divisor});
        cut(s, p);
    }
    s += "]}";
}

// One element record; `p` has room for it.
char* putElement(char* p, const StoredElement& e, const ElementPlace& place)
{
    if (e.kind == StoredElement::sphere) {
        p = put(p, "{\"sphere\":");
        p = put(p, place.sphereNode);
        p = put(p, ",\"attributes\":");
        p = put(p, e.attributes);
        p = put(p, ",\"radius\":");
        p = put(p, e.radius);
        p = put(p, ",\"centre\":");
        p = put(p, e.offsets[0]);
        *p++ = '}';
        return p;
    }
    p = e.kind == StoredElement::polygon ? put(p, "{\"polygon\":") : put(p, "{\"line\":");
    if (place.primitive < 0) {
        p = put(p, "null");
    } else {
        *p++ = '[';
        p = put(p, place.primitive);
        *p++ = ',';
        p = put(p, place.firstVertex);
        *p++ = ']';
    }
    if (e.kind == StoredElement::polygon) {
        p = put(p, ",\"type\":");
        p = put(p, e.type);
        p = put(p, ",\"colour\":");
        p = put(p, e.colour);
        if (e.type >= renderTypeVertexShaded) {
            p = put(p, ",\"normals\":");
            p = putList(p, e.normals);
        } else if (e.type >= renderTypeShaded) {
            p = put(p, ",\"normal\":");
            p = put(p, e.polygonNormal);
        }
    } else {
        p = put(p, ",\"attributes\":");
        p = put(p, e.attributes);
    }
    p = put(p, ",\"points\":");
    p = putList(p, e.offsets);
    *p++ = '}';
    return p;
}

// --- reading -----------------------------------------------------------------------------------

bool hexBytes(const GltfJson& v, std::vector<uint8_t>* out)
{
    if (!v.is_string()) return false;
    const std::string& s = v.get_ref<const std::string&>();
    if (s.size() % 2 != 0) return false;
    out->clear();
    for (size_t i = 0; i < s.size(); i += 2) {
        int byte = 0;
        for (size_t k = 0; k < 2; ++k) {
            const char c = s[i + k];
            const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
            if (d < 0) return false;
            byte = byte * 16 + d;
        }
        out->push_back(static_cast<uint8_t>(byte));
    }
    return true;
}

bool integerIn(const GltfJson& v, int64_t low, int64_t high, int64_t* out)
{
    if (!v.is_number_integer()) return false;
    const int64_t x = v.is_number_unsigned() ? static_cast<int64_t>(std::min<uint64_t>(v.get<uint64_t>(), INT64_MAX))
                                             : v.get<int64_t>();
    if (x < low || x > high) return false;
    *out = x;
    return true;
}

bool field(const GltfJson& o, const char* name, int64_t low, int64_t high, int64_t* out)
{
    const GltfJson* v = gltfField(o, name);
    return v != nullptr && integerIn(*v, low, high, out);
}

template <typename Int>
bool intField(const GltfJson& o, const char* name, Int* out)
{
    int64_t v = 0;
    if (!field(o, name, std::numeric_limits<Int>::min(), std::numeric_limits<Int>::max(), &v)) return false;
    *out = static_cast<Int>(v);
    return true;
}

bool i16List(const GltfJson* a, std::vector<int16_t>* out, size_t limit)
{
    if (a == nullptr || !a->is_array() || a->size() > limit) return false;
    for (const GltfJson& v : *a) {
        int64_t x = 0;
        if (!integerIn(v, -32768, 32767, &x)) return false;
        out->push_back(static_cast<int16_t>(x));
    }
    return true;
}

bool geometryAt(const GltfJson& e, const char* kind, ElementPlace* out)
{
    const GltfJson* at = gltfField(e, kind);
    if (at == nullptr) return false;
    if (at->is_null()) return true;
    int64_t p = 0, v = 0;
    if (!at->is_array() || at->size() != 2 || !integerIn((*at)[0], -1, maxPrimitives - 1, &p) ||
        !integerIn((*at)[1], 0, INT32_MAX, &v))
        return false;
    out->primitive = static_cast<int>(p);
    out->firstVertex = v;
    return true;
}

Fault readBone(const GltfJson& b, size_t index, BoneRecord* bone, int* joint)
{
    int64_t node = 0;
    const GltfJson* nodeField = gltfField(b, "node");
    if (nodeField == nullptr || !integerIn(*nodeField, -1, 32767, &node))
        return faultOf("bone %zu: no valid node", index);
    *joint = static_cast<int>(node);
    if (!intField(b, "firstPoint", &bone->firstPoint) || !intField(b, "pointCount", &bone->pointCount) ||
        !intField(b, "basePoint", &bone->basePoint) || !intField(b, "parent", &bone->parent) ||
        !intField(b, "type", &bone->type) || !intField(b, "normals", &bone->normalCount)) {
        return faultOf("bone %zu: a field missing or out of range", index);
    }
    std::vector<int16_t> angles;
    if (!i16List(gltfField(b, "angles"), &angles, 3) || angles.size() != 3)
        return faultOf("bone %zu: angles are not three numbers", index);
    bone->angleX = angles[0];
    bone->angleY = angles[1];
    bone->angleZ = angles[2];
    std::vector<uint8_t> reserved;
    const GltfJson* field = gltfField(b, "reserved");
    if (field == nullptr || !hexBytes(*field, &reserved) || reserved.size() != bone->reserved.size()) {
        return faultOf("bone %zu: reserved is not %zu bytes of hex", index, bone->reserved.size());
    }
    std::copy(reserved.begin(), reserved.end(), bone->reserved.begin());
    return noFault();
}

Fault readNormals(const GltfJson& o, OrvaneExtras* x)
{
    const GltfJson* normals = gltfField(o, "normals");
    const GltfJson* records = normals != nullptr ? gltfArray(*normals, "records") : nullptr;
    if (records == nullptr || !intField(*normals, "total", &x->normalTotal) || records->size() > 32767)
        return faultOf("normals: no valid total and records");
    for (const GltfJson& r : *records) {
        if (!r.is_array() || r.size() != 4) return faultOf("normal %zu: not four numbers", x->normals.size());
        int64_t v[4] = {};
        for (size_t k = 0; k < 4; ++k) {
            if (!integerIn(r[k], k < 3 ? -32768 : 0, k < 3 ? 32767 : 65535, &v[k]))
                return faultOf("normal %zu: a number out of range", x->normals.size());
        }
        x->normals.push_back({static_cast<int16_t>(v[0]), static_cast<int16_t>(v[1]), static_cast<int16_t>(v[2]),
                              static_cast<uint16_t>(v[3])});
    }
    return noFault();
}

bool readPolygon(const GltfJson& e, StoredElement* el, ElementPlace* place)
{
    if (!geometryAt(e, "polygon", place) || !intField(e, "type", &el->type) || !intField(e, "colour", &el->colour))
        return false;
    if (!i16List(gltfField(e, "points"), &el->offsets, 255)) return false;
    if (el->type >= renderTypeVertexShaded) {
        std::vector<int16_t> numbers;
        if (!i16List(gltfField(e, "normals"), &numbers, 255) || numbers.size() != el->offsets.size()) return false;
        for (const int16_t n : numbers) el->normals.push_back(static_cast<uint16_t>(n));
    } else if (el->type >= renderTypeShaded) {
        if (!intField(e, "normal", &el->polygonNormal)) return false;
    }
    return true;
}

bool readElement(const GltfJson& e, int format, StoredElement* el, ElementPlace* place)
{
    if (gltfField(e, "polygon") != nullptr) return readPolygon(e, el, place);
    if (gltfField(e, "line") != nullptr) {
        el->kind = StoredElement::line;
        return geometryAt(e, "line", place) && intField(e, "attributes", &el->attributes) &&
               i16List(gltfField(e, "points"), &el->offsets, 2) && el->offsets.size() == 2;
    }
    if (gltfField(e, "sphere") != nullptr) {
        el->kind = StoredElement::sphere;
        int16_t centre = 0;
        const bool placed = format == 1 ? geometryAt(e, "sphere", place)
                                        : integerIn(*gltfField(e, "sphere"), 0, INT32_MAX, &place->sphereNode);
        if (!placed || !intField(e, "attributes", &el->attributes) || !intField(e, "radius", &el->radius) ||
            !intField(e, "centre", &centre)) {
            return false;
        }
        el->offsets = {centre};
        return true;
    }
    return false;
}

Fault readHead(const GltfJson& o, OrvaneExtras* x)
{
    int64_t v = 0;
    if (!field(o, "format", 1, 3, &v)) return faultOf("format is not 1, 2 or 3");
    x->format = static_cast<int>(v);
    const GltfJson* header = gltfField(o, "header");
    const GltfJson* tail = gltfField(o, "tail");
    if (header == nullptr || !hexBytes(*header, &x->header) ||
        x->header.size() != static_cast<size_t>(bodyFrameDataOffset)) {
        return faultOf("header is not %d bytes of hex", bodyFrameDataOffset);
    }
    if (tail == nullptr || !hexBytes(*tail, &x->tail)) return faultOf("tail is not hex");
    const GltfJson* points = gltfField(o, "points");
    if (points == nullptr || !field(*points, "count", 0, 32767, &v)) return faultOf("no valid point count");
    x->pointCount = static_cast<int>(v);
    if (field(*points, "accessor", 0, INT32_MAX, &v)) x->pointAccessor = v;
    return noFault();
}

}  // namespace

void appendOrvaneExtras(std::string& s, const ExtrasHead& head, const std::vector<BoneRecord>& bones,
                        const std::vector<int>& boneJoint, const std::vector<NormalRecord>& normals,
                        const std::vector<PosedElement>& elements, const std::vector<ElementPlace>& places)
{
    s += "{\"format\":";
    appendInt(s, head.format);
    s += ",\"archive\":";
    appendString(s, head.archive);
    s += ",\"entry\":";
    appendInt(s, head.entry);
    s += ",\"autoAngle\":";
    appendInt(s, head.autoAngle);
    s += head.lit ? ",\"look\":\"base\"" : ",\"look\":\"viewer\"";
    s += ",\"header\":";
    appendHex(s, head.header.data(), head.header.size());
    s += ",\"points\":{\"count\":";
    appendInt(s, head.pointCount);
    if (head.pointAccessor >= 0) {
        s += ",\"accessor\":";
        appendInt(s, head.pointAccessor);
    }
    s += "},\"bones\":";
    appendBones(s, bones, boneJoint);
    s += ",\"normals\":";
    appendNormals(s, head.normalTotal, normals);
    s += ",\"primitives\":[";
    for (size_t i = 0; i < head.roles.size(); ++i) {
        if (i > 0) s += ',';
        appendString(s, head.roles[i]);
    }
    s += ']';
    if (!head.lineNodes.empty()) {
        s += ",\"lineNodes\":";
        appendInts(s, head.lineNodes);
    }
    s += ",\"elements\":[";
    for (size_t i = 0; i < elements.size(); ++i) {
        const StoredElement& e = elements[i];
        // Numbers of at most 20 characters; list items of 16 bits, 7 with their commas.
        char* p = room(s, 200 + 7 * (e.offsets.size() + e.normals.size()));
        if (i > 0) *p++ = ',';
        cut(s, putElement(p, e, places[i]));
    }
    s += "],\"tail\":";
    appendHex(s, head.tail.data(), head.tail.size());
    s += '}';
}

Fault readOrvaneExtras(const GltfDocument& doc, OrvaneExtras* x, bool* present)
{
    *x = OrvaneExtras{};
    int64_t sceneIndex = 0;
    gltfInteger(doc.json, "scene", &sceneIndex);
    const GltfJson* scene = gltfItem(doc, "scenes", sceneIndex);
    const GltfJson* extras = scene != nullptr ? gltfField(*scene, "extras") : nullptr;
    const GltfJson* o = extras != nullptr ? gltfField(*extras, "orvane") : nullptr;
    *present = o != nullptr;
    if (o == nullptr) return faultOf("no Orvane extras in the scene");
    if (!o->is_object()) return faultOf("the Orvane extras are not an object");
    if (const Fault f = readHead(*o, x)) return f;

    const GltfJson* bones = gltfArray(*o, "bones");
    if (bones == nullptr || bones->empty() || bones->size() > 32767) return faultOf("no valid bone list");
    x->bones.resize(bones->size());
    x->boneJoint.resize(bones->size());
    for (size_t i = 0; i < bones->size(); ++i) {
        if (const Fault f = readBone((*bones)[i], i, &x->bones[i], &x->boneJoint[i])) return f;
    }
    if (const Fault f = readNormals(*o, x)) return f;
    const GltfJson* roles = gltfArray(*o, "primitives");
    if (roles == nullptr || roles->size() > static_cast<size_t>(maxPrimitives))
        return faultOf("no valid primitive list");
    for (const GltfJson& r : *roles) {
        if (!r.is_string()) return faultOf("a primitive's role is not a string");
        x->roles.push_back(r.get<std::string>());
    }
    if (const GltfJson* lineNodes = gltfArray(*o, "lineNodes")) {
        if (lineNodes->size() > x->roles.size()) return faultOf("more line nodes than primitives");
        for (const GltfJson& n : *lineNodes) {
            int64_t node = 0;
            if (!integerIn(n, 0, INT32_MAX, &node)) return faultOf("a line node is not a node index");
            x->lineNodes.push_back(node);
        }
    }
    const GltfJson* elements = gltfArray(*o, "elements");
    if (elements == nullptr || elements->size() > 3 * 32767) return faultOf("no valid element list");
    x->elements.resize(elements->size());
    x->places.resize(elements->size());
    for (size_t i = 0; i < elements->size(); ++i) {
        if (!readElement((*elements)[i], x->format, &x->elements[i], &x->places[i]))
            return faultOf("element %zu does not read as one", i);
    }
    return noFault();
}
