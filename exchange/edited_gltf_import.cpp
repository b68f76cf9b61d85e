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
#include <numeric>
#include <set>
#include <tuple>

#include "body/body.h"
#include "body/body_codec.h"
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
using SegmentKey = std::tuple<bool, Position, Position>;
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

// Each of the skin's joints as a joint of the base (-1 for one the base does not have).
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

namespace {

// The edit as read, before it is written over the base.
class EditedBody {
public:
    EditedBody(const StoredBody& stored, const PosedBody& p, const FileMesh& mesh, const std::vector<int>& fileJoint)
        : stored_(stored), p_(p), mesh_(mesh), fileJoint_(fileJoint)
    {}

    void readPoints(std::vector<std::string>* notes);
    Fault readBones(const GltfDocument& doc, std::vector<std::string>* notes);
    void readElements(const GltfDocument& doc, std::vector<std::string>* notes);
    void addLines(std::map<SegmentKey, int>& segments, int* added, int* unplaced);
    Fault write(std::vector<uint8_t>* out);

private:
    struct NewPoint {
        int anchor;  // placed just before the base's point `anchor` (the end of its bone's run)
        int bone;
        Position position;
    };
    struct Element {
        int base = -1;            // its base record, or -1 for a new one
        int colour = -1;          // a new colour (-1: as it was)
        std::vector<int> points;  // new records: their points (base or new)
        bool translucent = false;
    };

    const StoredBody& stored_;  // the base's records
    const PosedBody& p_;        // the base as posed: its bind pose and joints
    const FileMesh& mesh_;
    const std::vector<int>& fileJoint_;
    std::vector<Position> bind_;    // each base point's bind position after the edit
    std::vector<NewPoint> added_;   // new points, numbered pointCount + k
    std::vector<size_t> order_;     // the new points in their written order: by anchor, then as met
    std::vector<int32_t> number_;   // the written index of each base point and of their end, then of each new point
    std::vector<int> vertexPoint_;  // each vertex's point (base or new), -1: none
    std::vector<int16_t> angles_;   // per bone, new angles X and Y (pairs)
    std::vector<Element> elements_;
    int32_t unreachable_ = -1;  // a point a written offset cannot name, -1: none

