// edited_gltf_import.cpp: an edited export read against its base body. The base's stored bytes
// are the starting point; the file says only what changed:
//   - points: a vertex's point is its first UV's u (or `_POINT`); all of a point's vertices moved
//     alike move it; a vertex at a new place with a point already placed, or a fractional u, is
//     a new point on the vertex's joint;
//   - polygons keep their records while their triangles are there (a `palette_NNN` material
//     other than their colour recolours them); triangles left over become new flat polygons;
//   - lines keep their records while a segment joins their ends; spheres while their node is there;
//   - a joint turned other than its base turn turns its bone (x then y, 1024 units a turn).
#include "exchange/edited_gltf_import.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <tuple>

#include "body/body.h"
#include "body/body_codec.h"
#include "exchange/edited_body.h"
#include "exchange/edited_gltf_file.h"
#include "support/little_endian.h"

namespace {

constexpr double unchangedTurn = 1e-3;  // a sixth of an angle unit: float and table noise
constexpr double turnUnits = 1024.0 / 6.283185307179586;

std::array<int32_t, 3> triangleKey(int32_t a, int32_t b, int32_t c)
{
    if (b < a && b < c) return {b, c, a};
    if (c < a && c < b) return {c, a, b};
    return {a, b, c};
}

double largestDifference(const Mat3& a, const Mat3& b)
{
    double d = 0;
    for (size_t k = 0; k < 9; ++k) d = std::max(d, std::fabs(a[k] - b[k]));
    return d;
}

// Segments by their ends' places, posed or in the bind pose as the exporter placed them.
SegmentKey segmentKey(bool posed, const Position& a, const Position& b)
{
    const auto [low, high] = std::minmax(a, b);
    return SegmentKey{posed, low, high};
}

int16_t nearAngle(double turn, int16_t old)
{
    // The representative of the new angle nearest the stored one, so an angle moves by the turn.
    long v = std::lround(turn * turnUnits);
    v = old + ((((v - old) % 1024) + 1024 + 512) % 1024 - 512);
    return static_cast<int16_t>(std::clamp<long>(v, -32768, 32767));
}

}  // namespace

bool gltfMatchesBase(const GltfDocument& doc, const std::vector<uint8_t>& base)
{
    PosedBody p;
    if (poseBody(base.data(), base.size(), 0, &p)) return false;
    const std::vector<int64_t> nodes = jointNodes(doc, p);
    const std::vector<int> joints = skinJoints(doc, nodes);
    if (std::any_of(nodes.begin(), nodes.end(), [](int64_t n) { return n < 0; })) return false;
    return std::none_of(joints.begin(), joints.end(), [](int j) { return j < 0; });
}

void EditedBody::readPoints(std::vector<std::string>* notes)
{
    bind_.clear();
    for (int i = 0; i < p_.pointCount; ++i) bind_.push_back(basePosition(i));
    // Every place each point's vertices are at; a point goes where its vertices all went.
    std::map<int, std::map<Position, int>> places;
    for (const FileVertex& v : mesh_.vertices) {
        if (v.id >= 0 && v.id < p_.pointCount && v.id == std::floor(v.id)) ++places[static_cast<int>(v.id)][v.position];
    }
    int moved = 0;
    for (auto& [point, at] : places) {
        if (at.count(bind_[static_cast<size_t>(point)]) == 0) {
            bind_[static_cast<size_t>(point)] =
                std::max_element(at.begin(), at.end(), [](const auto& a, const auto& b) {
                    return a.second < b.second;
                })->first;
            ++moved;
        }
    }
    // Each vertex's point: its own, a new one where it left its point's place, or the base point
    // at its place (vertices that carry no name, like Blender's loose edges).
    std::map<Position, int> atPlace;
    for (int i = p_.pointCount; i-- > 0;) atPlace[bind_[static_cast<size_t>(i)]] = i;
    std::map<std::pair<int, Position>, int> newAt;
    for (const FileVertex& v : mesh_.vertices) {
        const bool named = v.id >= 0 && v.id < p_.pointCount && v.id == std::floor(v.id);
        if (named && bind_[static_cast<size_t>(v.id)] == v.position) {
            vertexPoint_.push_back(static_cast<int>(v.id));
            continue;
        }
        if (!named && v.id < 0) {
            const auto it = atPlace.find(v.position);
            vertexPoint_.push_back(it == atPlace.end() ? -1 : it->second);
            continue;
        }
        const int bone = jointBone(v.joint);
        const auto key = std::make_pair(bone, v.position);
        auto it = newAt.find(key);
        if (it == newAt.end()) {
            const BoneRecord& b = p_.bones[static_cast<size_t>(bone)];
            it = newAt.emplace(key, p_.pointCount + static_cast<int>(added_.size())).first;
            added_.push_back({b.firstPoint / pointBytes + b.pointCount, bone, v.position});
        }
        vertexPoint_.push_back(it->second);
    }
    numberPoints();
    if (moved > 0) notes->push_back(std::to_string(moved) + " points moved");
    if (!added_.empty()) notes->push_back(std::to_string(added_.size()) + " new points");
}

