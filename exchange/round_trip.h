// round_trip.h: matching a glTF that `orvane export` wrote, perhaps edited since in another tool,
// against its Orvane extras. The geometry wins: points come from the mesh's vertices (the
// `_POINT` attribute names each vertex's point), each element's record is kept while its
// triangles or segment are still in the mesh, triangles and segments the extras do not know
// become new flat polygons and lines, and a bone's angles follow its node when the node was
// turned about x then y.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "exchange/body_from_mesh.h"
#include "exchange/gltf_document.h"
#include "exchange/orvane_extras.h"

// One primitive of the exported mesh: vertices in model units, their `_POINT`, triangles left.
struct RoundTripPrimitive {
    std::string role;
    std::vector<std::array<int32_t, 3>> positions;
    std::vector<Vec3> colours;                         // display
    std::vector<int32_t> pointOf;                      // -1 when the vertex names no point
    std::map<std::array<uint32_t, 3>, int> triangles;  // rotated so the smallest index leads
    std::vector<std::array<uint32_t, 2>> segments;
    std::vector<bool> segmentUsed;
    int mode = 4;
};

class RoundTrip {
public:
    RoundTrip(const GltfDocument& doc, const MeshBodyOptions& options, OrvaneExtras& extras,
              std::vector<std::string>* notes);

    // The bind pose from the exporter's point table, when it is there and untouched.
    Fault readPointTable();
    // The skinned mesh's primitives; vertices that name a point place it.
    Fault readPrimitives();
    // False when nothing in the file says where the body's points are.
    bool pointsFound() const { return extras_.pointCount == 0 || tableRead_ || anyNamed_; }
    // The elements whose geometry is still in the mesh, in stored order.
    void keepElements();
    // New triangles and segments: flat polygons and lines over the points they touch.
    Fault addNewElements();
    // Bones whose node was turned about x then y take its angles.
    void takeTurnedBones();

    const std::vector<std::array<int32_t, 3>>& bindPose() const { return bind_; }
    const std::vector<StoredElement>& elements() const { return kept_; }

private:
    const GltfDocument& doc_;
    const MeshBodyOptions& options_;
    OrvaneExtras& extras_;
    std::vector<std::string>* notes_;
    std::vector<std::array<int32_t, 3>> bind_;
    bool tableRead_ = false, anyNamed_ = false;
    int64_t skinIndex_ = -1;
    std::vector<RoundTripPrimitive> prims_;
    std::vector<StoredElement> kept_;

    int32_t model(double v) const;
    bool outOfRange(double v) const;
    Fault readPrimitive(const GltfJson& prim, size_t p, RoundTripPrimitive* pr);
    bool vertexIs(const RoundTripPrimitive& pr, int64_t v, int32_t point) const;
    bool polygonStillThere(RoundTripPrimitive& pr, const StoredElement& e, const ElementPlace& place) const;
    bool keeps(const StoredElement& e, const ElementPlace& place);
};
