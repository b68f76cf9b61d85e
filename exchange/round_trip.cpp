// round_trip.cpp: an exported, maybe edited glTF matched against its extras.
#include "exchange/round_trip.h"

#include <algorithm>
#include <cmath>

#include "body/body.h"
#include "exchange/colour.h"
#include "exchange/gltf_format.h"
#include "exchange/mesh_scene.h"
#include "support/little_endian.h"

namespace {

constexpr double quaternionTolerance = 1e-4;

std::array<uint32_t, 3> triangleKey(uint32_t a, uint32_t b, uint32_t c)
{
    if (b < a && b < c) return {b, c, a};
    if (c < a && c < b) return {c, a, b};
    return {a, b, c};
}

// Parent fields name 38 x the parent's index when the flags ask for conversion, else 36 x.
int boneRecordBytesForFlags(const std::vector<uint8_t>& header)
{
    return (readU16(header.data()) & bodyFlagConvertParents) ? boneRecordBytes : matrixBytes;
}

// Whether any primitive of any mesh uses accessor `index`.
bool accessorUsed(const GltfDocument& doc, int64_t index)
{
    bool used = false;
    if (const GltfJson* meshes = gltfArray(doc.json, "meshes")) {
        for (const GltfJson& mesh : *meshes) {
            const GltfJson* list = gltfArray(mesh, "primitives");
            for (size_t p = 0; list != nullptr && p < list->size(); ++p) {
                int64_t at = 0;
                if (gltfInteger((*list)[p], "indices", &at)) used |= at == index;
                if (const GltfJson* attributes = gltfField((*list)[p], "attributes")) {
                    for (const auto& item : attributes->items())
                        used |= item.value().is_number_integer() && item.value().get<int64_t>() == index;
                }
            }
        }
    }
    return used;
}

}  // namespace

RoundTrip::RoundTrip(const GltfDocument& doc, const MeshBodyOptions& options, OrvaneExtras& extras,
                     std::vector<std::string>* notes)
    : doc_(doc), options_(options), extras_(extras), notes_(notes),
      bind_(static_cast<size_t>(extras.pointCount), std::array<int32_t, 3>{0, 0, 0})
{}

int32_t RoundTrip::model(double v) const { return static_cast<int32_t>(std::lround(v * options_.scale)); }

bool RoundTrip::outOfRange(double v) const { return !(v * options_.scale >= -32768.5 && v * options_.scale < 32767.5); }

Fault RoundTrip::readPointTable()
{
    // The exporter's table is an accessor no primitive uses; another tool may have renumbered
    // the accessors, so one that a primitive uses is not taken for it.
    if (extras_.pointAccessor < 0 || extras_.pointCount <= 0 || accessorUsed(doc_, extras_.pointAccessor))
        return noFault();
    AccessorValues table;
    if (readAccessor(doc_, extras_.pointAccessor, {3}, &table) || table.count != extras_.pointCount) return noFault();
    tableRead_ = true;
    for (int64_t i = 0; i < table.count; ++i) {
        for (int c = 0; c < 3; ++c) {
            if (outOfRange(table.at(i, c)))
                return faultOf("point %lld lies outside the 16-bit range at this scale", static_cast<long long>(i));
            bind_[static_cast<size_t>(i)][static_cast<size_t>(c)] = model(table.at(i, c));
        }
    }
    return noFault();
}

