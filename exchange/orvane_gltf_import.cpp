// orvane_gltf_import.cpp: reads the extras `orvane export` writes (scene.extras.orvane, formats 1 and 2)
// and rebuilds the body. Points come from the mesh's vertices (the `_POINT` attribute names
// each vertex's point), each element's record is kept while its triangles or segment are still
// in the mesh, triangles and segments the extras do not know become new flat polygons and lines,
// and a bone's angles follow its node when the node was turned about x then y.
#include "exchange/orvane_gltf_import.h"

#include <cmath>
#include <map>

#include "body/body.h"
#include "exchange/gltf_import.h"
#include "support/little_endian.h"

namespace {

constexpr double quaternionTolerance = 1e-4;

struct Bone {
    int node = -1;  // joint index in the skin, -1 for a skipped bone
    int16_t firstPoint = 0, pointCount = 0, basePoint = 0, parent = 0;
    uint16_t type = 0;
    int16_t angles[3] = {};
    int16_t normalCount = 0;
    std::vector<uint8_t> reserved;  // 20 bytes: 16-17 and 20-37
};

struct Element {
    enum Kind { polygon, line, sphere } kind = polygon;
    int64_t sphereNode = -1;  // format 2: the sphere's own node
    int primitive = -1;     // -1: no geometry (a polygon of fewer than three points)
    int64_t firstVertex = 0;
    uint8_t type = 0;
    uint16_t colour = 0;
    int16_t polygonNormal = 0;
    std::vector<uint16_t> normals;
    std::vector<int16_t> offsets;
    uint32_t attributes = 0;
    int16_t radius = 0;
};

struct Extras {
    int format = 1;
    std::vector<uint8_t> header, tail;
    int pointCount = 0;
    int64_t pointAccessor = -1;
    std::vector<Bone> bones;
    int16_t normalTotal = 0;
    std::vector<std::array<int32_t, 4>> normals;
    std::vector<std::string> roles;
    std::vector<Element> elements;
};

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
    const int64_t x = v.is_number_unsigned() ? static_cast<int64_t>(std::min<uint64_t>(v.get<uint64_t>(), INT64_MAX)) : v.get<int64_t>();
    if (x < low || x > high) return false;
    *out = x;
    return true;
}

bool field(const GltfJson& o, const char* name, int64_t low, int64_t high, int64_t* out)
{
    const GltfJson* v = gltfField(o, name);
    return v != nullptr && integerIn(*v, low, high, out);
}

