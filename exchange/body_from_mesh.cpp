// body_from_mesh.cpp: a posed mesh as a body. Each joint's turn is kept as angles X and Y when
// it is a turn about x then y; anything else (a turn about z, a scale, the root's own turn) is
// baked into the bone's points, which the viewer turns by the bone's matrix at every frame.
#include "exchange/body_from_mesh.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "body/body_builder.h"

namespace {

constexpr double turnUnit = 6.283185307179586 / 1024.0;
// Normals are 1000 long; light (0, 40, 40) gives v >> 14 up to 40 * sqrt(2) * 1000 = 56,569,
// and this divisor turns that into shades 0..7: half a 16-colour ramp of the demo palette.
constexpr int16_t normalLength = 1000;
constexpr uint16_t normalDivisor = 8081;
constexpr int shadeSpan = 7;

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
    int parent = -1;        // bone index
    int joint = -1;         // mesh joint, -1 for a made-up root
    int16_t angleX = 0, angleY = 0;
    Mat3d world = mat3Identity();  // the body's own turn of this bone (what its matrix holds)
    Point3 origin{};        // absolute model units (0 for the root)
    int basePoint = -1;     // point in the parent's range at the origin
    std::vector<int> points;  // its points, specials first once laid out
    std::vector<Vec3d> normals;  // its normal records (bone space, length 1000)
};

struct PointPlan {
    int bone = 0;
    Point3 absolute{};
    Point3 stored{};
    bool special = false;  // named by a 16-bit signed offset: must lie low in the array
    int index = -1;        // final index in the point array
    Vec3d normalSum{};     // area-weighted face normals (world), for smooth faces
    int normal = -1;       // its normal number when a smooth face uses it
};

Vec3d cross(const Vec3d& a, const Vec3d& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// Nearest x-then-y decomposition of a rotation: true when `t` is one (to rounding).
bool turnAngles(const Mat3d& t, double* x, double* y)
{
    *y = std::atan2(t[2], t[0]);
    *x = std::atan2(t[7], t[4]);
    const Mat3d back = turnXY(*x / turnUnit, *y / turnUnit);
    double error = 0;
    for (size_t i = 0; i < 9; ++i) error = std::max(error, std::fabs(back[i] - t[i]));
    return error < 1e-5;
}

int16_t angleUnits(double radians)
{
    int32_t units = roundToInt(radians / turnUnit) % 1024;
    if (units > 511) units -= 1024;
    if (units < -512) units += 1024;
    return static_cast<int16_t>(units);
}

}  // namespace

Mat3d mat3Multiply(const Mat3d& a, const Mat3d& b)
{
    Mat3d r{};
    for (size_t i = 0; i < 3; ++i)
        for (size_t j = 0; j < 3; ++j) r[i * 3 + j] = a[i * 3] * b[j] + a[i * 3 + 1] * b[3 + j] + a[i * 3 + 2] * b[6 + j];
    return r;
}

Mat3d mat3Transpose(const Mat3d& a) { return {a[0], a[3], a[6], a[1], a[4], a[7], a[2], a[5], a[8]}; }

Vec3d mat3Apply(const Mat3d& m, const Vec3d& v)
{
    return {m[0] * v[0] + m[1] * v[1] + m[2] * v[2], m[3] * v[0] + m[4] * v[1] + m[5] * v[2], m[6] * v[0] + m[7] * v[1] + m[8] * v[2]};
}

Mat3d mat3Identity() { return {1, 0, 0, 0, 1, 0, 0, 0, 1}; }

bool nearestRotation(const Mat3d& m, Mat3d* out)
{
    Mat3d q = m;
    for (int iteration = 0; iteration < 40; ++iteration) {
        const double det = q[0] * (q[4] * q[8] - q[5] * q[7]) - q[1] * (q[3] * q[8] - q[5] * q[6]) + q[2] * (q[3] * q[7] - q[4] * q[6]);
        if (!(det > 1e-12) || !std::isfinite(det)) return false;
        const Mat3d cof = {q[4] * q[8] - q[5] * q[7], q[5] * q[6] - q[3] * q[8], q[3] * q[7] - q[4] * q[6],
                           q[2] * q[7] - q[1] * q[8], q[0] * q[8] - q[2] * q[6], q[1] * q[6] - q[0] * q[7],
                           q[1] * q[5] - q[2] * q[4], q[2] * q[3] - q[0] * q[5], q[0] * q[4] - q[1] * q[3]};
        for (size_t i = 0; i < 9; ++i) q[i] = 0.5 * (q[i] + cof[i] / det);
    }
    *out = q;
    return true;
}