Fault RoundTrip::readPrimitive(const GltfJson& prim, size_t p, RoundTripPrimitive* pr)
{
    pr->role = p < extras_.roles.size() ? extras_.roles[p] : "";
    const GltfJson* attributes = gltfField(prim, "attributes");
    int64_t positionAccessor = 0, pointAccessor = 0, colourAccessor = 0, indexAccessor = 0, mode = gltfTriangles;
    if (attributes == nullptr || !gltfInteger(*attributes, "POSITION", &positionAccessor))
        return faultOf("primitive %zu: no POSITION", p);
    gltfInteger(prim, "mode", &mode);
    pr->mode = static_cast<int>(mode);
    AccessorValues positions, pointValues, colours;
    if (const Fault f = readAccessor(doc_, positionAccessor, {3}, &positions)) return f;
    if (positions.count > importVertexLimit) return faultOf("primitive %zu: too many vertices", p);
    const bool named = gltfInteger(*attributes, "_POINT", &pointAccessor);
    anyNamed_ |= named;
    if (named) {
        if (const Fault f = readAccessor(doc_, pointAccessor, {1}, &pointValues)) return f;
    }
    const bool coloured = gltfInteger(*attributes, "COLOR_0", &colourAccessor);
    if (coloured) {
        if (const Fault f = readAccessor(doc_, colourAccessor, {3, 4}, &colours)) return f;
    }
    for (int64_t v = 0; v < positions.count; ++v) {
        std::array<int32_t, 3> q{};
        for (int c = 0; c < 3; ++c) {
            if (outOfRange(positions.at(v, c)))
                return faultOf("primitive %zu: vertex %lld lies outside the 16-bit range at this scale", p,
                               static_cast<long long>(v));
            q[static_cast<size_t>(c)] = model(positions.at(v, c));
        }
        pr->positions.push_back(q);
        Vec3 colour = {255, 255, 255};
        if (coloured && v < colours.count) {
            for (int c = 0; c < 3; ++c) colour[static_cast<size_t>(c)] = displayFromLinear(colours.at(v, c));
        }
        pr->colours.push_back(colour);
        int32_t point = -1;
        if (named && v < pointValues.count) {
            const double pv = pointValues.at(v, 0);
            if (pv >= 0 && pv < transformedPointRoom && pv == std::floor(pv)) point = static_cast<int32_t>(pv);
        }
        pr->pointOf.push_back(point);
    }
    std::vector<uint32_t> indices;
    if (gltfInteger(prim, "indices", &indexAccessor)) {
        if (const Fault f = readIndexAccessor(doc_, indexAccessor, {1}, &indices)) return f;
    } else {
        for (int64_t i = 0; i < positions.count; ++i) indices.push_back(static_cast<uint32_t>(i));
    }
    for (const uint32_t i : indices) {
        if (i >= pr->positions.size())
            return faultOf("primitive %zu: index %u beyond the %zu vertices", p, i, pr->positions.size());
    }
    if (mode == gltfTriangles) {
        for (size_t i = 0; i + 2 < indices.size(); i += 3)
            ++pr->triangles[triangleKey(indices[i], indices[i + 1], indices[i + 2])];
    } else if (mode == gltfLines) {
        for (size_t i = 0; i + 1 < indices.size(); i += 2) pr->segments.push_back({indices[i], indices[i + 1]});
        pr->segmentUsed.assign(pr->segments.size(), false);
    }
    return noFault();
}

Fault RoundTrip::readPrimitives()
{
    // The skinned mesh (a body of spheres alone has none: its meshes are the spheres').
    const GltfJson* nodes = gltfArray(doc_.json, "nodes");
    int64_t meshIndex = -1;
    for (size_t n = 0; nodes != nullptr && n < nodes->size(); ++n) {
        if (gltfInteger((*nodes)[n], "skin", &skinIndex_) && gltfInteger((*nodes)[n], "mesh", &meshIndex)) break;
        skinIndex_ = meshIndex = -1;
    }
    const GltfJson* mesh = meshIndex >= 0 ? gltfItem(doc_, "meshes", meshIndex) : nullptr;
    const GltfJson* list = mesh != nullptr ? gltfArray(*mesh, "primitives") : nullptr;
    std::vector<const GltfJson*> found;
    for (size_t p = 0; list != nullptr && p < list->size(); ++p) found.push_back(&(*list)[p]);
    // Then each line mesh's primitive, numbered after the skinned mesh's (a node or mesh that is
    // gone leaves its lines without geometry).
    for (const int64_t n : extras_.lineNodes) {
        int64_t lineMesh = -1;
        const GltfJson* node = gltfItem(doc_, "nodes", n);
        const GltfJson* m =
            node != nullptr && gltfInteger(*node, "mesh", &lineMesh) ? gltfItem(doc_, "meshes", lineMesh) : nullptr;
        const GltfJson* lines = m != nullptr ? gltfArray(*m, "primitives") : nullptr;
        found.push_back(lines != nullptr && !lines->empty() ? &(*lines)[0] : nullptr);
    }
    int64_t vertices = 0;  // across the primitives: each may name the same accessors
    for (size_t p = 0; p < found.size(); ++p) {
        RoundTripPrimitive pr;
        if (found[p] != nullptr) {
            if (const Fault f = readPrimitive(*found[p], p, &pr)) return f;
        }
        vertices += static_cast<int64_t>(pr.positions.size());
        if (vertices > importVertexLimit)
            return faultOf("more than %lld vertices in all primitives", static_cast<long long>(importVertexLimit));
        // A vertex that names a body point places it, unless it is posed or a sphere's.
        for (size_t v = 0; v < pr.positions.size(); ++v) {
            const int32_t point = pr.pointOf[v];
            if (point >= 0 && point < extras_.pointCount && pr.role != "spheres" && pr.role != "posed lines")
                bind_[static_cast<size_t>(point)] = pr.positions[v];
        }
        prims_.push_back(std::move(pr));
    }
    return noFault();
}