    Position framePosition(int point) const
    {
        const Point16& f = p_.framePoints[static_cast<size_t>(point)];
        return {f.x, f.y, f.z};
    }
    Position basePosition(int point) const
    {
        const Point16& b = p_.bindPoints[static_cast<size_t>(point)];
        return {b.x, b.y, b.z};
    }
    // A line may name a point past the body's own (the viewer draws whatever was placed there last):
    // the edit moves only the body's.
    Position editedPosition(int point) const
    {
        return point < p_.pointCount ? bind_[static_cast<size_t>(point)] : basePosition(point);
    }
    int jointBone(int fileJoint) const
    {
        const int j = fileJoint >= 0 && static_cast<size_t>(fileJoint) < fileJoint_.size()
                          ? fileJoint_[static_cast<size_t>(fileJoint)]
                          : -1;
        return j < 0 ? 0 : p_.joints[static_cast<size_t>(j)].index;
    }
    void numberPoints();
    // A point of the edit's (base or new): its index in the written body.
    int32_t renumbered(int point) const
    {
        return point < p_.pointCount ? renumberedBase(point)
                                     : number_[static_cast<size_t>(p_.pointCount + 1 + (point - p_.pointCount))];
    }
    // A point index as the base stores it (a bone's run or origin, a record's offset), whatever it
    // holds: the new points anchored at or before it come first.
    int32_t renumberedBase(int32_t index) const
    {
        if (index < 0) return index;
        return index <= p_.pointCount ? number_[static_cast<size_t>(index)]
                                      : index + static_cast<int32_t>(added_.size());
    }
    // The stored offset of written point `index`; a point of the body that 16 bits cannot reach
    // is kept in unreachable_ (the write is refused), whatever lies past the points wraps as stored.
    int16_t offsetOf(int32_t index, bool signedOffset)
    {
        const int32_t reach = signedOffset ? signedOffsetPointRoom : 0xFFFF / pointBytes + 1;
        if (index >= reach && index < p_.pointCount + static_cast<int32_t>(added_.size()) && unreachable_ < 0)
            unreachable_ = index;
        return static_cast<int16_t>(static_cast<uint16_t>(index * pointBytes));
    }
    int16_t renumberedOffset(int16_t offset, bool signedOffset)
    {
        if (added_.empty()) return offset;  // as stored, whatever it holds
        return offsetOf(renumberedBase(pointIndexOf(offset, signedOffset)), signedOffset);
    }
    void writeElement(StoredBody& out, const Element& e);
};

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

// Each new point goes just before its anchor, those of one anchor in the order they were met.
// Work in proportion to the points, whatever the edit adds.
void EditedBody::numberPoints()
{
    order_.resize(added_.size());
    std::iota(order_.begin(), order_.end(), size_t{0});
    std::stable_sort(order_.begin(), order_.end(),
                     [&](size_t a, size_t b) { return added_[a].anchor < added_[b].anchor; });
    const auto base = static_cast<size_t>(p_.pointCount) + 1;
    number_.assign(base + added_.size(), 0);
    size_t placed = 0;
    for (int32_t i = 0; i <= p_.pointCount; ++i) {
        for (; placed < order_.size() && added_[order_[placed]].anchor <= i; ++placed)
            number_[base + order_[placed]] = added_[order_[placed]].anchor + static_cast<int32_t>(placed);
        number_[static_cast<size_t>(i)] = i + static_cast<int32_t>(placed);
    }
    for (; placed < order_.size(); ++placed)  // past the points: refused when written
        number_[base + order_[placed]] = p_.pointCount + static_cast<int32_t>(placed);
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

void EditedBody::writeElement(StoredBody& out, const Element& e)
{
    const size_t polygons = stored_.polygons.size(), lines = stored_.lines.size();
    if (e.base == -1) {  // a new flat polygon
        PolygonRecord r;
        r.renderType = e.translucent ? 5 : 0;
        r.colour = static_cast<uint16_t>(e.colour);
        for (const int point : e.points)
            r.offsets.push_back(offsetOf(renumbered(point), polygonOffsetsSigned(r.renderType)));
        out.polygons.push_back(r);
    } else if (e.base == -2) {  // a new line
        LineRecord r;
        r.attributes = static_cast<uint32_t>(e.colour) << 8;
        r.first = offsetOf(renumbered(e.points[0]), true);
        r.second = offsetOf(renumbered(e.points[1]), true);
        out.lines.push_back(r);
    } else if (static_cast<size_t>(e.base) < polygons) {
        PolygonRecord r = stored_.polygons[static_cast<size_t>(e.base)];
        if (e.colour >= 0) r.colour = static_cast<uint16_t>((r.colour & 0xFF00) | e.colour);
        for (int16_t& o : r.offsets) o = renumberedOffset(o, polygonOffsetsSigned(r.renderType));
        out.polygons.push_back(r);
    } else if (static_cast<size_t>(e.base) < polygons + lines) {
        LineRecord r = stored_.lines[static_cast<size_t>(e.base) - polygons];
        r.first = renumberedOffset(r.first, true);
        r.second = renumberedOffset(r.second, true);
        out.lines.push_back(r);
    } else {
        SphereRecord r = stored_.spheres[static_cast<size_t>(e.base) - polygons - lines];
        r.centre = renumberedOffset(r.centre, true);
        out.spheres.push_back(r);
    }
}

Fault EditedBody::write(std::vector<uint8_t>* out)
{
    const auto total = static_cast<int64_t>(p_.pointCount) + static_cast<int64_t>(added_.size());
    if (total > importPointLimit)
        return faultOf("%lld points: more than the viewer's %d", static_cast<long long>(total), importPointLimit);
    for (const NewPoint& n : added_) {
        if (n.anchor < 0 || n.anchor > p_.pointCount)
            return faultOf("bone %d's points are not among the body's %d: no point can be added to it", n.bone,
                           p_.pointCount);
    }
    StoredBody body = stored_;
    // A point keeps its place relative to its bone's origin, which moves with the origin's point.
    const auto shift = [&](int point) -> Position {
        if (point < 0 || point >= p_.pointCount) return {0, 0, 0};
        const Position b = basePosition(point), n = bind_[static_cast<size_t>(point)];
        return {n[0] - b[0], n[1] - b[1], n[2] - b[2]};
    };
    const auto originShift = [&](int bone) -> Position {
        const BoneRecord& b = stored_.bones[static_cast<size_t>(bone)];
        return b.parent == -1 ? Position{0, 0, 0} : shift(b.basePoint / pointBytes);
    };
    bool fits = true;
    body.points.clear();
    const auto putPoint = [&](const Position& p) {
        fits &= std::all_of(p.begin(), p.end(), [](int32_t v) { return v >= -32768 && v <= 32767; });
        body.points.push_back({static_cast<int16_t>(p[0]), static_cast<int16_t>(p[1]), static_cast<int16_t>(p[2])});
    };
    size_t next = 0;  // in order_
    const auto putNew = [&](int anchor) {
        for (; next < order_.size() && added_[order_[next]].anchor == anchor; ++next) {
            const NewPoint& n = added_[order_[next]];
            const int joint = p_.boneJoint[static_cast<size_t>(n.bone)];
            const Vec3 origin = joint >= 0 ? p_.joints[static_cast<size_t>(joint)].bindOrigin : Vec3{0, 0, 0};
            const Position s = originShift(n.bone);
            putPoint({n.position[0] - static_cast<int32_t>(origin[0]) - s[0],
                      n.position[1] - static_cast<int32_t>(origin[1]) - s[1],
                      n.position[2] - static_cast<int32_t>(origin[2]) - s[2]});
        }
    };
    for (int i = 0; i < p_.pointCount; ++i) {
        putNew(i);
        const Point16& stored = stored_.points[static_cast<size_t>(i)];
        const Position d = shift(i),
                       o = originShift(p_.joints[static_cast<size_t>(p_.pointJoint[static_cast<size_t>(i)])].index);
        putPoint({stored.x + d[0] - o[0], stored.y + d[1] - o[1], stored.z + d[2] - o[2]});
    }
    putNew(p_.pointCount);
    if (!fits) return faultOf("a point lies more than 32,767 units from its bone's origin");

    for (size_t i = 0; i < body.bones.size(); ++i) {
        BoneRecord& b = body.bones[i];
        b.angleX = angles_[2 * i];
        b.angleY = angles_[2 * i + 1];
        if (added_.empty()) continue;
        const int first = b.firstPoint / pointBytes, end = first + b.pointCount;
        b.firstPoint = offsetOf(renumberedBase(first), true);
        b.pointCount = static_cast<int16_t>(renumberedBase(end) - renumberedBase(first));
        b.basePoint = offsetOf(renumberedBase(b.basePoint / pointBytes), true);
    }
    body.polygons.clear();
    body.lines.clear();
    body.spheres.clear();
    for (const Element& e : elements_) writeElement(body, e);
    if (unreachable_ >= 0) {
        return faultOf("with the new points a record names point %d: a 16-bit offset reaches only points below %d",
                       unreachable_, signedOffsetPointRoom);
    }
    // Past the viewer's render list and element buffer the counts would not even fit their fields.
    const size_t entries = body.polygons.size() + body.lines.size() + body.spheres.size();
    int64_t elementBytes = static_cast<int64_t>(body.lines.size()) * lineConvertedBytes +
                           static_cast<int64_t>(body.spheres.size()) * sphereConvertedBytes;
    for (const PolygonRecord& r : body.polygons)
        elementBytes += polygonHeaderBytes + polygonSlotBytes * static_cast<int64_t>(r.offsets.size());
    if (entries > static_cast<size_t>(importRenderLimit))
        return faultOf("%zu render entries: more than the viewer's %d", entries, importRenderLimit);
    if (elementBytes > importElementByteLimit)
        return faultOf("element buffer of %lld bytes: more than the viewer's %d", static_cast<long long>(elementBytes),
                       importElementByteLimit);
    *out = encodeBody(body);
    return noFault();
}

}  // namespace

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