bool i16Field(const GltfJson& o, const char* name, int16_t* out)
{
    int64_t v = 0;
    if (!field(o, name, -32768, 32767, &v)) return false;
    *out = static_cast<int16_t>(v);
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

bool geometryAt(const GltfJson& e, const char* kind, Element* out)
{
    const GltfJson* at = gltfField(e, kind);
    if (at == nullptr) return false;
    if (at->is_null()) return true;
    int64_t p = 0, v = 0;
    if (!at->is_array() || at->size() != 2 || !integerIn((*at)[0], -1, 3, &p) || !integerIn((*at)[1], 0, INT32_MAX, &v)) return false;
    out->primitive = static_cast<int>(p);
    out->firstVertex = v;
    return true;
}

// False when the extras are missing or do not read as the exporter writes them.
bool readExtras(const GltfDocument& doc, Extras* x)
{
    int64_t sceneIndex = 0;
    gltfInteger(doc.json, "scene", &sceneIndex);
    const GltfJson* scene = gltfItem(doc, "scenes", sceneIndex);
    const GltfJson* extras = scene != nullptr ? gltfField(*scene, "extras") : nullptr;
    const GltfJson* o = extras != nullptr ? gltfField(*extras, "orvane") : nullptr;
    if (o == nullptr || !o->is_object()) return false;
    int64_t v = 0;
    // Format 2 differs from 1 only in its spheres: each is a node of its own (the element names
    // it) instead of vertices in a `spheres` primitive.
    if (!field(*o, "format", 1, 2, &v)) return false;
    x->format = static_cast<int>(v);
    const GltfJson* header = gltfField(*o, "header");
    const GltfJson* tail = gltfField(*o, "tail");
    if (header == nullptr || !hexBytes(*header, &x->header) || x->header.size() != static_cast<size_t>(bodyFrameDataOffset)) return false;
    if (tail == nullptr || !hexBytes(*tail, &x->tail)) return false;
    const GltfJson* points = gltfField(*o, "points");
    if (points == nullptr || !field(*points, "count", 0, 32767, &v)) return false;
    x->pointCount = static_cast<int>(v);
    if (field(*points, "accessor", 0, INT32_MAX, &v)) x->pointAccessor = v;

    const GltfJson* bones = gltfArray(*o, "bones");
    if (bones == nullptr || bones->empty() || bones->size() > 32767) return false;
    for (const GltfJson& b : *bones) {
        Bone bone;
        int64_t node = 0, type = 0;
        const GltfJson* nodeField = gltfField(b, "node");
        if (nodeField == nullptr || !integerIn(*nodeField, -1, 32767, &node)) return false;
        bone.node = static_cast<int>(node);
        if (!i16Field(b, "firstPoint", &bone.firstPoint) || !i16Field(b, "pointCount", &bone.pointCount) ||
            !i16Field(b, "basePoint", &bone.basePoint) || !i16Field(b, "parent", &bone.parent) || !field(b, "type", 0, 65535, &type) ||
            !i16Field(b, "normals", &bone.normalCount)) {
            return false;
        }
        bone.type = static_cast<uint16_t>(type);
        std::vector<int16_t> angles;
        if (!i16List(gltfField(b, "angles"), &angles, 3) || angles.size() != 3) return false;
        std::copy(angles.begin(), angles.end(), bone.angles);
        const GltfJson* reserved = gltfField(b, "reserved");
        if (reserved == nullptr || !hexBytes(*reserved, &bone.reserved) || bone.reserved.size() != 20) return false;
        x->bones.push_back(std::move(bone));
    }
    const GltfJson* normals = gltfField(*o, "normals");
    const GltfJson* records = normals != nullptr ? gltfArray(*normals, "records") : nullptr;
    if (records == nullptr || !i16Field(*normals, "total", &x->normalTotal) || records->size() > 32767) return false;
    for (const GltfJson& r : *records) {
        if (!r.is_array() || r.size() != 4) return false;
        std::array<int32_t, 4> n{};
        for (size_t k = 0; k < 4; ++k) {
            if (!integerIn(r[k], k < 3 ? -32768 : 0, k < 3 ? 32767 : 65535, &v)) return false;
            n[k] = static_cast<int32_t>(v);
        }
        x->normals.push_back(n);
    }
    const GltfJson* roles = gltfArray(*o, "primitives");
    if (roles == nullptr || roles->size() > 4) return false;
    for (const GltfJson& r : *roles) {
        if (!r.is_string()) return false;
        x->roles.push_back(r.get<std::string>());
    }
    const GltfJson* elements = gltfArray(*o, "elements");
    if (elements == nullptr || elements->size() > 3 * 32767) return false;
    for (const GltfJson& e : *elements) {
        Element el;
        if (gltfField(e, "polygon") != nullptr) {
            int64_t colour = 0;
            if (!geometryAt(e, "polygon", &el) || !field(e, "type", 0, 255, &v) || !field(e, "colour", 0, 65535, &colour)) return false;
            el.type = static_cast<uint8_t>(v);
            el.colour = static_cast<uint16_t>(colour);
            if (!i16List(gltfField(e, "points"), &el.offsets, 255)) return false;
            if (el.type >= renderTypeVertexShaded) {
                std::vector<int16_t> numbers;
                if (!i16List(gltfField(e, "normals"), &numbers, 255) || numbers.size() != el.offsets.size()) return false;
                for (const int16_t n : numbers) el.normals.push_back(static_cast<uint16_t>(n));
            } else if (el.type >= renderTypeShaded) {
                if (!i16Field(e, "normal", &el.polygonNormal)) return false;
            }
        } else if (gltfField(e, "line") != nullptr) {
            el.kind = Element::line;
            if (!geometryAt(e, "line", &el) || !field(e, "attributes", 0, UINT32_MAX, &v) || !i16List(gltfField(e, "points"), &el.offsets, 2) ||
                el.offsets.size() != 2) {
                return false;
            }
            el.attributes = static_cast<uint32_t>(v);
        } else if (gltfField(e, "sphere") != nullptr) {
            el.kind = Element::sphere;
            int16_t centre = 0;
            const GltfJson* at = gltfField(e, "sphere");
            const bool placed = x->format == 1 ? geometryAt(e, "sphere", &el) : integerIn(*at, 0, INT32_MAX, &el.sphereNode);
            if (!placed || !field(e, "attributes", 0, UINT32_MAX, &v) || !i16Field(e, "radius", &el.radius) ||
                !i16Field(e, "centre", &centre)) {
                return false;
            }
            el.attributes = static_cast<uint32_t>(v);
            el.offsets = {centre};
        } else {
            return false;
        }
        x->elements.push_back(std::move(el));
    }
    return true;
}

// One primitive of the exported mesh: vertices in model units, their `_POINT`, triangles left.
struct Primitive {
    std::string role;
    std::vector<std::array<int32_t, 3>> positions;
    std::vector<Vec3d> colours;  // display
    std::vector<int32_t> pointOf;  // -1 when the vertex names no point
    std::map<std::array<uint32_t, 3>, int> triangles;  // rotated so the smallest index leads
    std::vector<std::array<uint32_t, 2>> segments;
    std::vector<bool> segmentUsed;
    int mode = 4;
};

std::array<uint32_t, 3> triangleKey(uint32_t a, uint32_t b, uint32_t c)
{
    if (b < a && b < c) return {b, c, a};
    if (c < a && c < b) return {c, a, b};
    return {a, b, c};
}

int32_t pointIndex(int16_t offset, uint8_t type, bool polygon)
{
    // As the element pass converts them: unsigned for polygons other than types 7 and 8.
    if (polygon && (type < renderTypeShaded || type >= renderTypeVertexShaded)) return static_cast<uint16_t>(offset) / pointBytes;
    return offset / pointBytes;
}

// Parent fields name 38 x the parent's index when the flags ask for conversion, else 36 x.
int boneRecordBytesForFlags(const std::vector<uint8_t>& header)
{
    return (readU16(header.data()) & bodyFlagConvertParents) ? boneRecordBytes : matrixBytes;
}

void append16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

}  // namespace

