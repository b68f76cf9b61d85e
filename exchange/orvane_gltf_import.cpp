// orvane_gltf_import.cpp: reads the extras `orvane export` writes, matches the file against them
// (round_trip) and writes the body's bytes.
#include "exchange/orvane_gltf_import.h"

#include "body/body.h"
#include "exchange/orvane_extras.h"
#include "exchange/round_trip.h"

namespace {

void append16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

// Stored points: each relative to the origin of the last processed bone that places it.
void appendPoints(std::vector<uint8_t>& body, const OrvaneExtras& x, const std::vector<std::array<int32_t, 3>>& bind)
{
    std::vector<int> owner(static_cast<size_t>(x.pointCount), -1);
    for (size_t i = 0; i < x.bones.size(); ++i) {
        const StoredBone& b = x.bones[i];
        if (i > 0 && b.type != boneTypeRotation) continue;
        const int first = b.firstPoint / pointBytes;
        for (int k = 0; k < b.pointCount; ++k) {
            if (first + k >= 0 && first + k < x.pointCount) owner[static_cast<size_t>(first + k)] = static_cast<int>(i);
        }
    }
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
}

void appendBonesAndNormals(std::vector<uint8_t>& body, const OrvaneExtras& x)
{
    append16(body, static_cast<uint16_t>(x.bones.size()));
    for (const StoredBone& b : x.bones) {
        append16(body, static_cast<uint16_t>(b.firstPoint));
        append16(body, static_cast<uint16_t>(b.pointCount));
        append16(body, static_cast<uint16_t>(b.basePoint));
        append16(body, static_cast<uint16_t>(b.parent));
        append16(body, b.type);
        for (const int16_t a : {b.angleX, b.angleY, b.angleZ}) append16(body, static_cast<uint16_t>(a));
        body.insert(body.end(), b.reserved, b.reserved + 2);
        append16(body, static_cast<uint16_t>(b.normalCount));
        body.insert(body.end(), b.reserved + 2, b.reserved + sizeof b.reserved);
    }
    append16(body, static_cast<uint16_t>(x.normalTotal));
    if (x.normalTotal != 0) {
        for (const StoredNormal& n : x.normals) {
            for (const int v : {int{n.x}, int{n.y}, int{n.z}, int{n.divisor}}) append16(body, static_cast<uint16_t>(v));
        }
    }
}

Fault appendElements(std::vector<uint8_t>& body, const std::vector<StoredElement>& kept)
{
    int polygons = 0, lines = 0, spheres = 0;
    int64_t elementBytes = 0;
    for (const StoredElement& e : kept) {
        polygons += e.kind == StoredElement::polygon;
        lines += e.kind == StoredElement::line;
        spheres += e.kind == StoredElement::sphere;
        elementBytes += e.kind == StoredElement::polygon ? polygonHeaderBytes + polygonSlotBytes * static_cast<int64_t>(e.offsets.size())
                        : e.kind == StoredElement::line  ? lineConvertedBytes
                                                         : sphereConvertedBytes;
    }
    if (polygons + lines + spheres > importRenderLimit) return faultOf("%d render entries: more than the viewer's %d", polygons + lines + spheres, importRenderLimit);
    if (elementBytes > importElementByteLimit) return faultOf("element buffer of %lld bytes: more than the viewer's %d", static_cast<long long>(elementBytes), importElementByteLimit);
    append16(body, static_cast<uint16_t>(polygons));
    for (const StoredElement& e : kept) {
        if (e.kind != StoredElement::polygon) continue;
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
    for (const StoredElement& e : kept) {
        if (e.kind != StoredElement::line) continue;
        for (int k = 0; k < 4; ++k) body.push_back(static_cast<uint8_t>(e.attributes >> (8 * k)));
        append16(body, static_cast<uint16_t>(e.offsets[0]));
        append16(body, static_cast<uint16_t>(e.offsets[1]));
    }
    append16(body, static_cast<uint16_t>(spheres));
    for (const StoredElement& e : kept) {
        if (e.kind != StoredElement::sphere) continue;
        for (int k = 0; k < 4; ++k) body.push_back(static_cast<uint8_t>(e.attributes >> (8 * k)));
        append16(body, static_cast<uint16_t>(e.radius));
        append16(body, static_cast<uint16_t>(e.offsets[0]));
    }
    return noFault();
}

}  // namespace

Fault bodyFromOrvaneGltf(const GltfDocument& doc, const MeshBodyOptions& options, bool* handled, std::vector<uint8_t>* out,
                         std::vector<std::string>* notes)
{
    *handled = false;
    OrvaneExtras x;
    bool present = false;
    if (readOrvaneExtras(doc, &x, &present)) {
        if (present) notes->push_back("Orvane extras do not read as format 1 or 2: imported as a foreign model");
        return noFault();
    }
    if (x.pointCount > importPointLimit) return faultOf("%d points: more than the viewer's %d", x.pointCount, importPointLimit);
    if (x.bones.size() > static_cast<size_t>(importBoneLimit)) return faultOf("%zu bones: more than the viewer's %d", x.bones.size(), importBoneLimit);
    if (x.normals.size() > static_cast<size_t>(importNormalLimit)) return faultOf("%zu normals: more than the viewer's %d", x.normals.size(), importNormalLimit);

    RoundTrip trip(doc, options, x, notes);
    if (const Fault f = trip.readPointTable()) return f;
    if (const Fault f = trip.readPrimitives()) return f;
    if (!trip.pointsFound()) {
        notes->push_back("the Orvane extras' points are gone (no _POINT attribute, no point table): imported as a foreign model");
        return noFault();
    }
    *handled = true;
    trip.keepElements();
    if (const Fault f = trip.addNewElements()) return f;
    trip.takeTurnedBones();
    if (trip.elements().empty() && !x.elements.empty()) return faultOf("nothing to import: none of the body's elements is left in the file");

    std::vector<uint8_t> body = x.header;
    appendPoints(body, x, trip.bindPose());
    appendBonesAndNormals(body, x);
    if (const Fault f = appendElements(body, trip.elements())) return f;
    body.insert(body.end(), x.tail.begin(), x.tail.end());
    *out = std::move(body);
    return noFault();
}