Mat3d turnXY(double x, double y)
{
    const double ax = x * turnUnit, ay = y * turnUnit;
    const double cx = std::cos(ax), sx = std::sin(ax), cy = std::cos(ay), sy = std::sin(ay);
    return mat3Multiply({1, 0, 0, 0, cx, -sx, 0, sx, cx}, {cy, 0, sy, 0, 1, 0, -sy, 0, cy});
}

double displayFromLinear(double linear)
{
    const double c = std::clamp(linear, 0.0, 1.0);
    return 255.0 * (c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055);
}

uint8_t nearestPaletteIndex(const uint8_t (*palette)[3], const Vec3d& colour)
{
    int best = 0;
    double bestDistance = 1e300;
    for (int i = 0; i < 256; ++i) {
        double d = 0;
        for (size_t c = 0; c < 3; ++c) {
            const double e = palette[i][c] - colour[c];
            d += e * e;
        }
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return static_cast<uint8_t>(best);
}

Fault bodyFromMesh(const MeshScene& scene, const MeshBodyOptions& options, std::vector<uint8_t>* out,
                   std::vector<std::string>* notes)
{
    const double scale = options.scale;

    // Bones: a single top joint is the root itself; otherwise a root is made for them all.
    std::vector<BonePlan> bones;
    std::vector<int> boneOfJoint(scene.joints.size(), 0);
    int topJoints = 0;
    for (const MeshJoint& j : scene.joints) topJoints += j.parent < 0 ? 1 : 0;
    const bool jointIsRoot = topJoints == 1 && !scene.joints.empty() && scene.joints[0].parent < 0;
    if (!jointIsRoot) bones.push_back(BonePlan{});
    for (size_t j = 0; j < scene.joints.size(); ++j) {
        BonePlan b;
        b.joint = static_cast<int>(j);
        const int parent = scene.joints[j].parent;
        if (parent >= static_cast<int>(j)) return faultOf("joint %zu: its parent comes after it", j);
        b.parent = parent >= 0 ? boneOfJoint[static_cast<size_t>(parent)] : (bones.empty() ? -1 : 0);
        boneOfJoint[j] = static_cast<int>(bones.size());
        bones.push_back(b);
    }
    if (static_cast<int64_t>(bones.size()) + 1 > importBoneLimit) {
        return faultOf("%zu bones: more than the viewer's %d", bones.size(), importBoneLimit);
    }

    // Each bone's turn: angles where the joint's turn (relative to its parent's body turn) is
    // x then y, the rest baked into its points.
    int baked = 0, scaled = 0;
    double maxAbs = 0;
    const auto absolute = [&](const Vec3d& p, Point3* q) {
        for (size_t c = 0; c < 3; ++c) {
            const double v = p[c] * scale;
            maxAbs = std::max(maxAbs, std::fabs(v));
            (*q)[c] = std::fabs(v) < 1e9 ? roundToInt(v) : 0;
        }
    };
    for (BonePlan& b : bones) {
        if (b.joint < 0) continue;
        const MeshJoint& j = scene.joints[static_cast<size_t>(b.joint)];
        Mat3d rotation;
        if (!nearestRotation(j.linear, &rotation)) return faultOf("joint %d: its transform is singular or mirrored", b.joint);
        double err = 0;
        for (size_t i = 0; i < 9; ++i) err = std::max(err, std::fabs(rotation[i] - j.linear[i]));
        if (err > 1e-6) ++scaled;
        if (b.parent < 0) {
            const Mat3d id = mat3Identity();
            double off = 0;
            for (size_t i = 0; i < 9; ++i) off = std::max(off, std::fabs(rotation[i] - id[i]));
            if (off > 1e-6) ++baked;
            continue;  // the root turns only with the auto-rotation; its points carry the rest
        }
        const BonePlan& up = bones[static_cast<size_t>(b.parent)];
        const Mat3d t = mat3Multiply(mat3Transpose(up.world), rotation);
        double x = 0, y = 0;
        if (turnAngles(t, &x, &y)) {
            b.angleX = angleUnits(x);
            b.angleY = angleUnits(y);
        } else {
            ++baked;
        }
        b.world = mat3Multiply(up.world, turnXY(b.angleX, b.angleY));
        absolute(j.origin, &b.origin);
    }
    // The root's matrix takes angle X from the last rotation bone of the frame before; a last
    // bone without points and angles keeps the body upright.
    if (bones.size() > 1 && bones.back().angleX != 0) {
        BonePlan end;
        end.parent = 0;
        bones.push_back(end);
    }
    if (static_cast<int64_t>(bones.size()) > importBoneLimit) return faultOf("%zu bones: more than the viewer's %d", bones.size(), importBoneLimit);

    // Points: one per bone and position, joint points first in their parent's range.
    std::vector<PointPlan> points;
    std::map<std::tuple<int, int32_t, int32_t, int32_t>, int> pointAt;
    const auto pointOf = [&](int bone, const Point3& abs) {
        const auto key = std::make_tuple(bone, abs[0], abs[1], abs[2]);
        const auto found = pointAt.find(key);
        if (found != pointAt.end()) return found->second;
        PointPlan p;
        p.bone = bone;
        p.absolute = abs;
        points.push_back(p);
        const int index = static_cast<int>(points.size()) - 1;
        pointAt.emplace(key, index);
        bones[static_cast<size_t>(bone)].points.push_back(index);
        return index;
    };
    for (size_t i = 1; i < bones.size(); ++i) {
        BonePlan& b = bones[i];
        b.basePoint = pointOf(b.parent, b.origin);
        points[static_cast<size_t>(b.basePoint)].special = true;
    }
    std::vector<int> vertexPoint(scene.vertices.size(), -1);
    const auto pointOfVertex = [&](uint32_t v) {
        if (vertexPoint[v] < 0) {
            const MeshVertex& mv = scene.vertices[v];
            Point3 abs;
            absolute(mv.position, &abs);
            const int bone = mv.joint >= 0 && static_cast<size_t>(mv.joint) < boneOfJoint.size() ? boneOfJoint[static_cast<size_t>(mv.joint)] : 0;
            vertexPoint[v] = pointOf(bone, abs);
        }
        return vertexPoint[v];
    };

    // Faces: polygons (fanned above four vertices, the viewer draws convex polygons) and lines.
    struct Polygon {
        std::vector<int> points;
        std::vector<uint8_t> colours;
        bool translucent = false;
        Vec3d colour{};
    };
    std::vector<Polygon> polygons;
    std::vector<std::pair<std::array<int, 2>, uint8_t>> lines;
    std::map<std::tuple<double, double, double>, uint8_t> nearestCache;
    const auto paletteIndex = [&](const Vec3d& c) {
        const auto key = std::make_tuple(c[0], c[1], c[2]);
        const auto found = nearestCache.find(key);
        if (found != nearestCache.end()) return found->second;
        const uint8_t index = nearestPaletteIndex(options.palette, c);
        nearestCache.emplace(key, index);
        return index;
    };
    int degenerate = 0;
    for (const MeshFace& f : scene.faces) {
        for (const uint32_t v : f.vertices) {
            if (v >= scene.vertices.size()) return faultOf("a face names vertex %u of %zu", v, scene.vertices.size());
        }
        if (f.vertices.size() == 2) {
            const int a = pointOfVertex(f.vertices[0]), b = pointOfVertex(f.vertices[1]);
            points[static_cast<size_t>(a)].special = points[static_cast<size_t>(b)].special = true;
            lines.push_back({{a, b}, paletteIndex(scene.vertices[f.vertices[0]].colour)});
            continue;
        }
        if (f.vertices.size() < 3) continue;
        std::vector<std::vector<uint32_t>> pieces;
        if (f.vertices.size() <= 4) {
            pieces.push_back(f.vertices);
        } else {
            for (size_t k = 1; k + 1 < f.vertices.size(); ++k) pieces.push_back({f.vertices[0], f.vertices[k], f.vertices[k + 1]});
        }
        for (const auto& piece : pieces) {
            Polygon p;
            p.translucent = f.translucent;
            for (const uint32_t v : piece) {
                p.points.push_back(pointOfVertex(v));
                p.colours.push_back(paletteIndex(scene.vertices[v].colour));
                for (size_t c = 0; c < 3; ++c) p.colour[c] += scene.vertices[v].colour[c] / static_cast<double>(piece.size());
            }
            std::vector<int> distinct = p.points;
            std::sort(distinct.begin(), distinct.end());
            if (std::unique(distinct.begin(), distinct.end()) - distinct.begin() < 3) {
                ++degenerate;
                continue;
            }
            polygons.push_back(std::move(p));
        }
    }
    if (degenerate > 0) notes->push_back(format("%ld faces dropped: fewer than three distinct points at this scale", degenerate));

    if (polygons.empty() && lines.empty()) return faultOf("nothing to import: no triangles, quads or lines in the scene");

    // Limits, before anything is laid out.
    if (static_cast<int64_t>(points.size()) > importPointLimit) return faultOf("%zu points: more than the viewer's %d", points.size(), importPointLimit);
    const int64_t entries = static_cast<int64_t>(polygons.size() + lines.size());
    if (entries > importRenderLimit) return faultOf("%lld render entries (polygons and lines): more than the viewer's %d", static_cast<long long>(entries), importRenderLimit);
    int64_t elementBytes = static_cast<int64_t>(lines.size()) * lineConvertedBytes;
    for (const Polygon& p : polygons) elementBytes += polygonHeaderBytes + polygonSlotBytes * static_cast<int64_t>(p.points.size());
    if (elementBytes > importElementByteLimit) return faultOf("element buffer of %lld bytes: more than the viewer's %d", static_cast<long long>(elementBytes), importElementByteLimit);
    if (maxAbs > 32767.0) {
        const double fit = scale * 32767.0 / maxAbs;
        return faultOf("coordinates reach %.0f model units, outside the 16-bit range: try --scale %.6g", maxAbs, std::floor(fit * 1e4) / 1e4);
    }

    // Stored points: bone space relative to the bone's origin.
    for (PointPlan& p : points) {
        const BonePlan& b = bones[static_cast<size_t>(p.bone)];
        const Vec3d rel = {static_cast<double>(p.absolute[0] - b.origin[0]), static_cast<double>(p.absolute[1] - b.origin[1]),
                           static_cast<double>(p.absolute[2] - b.origin[2])};
        const Vec3d local = mat3Apply(mat3Transpose(b.world), rel);
        for (size_t c = 0; c < 3; ++c) {
            const int32_t v = roundToInt(local[c]);
            if (!fits16(v)) {
                return faultOf("a point lies %d model units from its bone's origin, outside the 16-bit range: try --scale %.6g", v,
                               std::floor(scale * 32767.0 / std::fabs(local[c]) * 1e4) / 1e4);
            }
            p.stored[c] = v;
        }
    }

    // Smooth polygons (vertex colours differ) get per-vertex normals of their bone.
    std::vector<bool> smooth(polygons.size(), false);
    for (size_t i = 0; i < polygons.size(); ++i) {
        const Polygon& p = polygons[i];
        smooth[i] = !p.translucent && std::any_of(p.colours.begin(), p.colours.end(), [&](uint8_t c) { return c != p.colours[0]; });
        Vec3d n{};
        for (size_t k = 0; k < p.points.size(); ++k) {
            const Point3& a = points[static_cast<size_t>(p.points[k])].absolute;
            const Point3& b = points[static_cast<size_t>(p.points[(k + 1) % p.points.size()])].absolute;
            const Vec3d da = {static_cast<double>(a[0]), static_cast<double>(a[1]), static_cast<double>(a[2])};
            const Vec3d db = {static_cast<double>(b[0]), static_cast<double>(b[1]), static_cast<double>(b[2])};
            const Vec3d c = cross(da, db);
            for (size_t x = 0; x < 3; ++x) n[x] += c[x];
        }
        for (const int point : p.points) {
            for (size_t x = 0; x < 3; ++x) points[static_cast<size_t>(point)].normalSum[x] += n[x];
        }
    }
    // Normal records: a point's summed face normal in its bone's space, 1000 long, shared by
    // equal directions within a bone; coarser directions when the shade table would overflow.
    for (const int grid : {1000, 200, 50, 20, 8, 4, 2, 1}) {
        int total = 0;
        for (BonePlan& b : bones) b.normals.clear();
        std::vector<std::map<std::array<int, 3>, int>> seen(bones.size());
        for (size_t i = 0; i < polygons.size(); ++i) {
            if (!smooth[i]) continue;
            for (const int point : polygons[i].points) {
                PointPlan& p = points[static_cast<size_t>(point)];
                BonePlan& b = bones[static_cast<size_t>(p.bone)];
                Vec3d n = mat3Apply(mat3Transpose(b.world), p.normalSum);
                const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
                if (length > 0) {
                    for (double& c : n) c /= length;
                } else {
                    n = {0, 0, 1};
                }
                const std::array<int, 3> key = {roundToInt(n[0] * grid), roundToInt(n[1] * grid), roundToInt(n[2] * grid)};
                auto& table = seen[static_cast<size_t>(p.bone)];
                auto found = table.find(key);
                if (found == table.end()) {
                    found = table.emplace(key, static_cast<int>(b.normals.size())).first;
                    b.normals.push_back({key[0] * static_cast<double>(normalLength) / grid, key[1] * static_cast<double>(normalLength) / grid,
                                         key[2] * static_cast<double>(normalLength) / grid});
                    ++total;
                }
                p.normal = found->second;  // within the bone; numbered globally below
            }
        }
        if (total <= importNormalLimit) break;
        if (grid == 1) return faultOf("%d normals for smooth faces: more than the viewer's %d", total, importNormalLimit);
    }
    std::vector<int> firstNormal(bones.size(), 0);
    for (size_t i = 1; i < bones.size(); ++i) firstNormal[i] = firstNormal[i - 1] + static_cast<int>(bones[i - 1].normals.size());

    // Point array: bone by bone, the points named by signed offsets first.
    int next = 0;
    std::vector<int> order;
    for (BonePlan& b : bones) {
        std::stable_sort(b.points.begin(), b.points.end(), [&](int x, int y) { return points[static_cast<size_t>(x)].special > points[static_cast<size_t>(y)].special; });
        for (const int p : b.points) {
            points[static_cast<size_t>(p)].index = next++;
            order.push_back(p);
        }
    }
    const auto lowEnough = [&](int point, const char* what) -> Fault {
        const int index = points[static_cast<size_t>(point)].index;
        if (index >= importOffsetIndexLimit) {
            return faultOf("%s is point %d: a 16-bit offset reaches only points below %d", what, index, importOffsetIndexLimit);
        }
        return noFault();
    };
    for (const BonePlan& b : bones) {
        if (!b.points.empty()) {
            if (const Fault f = lowEnough(b.points[0], "a bone's first point")) return f;
        }
        if (b.basePoint >= 0) {
            if (const Fault f = lowEnough(b.basePoint, "a bone's origin")) return f;
        }
    }
    for (const auto& line : lines) {
        for (const int end : line.first) {
            if (const Fault f = lowEnough(end, "a line end")) return f;
        }
    }

    BodyBuilder builder;
    for (const int p : order) {
        const Point3& s = points[static_cast<size_t>(p)].stored;
        builder.addPoint(static_cast<int16_t>(s[0]), static_cast<int16_t>(s[1]), static_cast<int16_t>(s[2]));
    }
    for (const BonePlan& b : bones) {
        const int first = b.points.empty() ? 0 : points[static_cast<size_t>(b.points[0])].index;
        const int base = b.basePoint >= 0 ? points[static_cast<size_t>(b.basePoint)].index : 0;
        builder.addBone(first, static_cast<int>(b.points.size()), base, b.parent, b.angleX, b.angleY);
        for (const Vec3d& n : b.normals) {
            builder.addNormal(static_cast<int16_t>(roundToInt(n[0])), static_cast<int16_t>(roundToInt(n[1])), static_cast<int16_t>(roundToInt(n[2])),
                              normalDivisor);
        }
    }
    for (size_t i = 0; i < polygons.size(); ++i) {
        const Polygon& p = polygons[i];
        std::vector<int> indices;
        for (const int point : p.points) indices.push_back(points[static_cast<size_t>(point)].index);
        if (!smooth[i]) {
            builder.addPolygon(p.translucent ? 5 : 0, p.colours[0], indices);
            continue;
        }
        // The stored colour sits low in its ramp of 16 so that colour + shade stays in it.
        const uint8_t c = paletteIndex(p.colour);
        const int ramp = c & ~15;
        const auto colour = static_cast<uint16_t>(std::clamp(c - shadeSpan / 2 - 1, ramp, ramp + 15 - shadeSpan));
        std::vector<std::pair<int, int>> normalAndPoint;
        for (const int point : p.points) {
            const PointPlan& pp = points[static_cast<size_t>(point)];
            normalAndPoint.push_back({firstNormal[static_cast<size_t>(pp.bone)] + pp.normal, pp.index});
        }
        builder.addVertexShadedPolygon(9, colour, normalAndPoint);
    }
    for (const auto& line : lines) {
        builder.addLine(line.second, points[static_cast<size_t>(line.first[0])].index, points[static_cast<size_t>(line.first[1])].index);
    }
    if (baked > 0) notes->push_back(format("%ld of %ld bones: turns that are not about x then y baked into their points", baked, static_cast<long>(bones.size())));
    if (scaled > 0) notes->push_back(format("%ld bones: scaled joints baked into their points", scaled));
    *out = builder.build();
    return noFault();
}