Fault bodyFromOrvaneGltf(const GltfDocument& doc, const MeshBodyOptions& options, bool* handled, std::vector<uint8_t>* out,
                         std::vector<std::string>* notes)
{
    *handled = false;
    Extras x;
    if (!readExtras(doc, &x)) {
        int64_t sceneIndex = 0;
        gltfInteger(doc.json, "scene", &sceneIndex);
        const GltfJson* scene = gltfItem(doc, "scenes", sceneIndex);
        const GltfJson* extras = scene != nullptr ? gltfField(*scene, "extras") : nullptr;
        if (extras != nullptr && gltfField(*extras, "orvane") != nullptr) notes->push_back("Orvane extras do not read as format 1 or 2: imported as a foreign model");
        return noFault();
    }
    if (x.pointCount > importPointLimit) return faultOf("%d points: more than the viewer's %d", x.pointCount, importPointLimit);
    if (x.bones.size() > static_cast<size_t>(importBoneLimit)) return faultOf("%zu bones: more than the viewer's %d", x.bones.size(), importBoneLimit);
    if (x.normals.size() > static_cast<size_t>(importNormalLimit)) return faultOf("%zu normals: more than the viewer's %d", x.normals.size(), importNormalLimit);
    const auto model = [&](double v) { return static_cast<int32_t>(std::lround(v * options.scale)); };
    const auto outOfRange = [&](double v) { return !(v * options.scale >= -32768.5 && v * options.scale < 32767.5); };

    // Points: the bind pose table, then every vertex's own position (the geometry wins).
    std::vector<std::array<int32_t, 3>> bind(static_cast<size_t>(x.pointCount), std::array<int32_t, 3>{0, 0, 0});
    // The exporter's table is an accessor no primitive uses; another tool may have renumbered
    // the accessors, so one that a primitive uses is not taken for it.
    bool tableRead = false, anyNamed = false;
    bool tableUsed = false;
    if (const GltfJson* meshes = gltfArray(doc.json, "meshes")) {
        for (const GltfJson& mesh : *meshes) {
            const GltfJson* list = gltfArray(mesh, "primitives");
            for (size_t p = 0; list != nullptr && p < list->size(); ++p) {
                int64_t used = 0;
                if (gltfInteger((*list)[p], "indices", &used)) tableUsed |= used == x.pointAccessor;
                if (const GltfJson* attributes = gltfField((*list)[p], "attributes")) {
                    for (const auto& item : attributes->items()) tableUsed |= item.value().is_number_integer() && item.value().get<int64_t>() == x.pointAccessor;
                }
            }
        }
    }
    if (x.pointAccessor >= 0 && x.pointCount > 0 && !tableUsed) {
        AccessorValues table;
        if (!readAccessor(doc, x.pointAccessor, {3}, &table) && table.count == x.pointCount) {
            tableRead = true;
            for (int64_t i = 0; i < table.count; ++i) {
                for (int c = 0; c < 3; ++c) {
                    if (outOfRange(table.at(i, c))) return faultOf("point %lld lies outside the 16-bit range at this scale", static_cast<long long>(i));
                    bind[static_cast<size_t>(i)][static_cast<size_t>(c)] = model(table.at(i, c));
                }
            }
        }
    }

    // The skinned mesh and its primitives.
    const GltfJson* nodes = gltfArray(doc.json, "nodes");
    int64_t meshIndex = -1, skinIndex = -1;
    for (size_t n = 0; nodes != nullptr && n < nodes->size(); ++n) {
        // The skinned mesh (a body of spheres alone has none: its meshes are the spheres').
        if (gltfInteger((*nodes)[n], "skin", &skinIndex) && gltfInteger((*nodes)[n], "mesh", &meshIndex)) break;
        skinIndex = meshIndex = -1;
    }
    std::vector<Primitive> prims;
    if (const GltfJson* mesh = meshIndex >= 0 ? gltfItem(doc, "meshes", meshIndex) : nullptr) {
        const GltfJson* list = gltfArray(*mesh, "primitives");
        for (size_t p = 0; list != nullptr && p < list->size(); ++p) {
            const GltfJson& prim = (*list)[p];
            Primitive pr;
            pr.role = p < x.roles.size() ? x.roles[p] : "";
            const GltfJson* attributes = gltfField(prim, "attributes");
            int64_t positionAccessor = 0, pointAccessor = 0, colourAccessor = 0, indexAccessor = 0, mode = 4;
            if (attributes == nullptr || !gltfInteger(*attributes, "POSITION", &positionAccessor)) return faultOf("primitive %zu: no POSITION", p);
            gltfInteger(prim, "mode", &mode);
            pr.mode = static_cast<int>(mode);
            AccessorValues positions, pointValues, colours;
            if (const Fault f = readAccessor(doc, positionAccessor, {3}, &positions)) return f;
            if (positions.count > importVertexLimit) return faultOf("primitive %zu: too many vertices", p);
            const bool named = gltfInteger(*attributes, "_POINT", &pointAccessor);
            anyNamed |= named;
            if (named) {
                if (const Fault f = readAccessor(doc, pointAccessor, {1}, &pointValues)) return f;
            }
            const bool coloured = gltfInteger(*attributes, "COLOR_0", &colourAccessor);
            if (coloured) {
                if (const Fault f = readAccessor(doc, colourAccessor, {3, 4}, &colours)) return f;
            }
            for (int64_t v = 0; v < positions.count; ++v) {
                std::array<int32_t, 3> q{};
                for (int c = 0; c < 3; ++c) {
                    if (outOfRange(positions.at(v, c))) return faultOf("primitive %zu: vertex %lld lies outside the 16-bit range at this scale", p, static_cast<long long>(v));
                    q[static_cast<size_t>(c)] = model(positions.at(v, c));
                }
                pr.positions.push_back(q);
                Vec3d colour = {255, 255, 255};
                if (coloured && v < colours.count) {
                    for (int c = 0; c < 3; ++c) colour[static_cast<size_t>(c)] = displayFromLinear(colours.at(v, c));
                }
                pr.colours.push_back(colour);
                int32_t point = -1;
                if (named && v < pointValues.count) {
                    const double pv = pointValues.at(v, 0);
                    if (pv >= 0 && pv < transformedPointRoom && pv == std::floor(pv)) point = static_cast<int32_t>(pv);
                }
                pr.pointOf.push_back(point);
            }
            std::vector<uint32_t> indices;
            if (gltfInteger(prim, "indices", &indexAccessor)) {
                if (const Fault f = readIndexAccessor(doc, indexAccessor, {1}, &indices)) return f;
            } else {
                for (int64_t i = 0; i < positions.count; ++i) indices.push_back(static_cast<uint32_t>(i));
            }
            for (const uint32_t i : indices) {
                if (i >= pr.positions.size()) return faultOf("primitive %zu: index %u beyond the %zu vertices", p, i, pr.positions.size());
            }
            if (mode == 4) {
                for (size_t i = 0; i + 2 < indices.size(); i += 3) ++pr.triangles[triangleKey(indices[i], indices[i + 1], indices[i + 2])];
            } else if (mode == 1) {
                for (size_t i = 0; i + 1 < indices.size(); i += 2) pr.segments.push_back({indices[i], indices[i + 1]});
                pr.segmentUsed.assign(pr.segments.size(), false);
            }
            // A vertex that names a body point places it.
            for (size_t v = 0; v < pr.positions.size(); ++v) {
                const int32_t point = pr.pointOf[v];
                if (point >= 0 && point < x.pointCount && pr.role != "spheres") bind[static_cast<size_t>(point)] = pr.positions[v];
            }
            prims.push_back(std::move(pr));
        }
    }
    if (x.pointCount > 0 && !tableRead && !anyNamed) {
        notes->push_back("the Orvane extras' points are gone (no _POINT attribute, no point table): imported as a foreign model");
        return noFault();
    }
    *handled = true;

    // Elements: kept while their geometry is still there.
    const auto vertexIs = [&](const Primitive& pr, int64_t v, int32_t point) {
        if (v < 0 || v >= static_cast<int64_t>(pr.positions.size())) return false;
        if (pr.pointOf[static_cast<size_t>(v)] >= 0) return pr.pointOf[static_cast<size_t>(v)] == point;
        return point >= 0 && point < x.pointCount && pr.positions[static_cast<size_t>(v)] == bind[static_cast<size_t>(point)];
    };
    std::vector<Element> kept;
    int dropped = 0;
    for (const Element& e : x.elements) {
        bool keep = true;
        if (e.sphereNode >= 0) {
            const GltfJson* node = gltfItem(doc, "nodes", e.sphereNode);
            keep = node != nullptr && gltfField(*node, "mesh") != nullptr;
        } else if (e.primitive >= 0) {
            if (e.primitive >= static_cast<int>(prims.size())) {
                keep = false;
            } else {
                Primitive& pr = prims[static_cast<size_t>(e.primitive)];
                if (e.kind == Element::polygon) {
                    const auto n = static_cast<int64_t>(e.offsets.size());
                    for (int64_t k = 0; keep && k < n; ++k) keep = vertexIs(pr, e.firstVertex + k, pointIndex(e.offsets[static_cast<size_t>(k)], e.type, true));
                    // Any n - 2 triangles over the polygon's own vertices, wound as its
                    // vertices run (a triangle keyed (a, b, c), a its least vertex, has b < c).
                    const auto f = static_cast<uint32_t>(e.firstVertex);
                    const auto end = static_cast<uint32_t>(e.firstVertex + n);
                    std::vector<std::map<std::array<uint32_t, 3>, int>::iterator> own;
                    int64_t found = 0;
                    for (auto it = pr.triangles.lower_bound({f, 0, 0}); keep && n >= 3 && it != pr.triangles.end() && it->first[0] < end; ++it) {
                        if (it->second > 0 && it->first[1] < end && it->first[2] < end && it->first[1] < it->first[2]) {
                            own.push_back(it);
                            found += it->second;
                        }
                    }
                    keep = keep && found >= n - 2;
                    for (int64_t taken = 0; keep && taken < n - 2;) {
                        for (auto& it : own) {
                            while (it->second > 0 && taken < n - 2) {
                                --it->second;
                                ++taken;
                            }
                        }
                    }
                } else if (e.kind == Element::line) {
                    keep = vertexIs(pr, e.firstVertex, pointIndex(e.offsets[0], 0, false)) && vertexIs(pr, e.firstVertex + 1, pointIndex(e.offsets[1], 0, false));
                    const std::array<uint32_t, 2> seg = {static_cast<uint32_t>(e.firstVertex), static_cast<uint32_t>(e.firstVertex + 1)};
                    bool found = false;
                    for (size_t s = 0; keep && !found && s < pr.segments.size(); ++s) {
                        if (!pr.segmentUsed[s] && pr.segments[s] == seg) found = pr.segmentUsed[s] = true;
                    }
                    keep = keep && found;
                } else {
                    keep = e.firstVertex < static_cast<int64_t>(pr.positions.size());
                }
            }
        }
        if (keep) kept.push_back(e);
        else ++dropped;
    }
    if (dropped > 0) notes->push_back(std::to_string(dropped) + " elements no longer in the mesh dropped");

    // New triangles and segments: flat polygons and lines over the points they touch.
    std::map<std::array<int32_t, 3>, int32_t> pointAt;
    for (int32_t i = x.pointCount; i-- > 0;) pointAt[bind[static_cast<size_t>(i)]] = i;
    const auto pointFor = [&](const Primitive& pr, uint32_t v) -> int32_t {
        if (pr.pointOf[v] >= 0 && pr.pointOf[v] < x.pointCount) return pr.pointOf[v];
        const auto it = pointAt.find(pr.positions[v]);
        return it == pointAt.end() ? -1 : it->second;
    };
    int added = 0, unplaced = 0;
    for (const Primitive& pr : prims) {
        if (pr.role == "spheres") continue;
        for (const auto& [tri, count] : pr.triangles) {
            for (int c = 0; c < count; ++c) {
                Element e;
                e.type = pr.role == "translucent" ? 5 : 0;
                e.colour = nearestPaletteIndex(options.palette, pr.colours[tri[0]]);
                bool ok = true;
                for (const uint32_t v : tri) {
                    const int32_t point = pointFor(pr, v);
                    ok &= point >= 0;
                    e.offsets.push_back(static_cast<int16_t>(static_cast<uint16_t>(point * pointBytes)));
                }
                if (ok) {
                    kept.push_back(e);
                    ++added;
                } else {
                    ++unplaced;
                }
            }
        }
        for (size_t s = 0; s < pr.segments.size(); ++s) {
            if (pr.segmentUsed[s]) continue;
            Element e;
            e.kind = Element::line;
            e.attributes = static_cast<uint32_t>(nearestPaletteIndex(options.palette, pr.colours[pr.segments[s][0]])) << 8;
            const int32_t a = pointFor(pr, pr.segments[s][0]), b = pointFor(pr, pr.segments[s][1]);
            if (a < 0 || b < 0) {
                ++unplaced;
                continue;
            }
            if (a >= importOffsetIndexLimit || b >= importOffsetIndexLimit) {
                return faultOf("a new line end is point %d: a 16-bit offset reaches only points below %d", std::max(a, b), importOffsetIndexLimit);
            }
            e.offsets = {static_cast<int16_t>(a * pointBytes), static_cast<int16_t>(b * pointBytes)};
            kept.push_back(e);
            ++added;
        }
    }
    if (added > 0) notes->push_back(std::to_string(added) + " new triangles and segments added as flat polygons and lines");
    if (unplaced > 0) notes->push_back(std::to_string(unplaced) + " new triangles and segments dropped: a vertex at no point of the body");

    // Bones: a node turned about x then y other than as stored gives the bone new angles.
    std::vector<int64_t> jointNode;
    if (const GltfJson* skin = skinIndex >= 0 ? gltfItem(doc, "skins", skinIndex) : nullptr) {
        if (const GltfJson* joints = gltfArray(*skin, "joints")) {
            for (const GltfJson& j : *joints) jointNode.push_back(j.is_number_integer() ? j.get<int64_t>() : -1);
        }
    }
    int returned = 0;
    for (size_t i = 1; i < x.bones.size(); ++i) {
        Bone& b = x.bones[i];
        if (b.type != boneTypeRotation || b.node < 0 || static_cast<size_t>(b.node) >= jointNode.size()) continue;
        const bool regular = b.parent >= 0 && b.parent % boneRecordBytesForFlags(x.header) == 0 &&
                             b.parent / boneRecordBytesForFlags(x.header) < static_cast<int>(i);
        const GltfJson* node = nodes != nullptr && jointNode[static_cast<size_t>(b.node)] >= 0 &&
                                       static_cast<size_t>(jointNode[static_cast<size_t>(b.node)]) < nodes->size()
                                   ? &(*nodes)[static_cast<size_t>(jointNode[static_cast<size_t>(b.node)])]
                                   : nullptr;
        if (!regular || node == nullptr) continue;
        double q[4] = {0, 0, 0, 1};
        const GltfJson* r = gltfField(*node, "rotation");
        if (r != nullptr) {
            if (!r->is_array() || r->size() != 4) continue;
            for (size_t k = 0; k < 4; ++k) q[k] = (*r)[k].is_number() ? (*r)[k].get<double>() : 0;
        }
        const Mat3d stored = turnXY(b.angles[0], b.angles[1]);
        const double n = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
        if (!(n > 1e-9)) continue;
        const double qx = q[0] / n, qy = q[1] / n, qz = q[2] / n, qw = q[3] / n;
        const Mat3d m = {1 - 2 * (qy * qy + qz * qz), 2 * (qx * qy - qz * qw),     2 * (qx * qz + qy * qw),
                         2 * (qx * qy + qz * qw),     1 - 2 * (qx * qx + qz * qz), 2 * (qy * qz - qx * qw),
                         2 * (qx * qz - qy * qw),     2 * (qy * qz + qx * qw),     1 - 2 * (qx * qx + qy * qy)};
        double diff = 0;
        for (size_t k = 0; k < 9; ++k) diff = std::max(diff, std::fabs(m[k] - stored[k]));
        if (diff < quaternionTolerance) continue;
        const double ay = std::atan2(m[2], m[0]), ax = std::atan2(m[7], m[4]);
        const double unit = 1024.0 / 6.283185307179586;
        const Mat3d back = turnXY(ax * unit, ay * unit);
        double err = 0;
        for (size_t k = 0; k < 9; ++k) err = std::max(err, std::fabs(m[k] - back[k]));
        if (err > 1e-4) {
            notes->push_back("bone " + std::to_string(i) + ": its node turns about z, which the viewer cannot: stored angles kept");
            continue;
        }
        b.angles[0] = static_cast<int16_t>(std::lround(ax * unit));
        b.angles[1] = static_cast<int16_t>(std::lround(ay * unit));
        ++returned;
    }
    if (returned > 0) notes->push_back(std::to_string(returned) + " bones take new angles from their turned nodes");

    // Stored points: each relative to the origin of the last processed bone that places it.
    std::vector<int> owner(static_cast<size_t>(x.pointCount), -1);
    for (size_t i = 0; i < x.bones.size(); ++i) {
        const Bone& b = x.bones[i];
        if (i > 0 && b.type != boneTypeRotation) continue;
        const int first = b.firstPoint / pointBytes;
        for (int k = 0; k < b.pointCount; ++k) {
            if (first + k >= 0 && first + k < x.pointCount) owner[static_cast<size_t>(first + k)] = static_cast<int>(i);
        }
    }
    std::vector<uint8_t> body = x.header;
    append16(body, static_cast<uint16_t>(x.pointCount));
    for (int p = 0; p < x.pointCount; ++p) {
        std::array<int32_t, 3> origin{};
        const int o = owner[static_cast<size_t>(p)];
        if (o >= 0 && x.bones[static_cast<size_t>(o)].parent != -1) {
            const int base = x.bones[static_cast<size_t>(o)].basePoint / pointBytes;
            if (base >= 0 && base < x.pointCount) origin = bind[static_cast<size_t>(base)];
        }
        for (size_t c = 0; c < 3; ++c) append16(body, static_cast<uint16_t>(static_cast<uint32_t>(bind[static_cast<size_t>(p)][c] - origin[c])));
    }
    append16(body, static_cast<uint16_t>(x.bones.size()));
    for (const Bone& b : x.bones) {
        append16(body, static_cast<uint16_t>(b.firstPoint));
        append16(body, static_cast<uint16_t>(b.pointCount));
        append16(body, static_cast<uint16_t>(b.basePoint));
        append16(body, static_cast<uint16_t>(b.parent));
        append16(body, b.type);
        for (const int16_t a : b.angles) append16(body, static_cast<uint16_t>(a));
        body.insert(body.end(), b.reserved.begin(), b.reserved.begin() + 2);
        append16(body, static_cast<uint16_t>(b.normalCount));
        body.insert(body.end(), b.reserved.begin() + 2, b.reserved.end());
    }
    append16(body, static_cast<uint16_t>(x.normalTotal));
    if (x.normalTotal != 0) {
        for (const auto& n : x.normals) {
            for (const int32_t v : n) append16(body, static_cast<uint16_t>(v));
        }
    }
    int polygons = 0, lines = 0, spheres = 0;
    int64_t elementBytes = 0;
    for (const Element& e : kept) {
        polygons += e.kind == Element::polygon;
        lines += e.kind == Element::line;
        spheres += e.kind == Element::sphere;
        elementBytes += e.kind == Element::polygon ? polygonHeaderBytes + polygonSlotBytes * static_cast<int64_t>(e.offsets.size())
                        : e.kind == Element::line  ? lineConvertedBytes
                                                   : sphereConvertedBytes;
    }
    if (polygons + lines + spheres > importRenderLimit) return faultOf("%d render entries: more than the viewer's %d", polygons + lines + spheres, importRenderLimit);
    if (elementBytes > importElementByteLimit) return faultOf("element buffer of %lld bytes: more than the viewer's %d", static_cast<long long>(elementBytes), importElementByteLimit);
    append16(body, static_cast<uint16_t>(polygons));
    for (const Element& e : kept) {
        if (e.kind != Element::polygon) continue;
        body.push_back(e.type);
        body.push_back(static_cast<uint8_t>(e.offsets.size()));
        append16(body, e.colour);
        if (e.type >= renderTypeVertexShaded) {
            for (size_t k = 0; k < e.offsets.size(); ++k) {
                append16(body, e.normals[k]);
                append16(body, static_cast<uint16_t>(e.offsets[k]));
            }
        } else {
            if (e.type >= renderTypeShaded) append16(body, static_cast<uint16_t>(e.polygonNormal));
            for (const int16_t o : e.offsets) append16(body, static_cast<uint16_t>(o));
        }
    }
    append16(body, static_cast<uint16_t>(lines));
    for (const Element& e : kept) {
        if (e.kind != Element::line) continue;
        for (int k = 0; k < 4; ++k) body.push_back(static_cast<uint8_t>(e.attributes >> (8 * k)));
        append16(body, static_cast<uint16_t>(e.offsets[0]));
        append16(body, static_cast<uint16_t>(e.offsets[1]));
    }
    append16(body, static_cast<uint16_t>(spheres));
    for (const Element& e : kept) {
        if (e.kind != Element::sphere) continue;
        for (int k = 0; k < 4; ++k) body.push_back(static_cast<uint8_t>(e.attributes >> (8 * k)));
        append16(body, static_cast<uint16_t>(e.radius));
        append16(body, static_cast<uint16_t>(e.offsets[0]));
    }
    body.insert(body.end(), x.tail.begin(), x.tail.end());
    *out = std::move(body);
    return noFault();
}
