// body_from_mesh.cpp: a posed mesh as a body. Each joint's turn is kept as angles X and Y when
// it is a turn about x then y; anything else (a turn about z, a scale, the root's own turn) is
// baked into the bone's points, which the viewer turns by the bone's matrix at every frame.
#include "exchange/body_from_mesh.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "body/body_builder.h"
#include "exchange/colour.h"
#include "exchange/face_look.h"
#include "exchange/import_scale.h"
#include "exchange/polygon_pieces.h"

namespace {

using Point3 = std::array<int32_t, 3>;

int32_t roundToInt(double v) { return static_cast<int32_t>(std::lround(v)); }

bool fits16(int64_t v) { return v >= -32768 && v <= 32767; }

std::string format(const char* f, long a, long b = 0, long c = 0)
{
    char text[200];
    std::snprintf(text, sizeof text, f, a, b, c);
    return text;
}

struct BonePlan {
    int parent = -1;  // bone index
    int joint = -1;   // mesh joint, -1 for a made-up root
    int16_t angleX = 0, angleY = 0;
    Mat3 world = mat3Identity();  // the body's own turn of this bone (what its matrix holds)
    Point3 origin{};              // absolute model units (0 for the root)
    int basePoint = -1;           // point in the parent's range at the origin
    std::vector<int> points;      // its points, specials first once laid out
};

struct PointPlan {
    int bone = 0;
    Point3 absolute{};
    Point3 stored{};
    bool special = false;  // named by a 16-bit signed offset: must lie low in the array
    int index = -1;        // final index in the point array
};

// A polygon the viewer can fill (convex), cut from a face of the file.
struct PolygonPlan {
    std::vector<int> points;
    std::vector<uint32_t> vertices;  // the scene's, one per point
    bool translucent = false;
    FaceShading shading = FaceShading::unlit;
    Vec3 colour{};           // display
    size_t firstNormal = 0;  // its first request in the normal table
};

Vec3 cross(const Vec3& a, const Vec3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

int16_t angleUnits(double radians)
{
    int32_t units = roundToInt(radians / turnUnit) % 1024;
    if (units > 511) units -= 1024;
    if (units < -512) units += 1024;
    return static_cast<int16_t>(units);
}

double largestDifference(const Mat3& a, const Mat3& b)
{
    double d = 0;
    for (size_t i = 0; i < 9; ++i) d = std::max(d, std::fabs(a[i] - b[i]));
    return d;
}

// The body being planned, step by step; each step may refuse.
class MeshBody {
public:
    MeshBody(const MeshScene& scene, const MeshBodyOptions& options, std::vector<std::string>* notes)
        : scene_(scene), options_(options), scale_(options.scale), notes_(notes), boneOfJoint_(scene.joints.size(), 0)
    {}

    Fault planBones();
    Fault turnBones();
    void placeJointPoints();
    Fault readFaces();
    Fault checkLimits() const;
    Fault storePoints();
    Fault planNormals();
    Fault orderPoints();
    std::vector<uint8_t> build();

private:
    const MeshScene& scene_;
    const MeshBodyOptions& options_;
    const double scale_;
    std::vector<std::string>* notes_;
    std::vector<BonePlan> bones_;
    std::vector<int> boneOfJoint_;
    std::vector<PointPlan> points_;
    std::map<std::tuple<int, int32_t, int32_t, int32_t>, int> pointAt_;
    std::vector<int> vertexPoint_;
    std::vector<PolygonPlan> polygons_;
    std::vector<std::pair<std::array<int, 2>, uint8_t>> lines_;
    std::map<std::tuple<double, double, double>, uint8_t> nearestCache_;
    NormalTable normals_;
    std::vector<int> order_;
    int baked_ = 0, scaled_ = 0;
    double maxAbs_ = 0;

    void absolute(const Vec3& p, Point3* q)
    {
        for (size_t c = 0; c < 3; ++c) {
            const double v = p[c] * scale_;
            maxAbs_ = std::max(maxAbs_, std::fabs(v));
            (*q)[c] = roundToInt(std::clamp(v, -1e9, 1e9));  // beyond 16 bits: refused once the faces are read
        }
    }
    int pointOf(int bone, const Point3& abs);
    int pointOfVertex(uint32_t v);
    uint8_t paletteIndex(const Vec3& c);
    void addPolygon(const MeshFace& face, const std::vector<uint32_t>& piece, int* degenerate);
};

// Bones: a single top joint is the root itself; otherwise a root is made for them all.
Fault MeshBody::planBones()
{
    int topJoints = 0;
    for (const MeshJoint& j : scene_.joints) topJoints += j.parent < 0 ? 1 : 0;
    const bool jointIsRoot = topJoints == 1 && !scene_.joints.empty() && scene_.joints[0].parent < 0;
    if (!jointIsRoot) bones_.push_back(BonePlan{});
    for (size_t j = 0; j < scene_.joints.size(); ++j) {
        BonePlan b;
        b.joint = static_cast<int>(j);
        const int parent = scene_.joints[j].parent;
        if (parent >= static_cast<int>(j)) return faultOf("joint %zu: its parent comes after it", j);
        b.parent = parent >= 0 ? boneOfJoint_[static_cast<size_t>(parent)] : (bones_.empty() ? -1 : 0);
        boneOfJoint_[j] = static_cast<int>(bones_.size());
        bones_.push_back(b);
    }
    // Exact once the bones are turned (a closing bone may still come); this stops a far larger
    // skeleton before that work.
    if (static_cast<int64_t>(bones_.size()) > importBoneLimit)
        return faultOf("%zu bones: more than the viewer's %d", bones_.size(), importBoneLimit);
    return noFault();
}

// Each bone's turn: angles where the joint's turn (relative to its parent's body turn) is x then
// y, the rest baked into its points.
Fault MeshBody::turnBones()
{
    for (BonePlan& b : bones_) {
        if (b.joint < 0) continue;
        const MeshJoint& j = scene_.joints[static_cast<size_t>(b.joint)];
        Mat3 rotation;
        if (!nearestRotation(j.linear, &rotation))
            return faultOf("joint %d: its transform is singular or mirrored", b.joint);
        if (largestDifference(rotation, j.linear) > 1e-6) ++scaled_;
        if (b.parent < 0) {
            if (largestDifference(rotation, mat3Identity()) > 1e-6) ++baked_;
            continue;  // the root turns only with the auto-rotation; its points carry the rest
        }
        const BonePlan& up = bones_[static_cast<size_t>(b.parent)];
        const Mat3 t = mat3Multiply(mat3Transpose(up.world), rotation);
        double x = 0, y = 0;
        if (turnAngles(t, 1e-5, &x, &y)) {
            b.angleX = angleUnits(x);
            b.angleY = angleUnits(y);
        } else {
            ++baked_;
        }
        b.world = mat3Multiply(up.world, turnXY(b.angleX, b.angleY));
        absolute(j.origin, &b.origin);
    }
    // The root's matrix takes angle X from the last rotation bone of the frame before; a last
    // bone without points and angles keeps the body upright.
    if (bones_.size() > 1 && bones_.back().angleX != 0) {
        BonePlan end;
        end.parent = 0;
        bones_.push_back(end);
    }
    if (static_cast<int64_t>(bones_.size()) > importBoneLimit)
        return faultOf("%zu bones: more than the viewer's %d", bones_.size(), importBoneLimit);
    return noFault();
}

// One point per bone and position.
int MeshBody::pointOf(int bone, const Point3& abs)
{
    const auto key = std::make_tuple(bone, abs[0], abs[1], abs[2]);
    const auto found = pointAt_.find(key);
    if (found != pointAt_.end()) return found->second;
    PointPlan p;
    p.bone = bone;
    p.absolute = abs;
    points_.push_back(p);
    const int index = static_cast<int>(points_.size()) - 1;
    pointAt_.emplace(key, index);
    bones_[static_cast<size_t>(bone)].points.push_back(index);
    return index;
}

int MeshBody::pointOfVertex(uint32_t v)
{
    if (vertexPoint_[v] < 0) {
        const MeshVertex& mv = scene_.vertices[v];
        Point3 abs;
        absolute(mv.position, &abs);
        const int bone = mv.joint >= 0 && static_cast<size_t>(mv.joint) < boneOfJoint_.size()
                             ? boneOfJoint_[static_cast<size_t>(mv.joint)]
                             : 0;
        vertexPoint_[v] = pointOf(bone, abs);
    }
    return vertexPoint_[v];
}

// Joint points first, in their parent's range: a bone's origin is named by a signed offset.
void MeshBody::placeJointPoints()
{
    for (size_t i = 1; i < bones_.size(); ++i) {
        BonePlan& b = bones_[i];
        b.basePoint = pointOf(b.parent, b.origin);
        points_[static_cast<size_t>(b.basePoint)].special = true;
    }
    vertexPoint_.assign(scene_.vertices.size(), -1);
}

uint8_t MeshBody::paletteIndex(const Vec3& c)
{
    const auto key = std::make_tuple(c[0], c[1], c[2]);
    const auto found = nearestCache_.find(key);
    if (found != nearestCache_.end()) return found->second;
    const uint8_t index = nearestPaletteIndex(options_.palette, c);
    nearestCache_.emplace(key, index);
    return index;
}

void MeshBody::addPolygon(const MeshFace& face, const std::vector<uint32_t>& piece, int* degenerate)
{
    PolygonPlan p;
    p.translucent = face.translucent;
    p.vertices = piece;
    for (const uint32_t v : piece) p.points.push_back(pointOfVertex(v));
    std::vector<int> distinct = p.points;
    std::sort(distinct.begin(), distinct.end());
    if (std::unique(distinct.begin(), distinct.end()) - distinct.begin() < 3) {
        ++*degenerate;
        return;
    }
    p.colour = pieceColour(scene_, face, piece);
    p.shading = face.translucent ? FaceShading::unlit : pieceShading(scene_, face, piece, options_.flat);
    polygons_.push_back(std::move(p));
}

// Faces: polygons cut into pieces the viewer fills (convex ones whole), and lines.
Fault MeshBody::readFaces()
{
    int degenerate = 0;
    for (const MeshFace& f : scene_.faces) {
        for (const uint32_t v : f.vertices) {
            if (v >= scene_.vertices.size()) return faultOf("a face names vertex %u of %zu", v, scene_.vertices.size());
        }
        if (f.vertices.size() == 2) {
            const int a = pointOfVertex(f.vertices[0]), b = pointOfVertex(f.vertices[1]);
            points_[static_cast<size_t>(a)].special = points_[static_cast<size_t>(b)].special = true;
            lines_.push_back({{a, b}, paletteIndex(scene_.vertices[f.vertices[0]].colour)});
            continue;
        }
        if (f.vertices.size() < 3) continue;
        std::vector<Vec3> corners;
        for (const uint32_t v : f.vertices) corners.push_back(scene_.vertices[v].position);
        for (const std::vector<uint32_t>& piece : polygonPieces(corners)) {
            std::vector<uint32_t> vertices;
            for (const uint32_t k : piece) vertices.push_back(f.vertices[k]);
            addPolygon(f, vertices, &degenerate);
        }
        // Cutting stops well past the body's room: those pieces could never be kept.
        if (polygons_.size() + lines_.size() > 2 * static_cast<size_t>(importRenderLimit)) {
            return faultOf("more than %d render entries (polygons and lines): more than the viewer's %d",
                           2 * importRenderLimit, importRenderLimit);
        }
    }
    if (maxAbs_ > 32767.0) return outOfRangeFault(scene_, scale_, maxAbs_);
    if (degenerate > 0 && polygons_.empty() && lines_.empty())
        return nothingLeftFault(scene_, scale_, scene_.faces.size());
    if (degenerate > 0)
        notes_->push_back(format("%ld faces dropped: fewer than three distinct points at this scale", degenerate));
    if (polygons_.empty() && lines_.empty())
        return faultOf("nothing to import: no triangles, quads or lines in the scene");
    return noFault();
}

// The limits, before anything is laid out.
Fault MeshBody::checkLimits() const
{
    if (static_cast<int64_t>(points_.size()) > importPointLimit)
        return faultOf("%zu points: more than the viewer's %d", points_.size(), importPointLimit);
    const int64_t entries = static_cast<int64_t>(polygons_.size() + lines_.size());
    if (entries > importRenderLimit)
        return faultOf("%lld render entries (polygons and lines): more than the viewer's %d",
                       static_cast<long long>(entries), importRenderLimit);
    int64_t elementBytes = static_cast<int64_t>(lines_.size()) * lineConvertedBytes;
    for (const PolygonPlan& p : polygons_)
        elementBytes += polygonHeaderBytes + polygonSlotBytes * static_cast<int64_t>(p.points.size());
    if (elementBytes > importElementByteLimit)
        return faultOf("element buffer of %lld bytes: more than the viewer's %d", static_cast<long long>(elementBytes),
                       importElementByteLimit);
    return noFault();
}

// Stored points: bone space relative to the bone's origin.
Fault MeshBody::storePoints()
{
    for (PointPlan& p : points_) {
        const BonePlan& b = bones_[static_cast<size_t>(p.bone)];
        const Vec3 rel = {static_cast<double>(p.absolute[0] - b.origin[0]),
                          static_cast<double>(p.absolute[1] - b.origin[1]),
                          static_cast<double>(p.absolute[2] - b.origin[2])};
        const Vec3 local = mat3Apply(mat3Transpose(b.world), rel);
        for (size_t c = 0; c < 3; ++c) {
            const int32_t v = roundToInt(local[c]);
            if (!fits16(v)) {
                return faultOf("a point lies %d model units from its bone's origin, outside the 16-bit range: try "
                               "--scale %s (or --fit SIZE)",
                               v, scaleSuggestion(scale_ * 32767.0 / std::fabs(local[c])).c_str());
            }
            p.stored[c] = v;
        }
    }
    return noFault();
}

// Lit polygons name normal records of their bones: a flat one its face's normal (on its first
// point's bone), a smooth one each corner's normal from the file (on the corner's bone).
Fault MeshBody::planNormals()
{
    std::vector<NormalRequest> requests;
    const auto inBone = [&](int bone, const Vec3& world) {
        return NormalRequest{bone, mat3Apply(mat3Transpose(bones_[static_cast<size_t>(bone)].world), world)};
    };
    for (PolygonPlan& p : polygons_) {
        p.firstNormal = requests.size();
        if (p.shading == FaceShading::flat) {
            Vec3 n{};
            for (size_t k = 0; k < p.points.size(); ++k) {
                const Point3& a = points_[static_cast<size_t>(p.points[k])].absolute;
                const Point3& b = points_[static_cast<size_t>(p.points[(k + 1) % p.points.size()])].absolute;
                const Vec3 c =
                    cross({double(a[0]), double(a[1]), double(a[2])}, {double(b[0]), double(b[1]), double(b[2])});
                for (size_t x = 0; x < 3; ++x) n[x] += c[x];
            }
            requests.push_back(inBone(points_[static_cast<size_t>(p.points[0])].bone, n));
        } else if (p.shading == FaceShading::smooth) {
            for (size_t k = 0; k < p.points.size(); ++k) {
                requests.push_back(
                    inBone(points_[static_cast<size_t>(p.points[k])].bone, scene_.vertices[p.vertices[k]].normal));
            }
        }
    }
    return buildNormalTable(bones_.size(), requests, importNormalLimit, &normals_);
}

// Point array: bone by bone, the points named by signed offsets first, low enough for them.
Fault MeshBody::orderPoints()
{
    int next = 0;
    for (BonePlan& b : bones_) {
        std::stable_sort(b.points.begin(), b.points.end(), [&](int x, int y) {
            return points_[static_cast<size_t>(x)].special > points_[static_cast<size_t>(y)].special;
        });
        for (const int p : b.points) {
            points_[static_cast<size_t>(p)].index = next++;
            order_.push_back(p);
        }
    }
    const auto lowEnough = [&](int point, const char* what) -> Fault {
        const int index = points_[static_cast<size_t>(point)].index;
        if (index >= importOffsetIndexLimit) {
            return faultOf("%s is point %d: a 16-bit offset reaches only points below %d", what, index,
                           importOffsetIndexLimit);
        }
        return noFault();
    };
    for (const BonePlan& b : bones_) {
        if (!b.points.empty()) {
            if (const Fault f = lowEnough(b.points[0], "a bone's first point")) return f;
        }
        if (b.basePoint >= 0) {
            if (const Fault f = lowEnough(b.basePoint, "a bone's origin")) return f;
        }
    }
    for (const auto& line : lines_) {
        for (const int end : line.first) {
            if (const Fault f = lowEnough(end, "a line end")) return f;
        }
    }
    return noFault();
}

std::vector<uint8_t> MeshBody::build()
{
    BodyBuilder builder;
    for (const int p : order_) {
        const Point3& s = points_[static_cast<size_t>(p)].stored;
        builder.addPoint(static_cast<int16_t>(s[0]), static_cast<int16_t>(s[1]), static_cast<int16_t>(s[2]));
    }
    for (const BonePlan& b : bones_) {
        const int first = b.points.empty() ? 0 : points_[static_cast<size_t>(b.points[0])].index;
        const int base = b.basePoint >= 0 ? points_[static_cast<size_t>(b.basePoint)].index : 0;
        builder.addBone(first, static_cast<int>(b.points.size()), base, b.parent, b.angleX, b.angleY);
        for (const auto& n : normals_.perBone[static_cast<size_t>(&b - bones_.data())])
            builder.addNormal(n[0], n[1], n[2], shadedNormalDivisor);
    }
    for (const PolygonPlan& p : polygons_) {
        std::vector<int> indices;
        for (const int point : p.points) indices.push_back(points_[static_cast<size_t>(point)].index);
        const uint8_t nearest = paletteIndex(p.colour);
        if (p.shading == FaceShading::unlit) {
            builder.addPolygon(p.translucent ? 5 : 0, nearest, indices);
            continue;
        }
        // Type 7 names its points by signed offsets; a flat face on higher points is type 9 with
        // one normal at every corner, which looks the same.
        const bool low =
            std::all_of(indices.begin(), indices.end(), [](int index) { return index < importOffsetIndexLimit; });
        if (p.shading == FaceShading::flat && low) {
            builder.addShadedPolygon(7, litColour(nearest), static_cast<int16_t>(normals_.number[p.firstNormal]),
                                     indices);
            continue;
        }
        std::vector<std::pair<int, int>> normalAndPoint;
        for (size_t k = 0; k < indices.size(); ++k) {
            normalAndPoint.push_back(
                {normals_.number[p.firstNormal + (p.shading == FaceShading::smooth ? k : 0)], indices[k]});
        }
        builder.addVertexShadedPolygon(9, litColour(nearest), normalAndPoint);
    }
    for (const auto& line : lines_) {
        builder.addLine(line.second, points_[static_cast<size_t>(line.first[0])].index,
                        points_[static_cast<size_t>(line.first[1])].index);
    }
    if (baked_ > 0)
        notes_->push_back(format("%ld of %ld bones: turns that are not about x then y baked into their points", baked_,
                                 static_cast<long>(bones_.size())));
    if (scaled_ > 0) notes_->push_back(format("%ld bones: scaled joints baked into their points", scaled_));
    return builder.build();
}

}  // namespace

Fault bodyFromMesh(const MeshScene& scene, const MeshBodyOptions& options, std::vector<uint8_t>* out,
                   std::vector<std::string>* notes)
{
    MeshBodyOptions scaled = options;
    if (options.fit > 0) {
        if (const Fault f = fitScale(scene, options.fit, &scaled.scale)) return f;
        char text[120];
        std::snprintf(text, sizeof text, "scaled by %.6g so that the largest extent is %g model units", scaled.scale,
                      options.fit);
        notes->push_back(text);
    }
    MeshBody body(scene, scaled, notes);
    if (const Fault f = body.planBones()) return f;
    if (const Fault f = body.turnBones()) return f;
    body.placeJointPoints();
    if (const Fault f = body.readFaces()) return f;
    if (const Fault f = body.checkLimits()) return f;
    if (const Fault f = body.storePoints()) return f;
    if (const Fault f = body.planNormals()) return f;
    if (const Fault f = body.orderPoints()) return f;
    *out = body.build();
    return noFault();
}