Fault EditedBody::readBones(const GltfDocument& doc, std::vector<std::string>* notes)
{
    angles_.clear();
    for (const BoneRecord& b : p_.bones) {
        angles_.push_back(b.angleX);
        angles_.push_back(b.angleY);
    }
    std::vector<Mat3> turn;
    std::vector<bool> found;
    if (const Fault f = skinTurns(doc, fileJoint_, p_.joints.size(), &turn, &found)) return f;
    std::vector<std::pair<int, Mat3>> turned;
    bool anyPosed = false, anyTurnedBase = false;
    const Mat3 identity = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    for (size_t j = 1; j < p_.joints.size(); ++j) {
        const PosedBone& joint = p_.joints[j];
        if (!found[j] || joint.parentJoint < 0 || !found[static_cast<size_t>(joint.parentJoint)]) continue;
        const Mat3 local = mat3Multiply(mat3Transpose(turn[static_cast<size_t>(joint.parentJoint)]), turn[j]);
        anyTurnedBase |= largestDifference(joint.world, identity) > unchangedTurn;
        anyPosed |= largestDifference(turn[j], identity) > unchangedTurn;
        if (largestDifference(local, joint.local) > unchangedTurn) turned.emplace_back(static_cast<int>(j), local);
    }
    if (anyTurnedBase && !anyPosed) {
        notes->push_back(
            "every joint is at the rest pose (exported without \"Use Current Frame\"?): the stored angles are kept");
        return noFault();
    }
    for (const auto& [j, local] : turned) {
        const PosedBone& joint = p_.joints[static_cast<size_t>(j)];
        if (joint.index == 0) continue;
        const BoneRecord& b = p_.bones[static_cast<size_t>(joint.index)];
        // The turn the joint took, in its own frame, after the bone's own turn.
        const Mat3 own = mat3Multiply(turnXY(b.angleX, b.angleY), mat3Multiply(mat3Transpose(joint.local), local));
        const double ax = std::atan2(own[7], own[4]), ay = std::atan2(own[2], own[0]);
        const int16_t x = nearAngle(ax, b.angleX), y = nearAngle(ay, b.angleY);
        if (largestDifference(turnXY(x, y), own) > 2 * 6.283185307179586 / 1024) {
            return faultOf("bone %d is turned about an axis other than its x then y, which a body cannot hold: turn it "
                           "about x and y only",
                           joint.index);
        }
        angles_[2 * static_cast<size_t>(joint.index)] = x;
        angles_[2 * static_cast<size_t>(joint.index) + 1] = y;
        notes->push_back("bone " + std::to_string(joint.index) + ": angles " + std::to_string(b.angleX) + ", " +
                         std::to_string(b.angleY) + " become " + std::to_string(x) + ", " + std::to_string(y));
    }
    return noFault();
}