bool RoundTrip::vertexIs(const RoundTripPrimitive& pr, int64_t v, int32_t point) const
{
    if (v < 0 || v >= static_cast<int64_t>(pr.positions.size())) return false;
    if (pr.pointOf[static_cast<size_t>(v)] >= 0) return pr.pointOf[static_cast<size_t>(v)] == point;
    // A posed vertex cannot be told by its place: the segment still being there is what counts.
    if (pr.role == "posed lines") return point >= 0 && point < extras_.pointCount;
    return point >= 0 && point < extras_.pointCount &&
           pr.positions[static_cast<size_t>(v)] == bind_[static_cast<size_t>(point)];
}

// A polygon is still there when its vertices name its points and any n - 2 triangles over its
// own vertices remain, wound as its vertices run (a triangle keyed (a, b, c), a its least vertex,
// has b < c); those triangles are used up.
bool RoundTrip::polygonStillThere(RoundTripPrimitive& pr, const StoredElement& e, const ElementPlace& place) const
{
    const auto n = static_cast<int64_t>(e.offsets.size());
    bool keep = true;
    for (int64_t k = 0; keep && k < n; ++k)
        keep = vertexIs(pr, place.firstVertex + k,
                        pointIndexOf(e.offsets[static_cast<size_t>(k)], polygonOffsetsSigned(e.type)));
    const auto f = static_cast<uint32_t>(place.firstVertex);
    const auto end = static_cast<uint32_t>(place.firstVertex + n);
    std::vector<std::map<std::array<uint32_t, 3>, int>::iterator> own;
    int64_t found = 0;
    for (auto it = pr.triangles.lower_bound({f, 0, 0});
         keep && n >= 3 && it != pr.triangles.end() && it->first[0] < end; ++it) {
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
    return keep;
}

bool RoundTrip::keeps(const StoredElement& e, const ElementPlace& place)
{
    if (place.sphereNode >= 0) {
        const GltfJson* node = gltfItem(doc_, "nodes", place.sphereNode);
        return node != nullptr && gltfField(*node, "mesh") != nullptr;
    }
    if (place.primitive < 0) return true;
    if (place.primitive >= static_cast<int>(prims_.size())) return false;
    RoundTripPrimitive& pr = prims_[static_cast<size_t>(place.primitive)];
    if (e.kind == StoredElement::polygon) return polygonStillThere(pr, e, place);
    if (e.kind == StoredElement::line) {
        if (!vertexIs(pr, place.firstVertex, pointIndexOf(e.offsets[0], true)) ||
            !vertexIs(pr, place.firstVertex + 1, pointIndexOf(e.offsets[1], true))) {
            return false;
        }
        const std::array<uint32_t, 2> seg = {static_cast<uint32_t>(place.firstVertex),
                                             static_cast<uint32_t>(place.firstVertex + 1)};
        for (size_t s = 0; s < pr.segments.size(); ++s) {
            if (!pr.segmentUsed[s] && pr.segments[s] == seg) return pr.segmentUsed[s] = true;
        }
        return false;
    }
    return place.firstVertex < static_cast<int64_t>(pr.positions.size());
}

void RoundTrip::keepElements()
{
    int dropped = 0;
    for (size_t i = 0; i < extras_.elements.size(); ++i) {
        if (keeps(extras_.elements[i], extras_.places[i]))
            kept_.push_back(extras_.elements[i]);
        else
            ++dropped;
    }
    if (dropped > 0) notes_->push_back(std::to_string(dropped) + " elements no longer in the mesh dropped");
}

Fault RoundTrip::addNewElements()
{
    std::map<std::array<int32_t, 3>, int32_t> pointAt;
    for (int32_t i = extras_.pointCount; i-- > 0;) pointAt[bind_[static_cast<size_t>(i)]] = i;
    const auto pointFor = [&](const RoundTripPrimitive& pr, uint32_t v) -> int32_t {
        if (pr.pointOf[v] >= 0 && pr.pointOf[v] < extras_.pointCount) return pr.pointOf[v];
        const auto it = pointAt.find(pr.positions[v]);
        return it == pointAt.end() ? -1 : it->second;
    };
    int added = 0, unplaced = 0;
    for (const RoundTripPrimitive& pr : prims_) {
        if (pr.role == "spheres") continue;
        for (const auto& [tri, count] : pr.triangles) {
            for (int c = 0; c < count; ++c) {
                StoredElement e;
                e.type = pr.role == "translucent" ? 5 : 0;
                e.colour = nearestPaletteIndex(options_.palette, pr.colours[tri[0]]);
                bool ok = true;
                for (const uint32_t v : tri) {
                    const int32_t point = pointFor(pr, v);
                    ok &= point >= 0;
                    e.offsets.push_back(static_cast<int16_t>(static_cast<uint16_t>(point * pointBytes)));
                }
                if (ok) {
                    kept_.push_back(e);
                    ++added;
                } else {
                    ++unplaced;
                }
            }
        }
        for (size_t s = 0; s < pr.segments.size(); ++s) {
            if (pr.segmentUsed[s]) continue;
            StoredElement e;
            e.kind = StoredElement::line;
            e.attributes = static_cast<uint32_t>(nearestPaletteIndex(options_.palette, pr.colours[pr.segments[s][0]]))
                           << 8;
            const int32_t a = pointFor(pr, pr.segments[s][0]), b = pointFor(pr, pr.segments[s][1]);
            if (a < 0 || b < 0) {
                ++unplaced;
                continue;
            }
            if (a >= importOffsetIndexLimit || b >= importOffsetIndexLimit) {
                return faultOf("a new line end is point %d: a 16-bit offset reaches only points below %d",
                               std::max(a, b), importOffsetIndexLimit);
            }
            e.offsets = {static_cast<int16_t>(a * pointBytes), static_cast<int16_t>(b * pointBytes)};
            kept_.push_back(e);
            ++added;
        }
    }
    if (added > 0)
        notes_->push_back(std::to_string(added) + " new triangles and segments added as flat polygons and lines");
    if (unplaced > 0)
        notes_->push_back(std::to_string(unplaced) +
                          " new triangles and segments dropped: a vertex at no point of the body");
    return noFault();
}

void RoundTrip::takeTurnedBones()
{
    std::vector<int64_t> jointNode;
    if (const GltfJson* skin = skinIndex_ >= 0 ? gltfItem(doc_, "skins", skinIndex_) : nullptr) {
        if (const GltfJson* joints = gltfArray(*skin, "joints")) {
            for (const GltfJson& j : *joints) jointNode.push_back(j.is_number_integer() ? j.get<int64_t>() : -1);
        }
    }
    const GltfJson* nodes = gltfArray(doc_.json, "nodes");
    const int parentUnit = boneRecordBytesForFlags(extras_.header);
    int returned = 0;
    for (size_t i = 1; i < extras_.bones.size(); ++i) {
        BoneRecord& b = extras_.bones[i];
        const int joint = extras_.boneJoint[i];
        if (b.type != boneTypeRotation || joint < 0 || static_cast<size_t>(joint) >= jointNode.size()) continue;
        const bool regular = b.parent >= 0 && b.parent % parentUnit == 0 && b.parent / parentUnit < static_cast<int>(i);
        const int64_t nodeIndex = jointNode[static_cast<size_t>(joint)];
        const GltfJson* node = nodes != nullptr && nodeIndex >= 0 && static_cast<size_t>(nodeIndex) < nodes->size()
                                   ? &(*nodes)[static_cast<size_t>(nodeIndex)]
                                   : nullptr;
        if (!regular || node == nullptr) continue;
        double q[4] = {0, 0, 0, 1};
        if (const GltfJson* r = gltfField(*node, "rotation")) {
            if (!r->is_array() || r->size() != 4) continue;
            for (size_t k = 0; k < 4; ++k) q[k] = (*r)[k].is_number() ? (*r)[k].get<double>() : 0;
        }
        Mat3 m;
        if (!rotationOf(q, &m)) continue;
        const Mat3 stored = turnXY(b.angleX, b.angleY);
        double diff = 0;
        for (size_t k = 0; k < 9; ++k) diff = std::max(diff, std::fabs(m[k] - stored[k]));
        if (diff < quaternionTolerance) continue;
        double ax = 0, ay = 0;
        if (!turnAngles(m, quaternionTolerance, &ax, &ay)) {
            notes_->push_back("bone " + std::to_string(i) +
                              ": its node turns about z, which the viewer cannot: stored angles kept");
            continue;
        }
        b.angleX = static_cast<int16_t>(std::lround(ax / turnUnit));
        b.angleY = static_cast<int16_t>(std::lround(ay / turnUnit));
        ++returned;
    }
    if (returned > 0) notes_->push_back(std::to_string(returned) + " bones take new angles from their turned nodes");
}
