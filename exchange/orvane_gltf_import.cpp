// orvane_gltf_import.cpp: reads the extras `orvane export` writes, matches the file against them
// (round_trip) and encodes the body through the codec.
#include "exchange/orvane_gltf_import.h"

#include "body/body.h"
#include "exchange/orvane_extras.h"
#include "exchange/round_trip.h"

namespace {

// Stored points: each relative to the origin of the last processed bone that places it.
std::vector<Point16> storedPoints(const OrvaneExtras& x, const std::vector<std::array<int32_t, 3>>& bind)
{
    std::vector<int> owner(static_cast<size_t>(x.pointCount), -1);
    for (size_t i = 0; i < x.bones.size(); ++i) {
        const BoneRecord& b = x.bones[i];
        if (i > 0 && b.type != boneTypeRotation) continue;
        const int first = b.firstPoint / pointBytes;
        for (int k = 0; k < b.pointCount; ++k) {
            if (first + k >= 0 && first + k < x.pointCount) owner[static_cast<size_t>(first + k)] = static_cast<int>(i);
        }
    }
    std::vector<Point16> points(static_cast<size_t>(x.pointCount));
    for (int p = 0; p < x.pointCount; ++p) {
        std::array<int32_t, 3> origin{};
        const int o = owner[static_cast<size_t>(p)];
        if (o >= 0 && x.bones[static_cast<size_t>(o)].parent != -1) {
            const int base = x.bones[static_cast<size_t>(o)].basePoint / pointBytes;
            if (base >= 0 && base < x.pointCount) origin = bind[static_cast<size_t>(base)];
        }
        const auto& at = bind[static_cast<size_t>(p)];
        // The low 16 bits of the difference, as the point's stored word.
        points[static_cast<size_t>(p)] = {
            static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(at[0] - origin[0]))),
            static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(at[1] - origin[1]))),
            static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(at[2] - origin[2])))};
    }
    return points;
}

// The elements kept and added, refused past the viewer's render list and element buffer.
Fault takeElements(const std::vector<StoredElement>& kept, StoredBody* body)
{
    int64_t elementBytes = 0;
    for (const StoredElement& e : kept) {
        elementBytes += e.kind == StoredElement::polygon
                            ? polygonHeaderBytes + polygonSlotBytes * static_cast<int64_t>(e.offsets.size())
                        : e.kind == StoredElement::line ? lineConvertedBytes
                                                        : sphereConvertedBytes;
    }
    const auto entries = static_cast<int>(kept.size());
    if (entries > importRenderLimit)
        return faultOf("%d render entries: more than the viewer's %d", entries, importRenderLimit);
    if (elementBytes > importElementByteLimit)
        return faultOf("element buffer of %lld bytes: more than the viewer's %d", static_cast<long long>(elementBytes),
                       importElementByteLimit);
    for (const StoredElement& e : kept) appendRecord(e, body);
    return noFault();
}

}  // namespace

Fault bodyFromOrvaneGltf(const GltfDocument& doc, const MeshBodyOptions& options, bool* handled,
                         std::vector<uint8_t>* out, std::vector<std::string>* notes)
{
    *handled = false;
    OrvaneExtras x;
    bool present = false;
    if (const Fault ignored = readOrvaneExtras(doc, &x, &present)) {
        if (present)
            notes->push_back(std::string("Orvane extras ignored (") + ignored.reason +
                             "): imported as a foreign model");
        return noFault();
    }
    if (x.pointCount > importPointLimit)
        return faultOf("%d points: more than the viewer's %d", x.pointCount, importPointLimit);
    if (x.bones.size() > static_cast<size_t>(importBoneLimit))
        return faultOf("%zu bones: more than the viewer's %d", x.bones.size(), importBoneLimit);
    if (x.normals.size() > static_cast<size_t>(importNormalLimit))
        return faultOf("%zu normals: more than the viewer's %d", x.normals.size(), importNormalLimit);

    RoundTrip trip(doc, options, x, notes);
    if (const Fault f = trip.readPointTable()) return f;
    if (const Fault f = trip.readPrimitives()) return f;
    if (!trip.pointsFound()) {
        notes->push_back(
            "the Orvane extras' points are gone (no _POINT attribute, no point table): imported as a foreign model");
        return noFault();
    }
    *handled = true;
    trip.keepElements();
    if (const Fault f = trip.addNewElements()) return f;
    trip.takeTurnedBones();
    if (trip.elements().empty() && !x.elements.empty())
        return faultOf("nothing to import: none of the body's elements is left in the file");

    StoredBody body;
    if (const Fault f = takeElements(trip.elements(), &body)) return f;
    body.header = std::move(x.header);
    body.points = storedPoints(x, trip.bindPose());
    body.bones = std::move(x.bones);
    body.normalTotal = x.normalTotal;
    // A zero total stores no normal records, whatever the extras list.
    if (x.normalTotal != 0) body.normals = std::move(x.normals);
    body.tail = std::move(x.tail);
    *out = encodeBody(body);
    return noFault();
}