void EditedBody::readElements(const GltfDocument& doc, std::vector<std::string>* notes)
{
    // The file's triangles by the points at their corners, wound as they are.
    std::map<std::array<int32_t, 3>, std::vector<size_t>> pool;
    for (size_t t = mesh_.triangles.size(); t-- > 0;) {
        const uint32_t* v = mesh_.triangles[t].v;
        pool[triangleKey(vertexPoint_[v[0]], vertexPoint_[v[1]], vertexPoint_[v[2]])].push_back(t);
    }
    std::vector<bool> used(mesh_.triangles.size(), false);
    std::map<SegmentKey, int> segments;
    for (const FileSegment& s : mesh_.segments) ++segments[segmentKey(s.posed, s.a, s.b)];
    std::set<std::string> sphereNodes;
    if (const GltfJson* nodes = gltfArray(doc.json, "nodes")) {
        for (const GltfJson& n : *nodes) {
            const GltfJson* name = gltfField(n, "name");
            if (name != nullptr && name->is_string() && gltfField(n, "mesh") != nullptr)
                sphereNodes.insert(name->get<std::string>());
        }
    }
    int removed = 0, recoloured = 0, sphere = 0;
    for (size_t i = 0; i < p_.elements.size(); ++i) {
        const PosedElement& e = p_.elements[i];
        Element kept;
        kept.base = static_cast<int>(i);
        bool keep = true;
        if (e.kind == PosedElement::polygon && e.points.size() >= 3) {
            std::map<std::array<int32_t, 3>, size_t> needed;
            for (size_t k = 1; k + 1 < e.points.size(); ++k) {
                const int32_t a = e.points[0], b = e.points[k], c = e.points[k + 1];
                if (a != b && b != c && a != c) ++needed[triangleKey(a, b, c)];
            }
            for (const auto& [key, count] : needed) {
                const auto it = pool.find(key);
                keep = keep && it != pool.end() && it->second.size() >= count;
            }
            for (const auto& [key, count] : needed) {
                for (size_t k = 0; keep && k < count; ++k) {
                    const size_t t = pool[key].back();
                    pool[key].pop_back();
                    used[t] = true;
                    const int colour = mesh_.triangles[t].colour;
                    if (colour >= 0 && colour != (e.colour & 0xFF)) kept.colour = colour;
                }
            }
            recoloured += keep && kept.colour >= 0;
        } else if (e.kind == PosedElement::line && !mesh_.segments.empty()) {
            const int a = e.points[0], b = e.points[1];
            const bool posed = p_.pointJoint[static_cast<size_t>(a)] != p_.pointJoint[static_cast<size_t>(b)];
            // A line under a joint is its own object in an editor: its ends stay where they were
            // when the faces' vertices at its points move.
            auto it = segments.find(posed ? segmentKey(true, framePosition(a), framePosition(b))
                                          : segmentKey(false, editedPosition(a), editedPosition(b)));
            if (!posed && (it == segments.end() || it->second == 0))
                it = segments.find(segmentKey(false, basePosition(a), basePosition(b)));
            keep = it != segments.end() && it->second > 0;
            if (keep) --it->second;
        } else if (e.kind == PosedElement::sphere) {
            keep = sphereNodes.count("sphere_" + std::to_string(sphere++)) > 0;
        }
        if (keep)
            elements_.push_back(kept);
        else
            ++removed;
    }
    // What is left is new: flat polygons in their material's colour, lines between points.
    int added = 0, unplaced = 0;
    for (size_t t = 0; t < mesh_.triangles.size(); ++t) {
        if (used[t]) continue;
        const FileTriangle& tri = mesh_.triangles[t];
        Element e;
        e.colour = std::max(tri.colour, 0);
        e.translucent = tri.translucent;
        for (const uint32_t v : tri.v) e.points.push_back(vertexPoint_[v]);
        if (std::find(e.points.begin(), e.points.end(), -1) != e.points.end()) {
            ++unplaced;
            continue;
        }
        if (e.points[0] == e.points[1] || e.points[1] == e.points[2] || e.points[0] == e.points[2])
            continue;  // no area to draw
        elements_.push_back(e);
        ++added;
    }
    addLines(segments, &added, &unplaced);
    // Blender writes lines only when asked to ("Loose Edges"): a file without any keeps the base's.
    const bool anyLine = std::any_of(p_.elements.begin(), p_.elements.end(),
                                     [](const PosedElement& e) { return e.kind == PosedElement::line; });
    if (mesh_.segments.empty() && anyLine)
        notes->push_back("the file has no lines (exported without \"Loose Edges\"?): the lines are kept as they were");
    if (removed > 0) notes->push_back(std::to_string(removed) + " polygons, lines and spheres removed");
    if (recoloured > 0) notes->push_back(std::to_string(recoloured) + " polygons recoloured");
    if (added > 0) notes->push_back(std::to_string(added) + " new polygons and lines");
    if (unplaced > 0)
        notes->push_back(std::to_string(unplaced) + " new triangles and segments dropped: a corner names no point");
}

// The segments no line of the base took become new lines: each joins the points at its ends'
// places (the lowest numbered where several share one).
void EditedBody::addLines(std::map<SegmentKey, int>& segments, int* added, int* unplaced)
{
    std::map<Position, int> atPlace, atFramePlace;
    for (int i = p_.pointCount; i-- > 0;) {
        atPlace[basePosition(i)] = i;
        atFramePlace[framePosition(i)] = i;
    }
    for (int i = p_.pointCount; i-- > 0;) atPlace[bind_[static_cast<size_t>(i)]] = i;
    for (const FileSegment& s : mesh_.segments) {
        auto it = segments.find(segmentKey(s.posed, s.a, s.b));
        if (it == segments.end() || it->second == 0) continue;
        --it->second;
        Element e;
        e.base = -2;  // a line
        e.colour = 0;
        for (const Position& at : {s.a, s.b}) {
            const std::map<Position, int>& places = s.posed ? atFramePlace : atPlace;
            const auto found = places.find(at);
            e.points.push_back(found == places.end() ? -1 : found->second);
        }
        if (e.points[0] < 0 || e.points[1] < 0 || e.points[0] == e.points[1]) {
            ++*unplaced;
            continue;
        }
        elements_.push_back(e);
        ++*added;
    }
}

Fault bodyFromEditedGltf(const GltfDocument& doc, const std::vector<uint8_t>& base, const MeshBodyOptions& options,
                         std::vector<uint8_t>* out, std::vector<std::string>* notes)
{
    PosedBody p;
    if (const Fault f = poseBody(base.data(), base.size(), 0, &p)) return withContext("the base entry", f);
    StoredBody stored;
    if (const Fault f = decodeBody(base.data(), base.size(), &stored)) return withContext("the base entry", f);
    if (stored.polygons.size() + stored.lines.size() + stored.spheres.size() != p.elements.size() ||
        stored.points.size() != static_cast<size_t>(p.pointCount)) {
        return faultOf("the base entry's records are not those its frames show");
    }
    const std::vector<int64_t> nodes = jointNodes(doc, p);
    const std::vector<int> fileJoint = skinJoints(doc, nodes);
    FileMesh mesh;
    if (const Fault f = readEditedMesh(doc, options.scale, &mesh)) return f;
    EditedBody edited(stored, p, mesh, fileJoint);
    edited.readPoints(notes);
    if (const Fault f = edited.readBones(doc, notes)) return f;
    edited.readElements(doc, notes);
    return edited.write(out);
}
