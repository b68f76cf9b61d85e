// demo_data.cpp: the project's own demo palette and bodies, designed to be looked at.
//
// Model units: y up, the front faces +z, 400 units make one OpenGL unit on screen. Every face is
// wound counter-clockwise seen from outside, so culling shows outsides and wireframe the rest.
// Shaded colours are a ramp's dark end plus a shade; each normal's divisor keeps the largest
// shade any pose can give (light (0, 40, 40), so at most 40 * sqrt(2) * |n|) inside the ramp.
#include "demo/demo_data.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "archive/archive_writer.h"
#include "body/body_builder.h"
#include "support/file_io.h"

namespace {

// --- palette ----------------------------------------------------------------------------------

enum Ramp : int {
    grey = 0, skin, red, orange, yellow, green, teal, blue, violet, pink, brown, steel, olive, cyan, gold, ivory
};

const uint8_t rampColours[16][3] = {
    {255, 255, 255}, {255, 196, 150}, {235, 50, 45},  {255, 140, 30}, {255, 225, 60},  {90, 205, 70},
    {40, 190, 170},  {60, 120, 255},  {165, 90, 235}, {255, 110, 185}, {170, 105, 55}, {150, 170, 200},
    {160, 170, 80},  {90, 220, 255},  {240, 185, 50}, {250, 240, 215},
};

}  // namespace

std::vector<uint8_t> demoPalette()
{
    std::vector<uint8_t> out(768);
    for (int ramp = 0; ramp < 16; ++ramp) {
        for (int step = 0; step < 16; ++step) {
            // From 14% to full strength, the last steps whitening a little for highlights.
            const double strength = 0.14 + 0.86 * step / 15.0;
            const double white = step > 11 ? 0.07 * (step - 11) : 0.0;
            for (int c = 0; c < 3; ++c) {
                const double v = rampColours[ramp][c] * strength * (1.0 - white) + 255.0 * white;
                out[static_cast<size_t>((ramp * 16 + step) * 3 + c)] =
                    static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
            }
        }
    }
    out[0] = out[1] = out[2] = 0;  // index 0 is true black
    return out;
}

namespace {

// --- geometry ---------------------------------------------------------------------------------

struct V3 {
    double x = 0, y = 0, z = 0;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double length(V3 a) { return std::sqrt(dot(a, a)); }
V3 unit(V3 a)
{
    const double l = length(a);
    return l > 0 ? a * (1.0 / l) : V3{0, 1, 0};
}

// How a surface is drawn: `tone` is the ramp step used; shaded looks add a shade up to 15.
enum class Look { flat, shaded, smooth, glass };
struct Paint {
    Look look;
    int ramp;
    int tone;
    uint16_t colour() const { return static_cast<uint16_t>(ramp * 16 + tone); }
};
Paint flat(int ramp, int tone = 9) { return {Look::flat, ramp, tone}; }
Paint shaded(int ramp, int tone = 3) { return {Look::shaded, ramp, tone}; }
Paint smooth(int ramp, int tone = 3) { return {Look::smooth, ramp, tone}; }
Paint glass(int ramp, int tone = 11) { return {Look::glass, ramp, tone}; }

uint8_t tone(int ramp, int step) { return static_cast<uint8_t>(ramp * 16 + step); }

// A placement of a shape: origin and three orthonormal axes (shape x, y, z in bone coordinates).
struct Frame {
    V3 origin;
    V3 u{1, 0, 0}, v{0, 1, 0}, w{0, 0, 1};
    V3 at(double x, double y, double z) const { return origin + u * x + v * y + w * z; }
};
Frame at(double x, double y, double z) { return Frame{{x, y, z}}; }
// The shape's y axis along bone x (wheels, axles).
Frame alongX(double x, double y, double z) { return Frame{{x, y, z}, {0, 1, 0}, {1, 0, 0}, {0, 0, -1}}; }
// The shape's y axis along bone z (barrels, snouts).
Frame alongZ(double x, double y, double z) { return Frame{{x, y, z}, {1, 0, 0}, {0, 0, 1}, {0, -1, 0}}; }

struct Ring {
    double y, rx, rz;
};

// Builds one body bone by bone on top of BodyBuilder, keeping the points' exact positions so
// that faces can be wound and normals computed.
class Modeler {
public:
    // `scale` multiplies every coordinate and sphere radius given afterwards.
    explicit Modeler(double scale = 1.0, bool convertParents = true) : scale_(scale)
    {
        body_.flags = convertParents ? bodyFlagConvertParents : 0;
    }

    // Starts a bone; the points added next belong to it. `base` is a point of the parent.
    int bone(int base, int parent, int angleX = 0, int angleY = 0, uint16_t type = boneTypeRotation)
    {
        return body_.addBone(static_cast<int>(body_.points.size()), 0, base, parent, static_cast<int16_t>(angleX),
                             static_cast<int16_t>(angleY), type);
    }

    int point(V3 p)
    {
        p = p * scale_;
        positions_.push_back(p);
        body_.bones.back().pointCount = static_cast<int16_t>(body_.bones.back().pointCount + 1);
        return body_.addPoint(toI16(p.x), toI16(p.y), toI16(p.z));
    }
    int point(double x, double y, double z) { return point(V3{x, y, z}); }

    // A normal of the current bone, length 1000, divided so that `paint`'s shades stay in its ramp.
    int normal(V3 direction, const Paint& paint)
    {
        const V3 n = unit(direction) * 1000.0;
        const int16_t x = toI16(n.x), y = toI16(n.y), z = toI16(n.z);
        const double size = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
        const int room = std::max(1, 15 - paint.tone);
        const double divisor = std::floor(40.0 * 1.4143 * size / room) + 1.0;
        return body_.addNormal(x, y, z, static_cast<uint16_t>(divisor));
    }

    // A planar convex face, wound to face away from `inside`. Flat and glass looks need no
    // normal; shaded takes the face's own; smooth takes `vertexNormals` (one per point).
    // `inside` is in unscaled coordinates, like the points given.
    void face(std::vector<int> pts, const Paint& paint, V3 inside, std::vector<int> vertexNormals = {})
    {
        if (dot(newell(pts), centroid(pts) - inside * scale_) < 0) {
            std::reverse(pts.begin(), pts.end());
            std::reverse(vertexNormals.begin(), vertexNormals.end());
        }
        switch (paint.look) {
        case Look::flat: body_.addPolygon(1, paint.colour(), pts); break;
        case Look::glass: body_.addPolygon(5, paint.colour(), pts); break;
        case Look::shaded:
            body_.addShadedPolygon(7, paint.colour(), static_cast<int16_t>(normal(newell(pts), paint)), pts);
            break;
        case Look::smooth: {
            std::vector<std::pair<int, int>> pairs;
            for (size_t i = 0; i < pts.size(); ++i) {
                const int n = i < vertexNormals.size() ? vertexNormals[i] : normal(newell(pts), paint);
                pairs.emplace_back(n, pts[i]);
            }
            body_.addVertexShadedPolygon(9, paint.colour(), pairs);
            break;
        }
        }
    }

    // A box between two corners, axis-aligned in the frame.
    void box(const Frame& f, V3 lo, V3 hi, const Paint& paint)
    {
        int p[8];
        for (int i = 0; i < 8; ++i)
            p[i] = point(f.at(i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z));
        const V3 centre = f.at((lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2);
        const Paint sides = paint.look == Look::smooth ? Paint{Look::shaded, paint.ramp, paint.tone} : paint;
        const int faces[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
        for (const auto& q : faces) face({p[q[0]], p[q[1]], p[q[2]], p[q[3]]}, sides, centre);
    }

    // A surface of revolution about the frame's y axis: rings of `sides` points, elliptic
    // radii. Smooth looks get one averaged normal per point; caps are flat faces.
    void lathe(const Frame& f, const std::vector<Ring>& rings, int sides, const Paint& paint, bool capBottom = true,
               bool capTop = true)
    {
        const double pi = 3.14159265358979323846;
        std::vector<std::vector<int>> ring(rings.size());
        for (size_t k = 0; k < rings.size(); ++k) {
            for (int j = 0; j < sides; ++j) {
                const double a = 2 * pi * (j + 0.5) / sides;
                ring[k].push_back(point(f.at(rings[k].rx * std::cos(a), rings[k].y, rings[k].rz * std::sin(a))));
            }
        }
        const auto insideAt = [&](double y) { return f.at(0, y, 0); };

        std::vector<int> normals;
        if (paint.look == Look::smooth) {
            // The average of the side faces around each point, all oriented outwards.
            std::vector<V3> sum(rings.size() * static_cast<size_t>(sides));
            for (size_t k = 0; k + 1 < rings.size(); ++k) {
                for (int j = 0; j < sides; ++j) {
                    const int j1 = (j + 1) % sides;
                    std::vector<int> q = {ring[k][j], ring[k][j1], ring[k + 1][j1], ring[k + 1][j]};
                    V3 n = unit(newell(q));
                    if (dot(n, centroid(q) - insideAt((rings[k].y + rings[k + 1].y) / 2) * scale_) < 0) n = n * -1.0;
                    for (size_t kk : {k, k + 1})
                        for (int jj : {j, j1}) sum[kk * sides + jj] = sum[kk * sides + jj] + n;
                }
            }
            for (const V3& n : sum) normals.push_back(normal(n, paint));
        }
        for (size_t k = 0; k + 1 < rings.size(); ++k) {
            const V3 inside = insideAt((rings[k].y + rings[k + 1].y) / 2);
            for (int j = 0; j < sides; ++j) {
                const int j1 = (j + 1) % sides;
                std::vector<int> q = {ring[k][j], ring[k][j1], ring[k + 1][j1], ring[k + 1][j]};
                std::vector<int> qn;
                if (!normals.empty())
                    qn = {normals[k * sides + j], normals[k * sides + j1], normals[(k + 1) * sides + j1],
                          normals[(k + 1) * sides + j]};
                face(q, paint, inside, qn);
            }
        }
        const Paint capPaint = paint.look == Look::smooth ? Paint{Look::shaded, paint.ramp, paint.tone} : paint;
        const V3 middle = insideAt((rings.front().y + rings.back().y) / 2);
        if (capBottom) face(ring.front(), capPaint, middle);
        if (capTop) face(ring.back(), capPaint, middle);
    }

    void line(int a, int b, uint8_t colour) { body_.addLine(colour, a, b); }
    void sphere(int centre, int radius, uint8_t colour)
    {
        body_.addSphere(colour, toI16(radius * scale_), centre);
    }
    // A sphere on a point of its own in the current bone.
    int sphereAt(V3 centre, int radius, uint8_t colour)
    {
        const int p = point(centre);
        sphere(p, radius, colour);
        return p;
    }

    V3 position(int p) const { return positions_[static_cast<size_t>(p)]; }
    BodyBuilder& builder() { return body_; }
    std::vector<uint8_t> build() const { return body_.build(); }

private:
    static int16_t toI16(double v)
    {
        const long r = std::lround(v);
        // The demo's shapes are fixed and small; a coordinate this far out is a mistake in them.
        if (r < -32768 || r > 32767) std::abort();
        return static_cast<int16_t>(r);
    }
    V3 newell(const std::vector<int>& pts) const
    {
        V3 n;
        for (size_t i = 0; i < pts.size(); ++i) {
            const V3 a = position(pts[i]), b = position(pts[(i + 1) % pts.size()]);
            n.x += (a.y - b.y) * (a.z + b.z);
            n.y += (a.z - b.z) * (a.x + b.x);
            n.z += (a.x - b.x) * (a.y + b.y);
        }
        return n;
    }
    V3 centroid(const std::vector<int>& pts) const
    {
        V3 c;
        for (int p : pts) c = c + position(p);
        return c * (1.0 / static_cast<double>(pts.size()));
    }

    double scale_;
    BodyBuilder body_;
    std::vector<V3> positions_;
};

// --- the bodies ------------------------------------------------------------------------------

// A limb hanging down from its joint: a tapered prism and the joint below it, where the next
// bone hangs. Returns that lower joint.
int limb(Modeler& m, double length, double r0, double r1, const Paint& paint, int sides = 6)
{
    m.lathe(at(0, 0, 0), {{-length + 10, r1, r1}, {-12, r0, r0}}, sides, paint);
    return m.point(0, -length, 0);
}

// Entry 0: a walking, waving figure of sixteen bones.
std::vector<uint8_t> figure()
{
    Modeler m;
    const Paint suit = smooth(blue, 2), plate = shaded(steel, 2), skinTone = smooth(skin, 2), boot = shaded(brown, 2);

    // 0: pelvis (root), feet near y = 0.
    m.bone(0, -1);
    m.box(at(0, 0, 0), {-125, 520, -72}, {125, 640, 72}, plate);
    const int hipL = m.point(-72, 528, 0), hipR = m.point(72, 528, 0), waist = m.point(0, 636, 0);
    m.sphere(hipL, 62, tone(steel, 8));
    m.sphere(hipR, 62, tone(steel, 8));

    // 1: torso, a little twisted and leaning forward.
    m.bone(waist, 0, -14, 36);
    m.lathe(at(0, 0, 0), {{0, 118, 74}, {110, 150, 88}, {250, 190, 102}, {330, 172, 94}, {372, 110, 72}}, 12, suit);
    const int neck = m.point(0, 372, 0), shoulderL = m.point(-205, 318, 0), shoulderR = m.point(205, 318, 0);
    {
        // A belt of gold lines and a chest badge.
        std::vector<int> belt;
        for (int j = 0; j < 12; ++j) {
            const double a = 2 * 3.14159265358979 * j / 12;
            belt.push_back(m.point(124 * std::cos(a), 16, 80 * std::sin(a)));
        }
        for (int j = 0; j < 12; ++j) m.line(belt[static_cast<size_t>(j)], belt[static_cast<size_t>((j + 1) % 12)], tone(gold, 13));
        m.sphereAt({0, 250, 106}, 30, tone(gold, 12));
    }

    // 2: head on its neck, turned towards the viewer and nodding.
    m.bone(neck, 1, -24, 80);
    m.lathe(at(0, 0, 0), {{-6, 42, 42}, {52, 38, 38}}, 8, shaded(skin, 2), false, false);
    m.lathe(at(0, 0, 0), {{44, 64, 70}, {84, 92, 98}, {160, 100, 104}, {222, 82, 86}, {258, 42, 46}}, 12, skinTone);
    m.sphereAt({-38, 168, 101}, 20, tone(ivory, 15));
    m.sphereAt({38, 168, 101}, 20, tone(ivory, 15));
    m.sphereAt({-38, 168, 116}, 9, tone(blue, 3));
    m.sphereAt({38, 168, 116}, 9, tone(blue, 3));
    m.line(m.point(-34, 112, 101), m.point(34, 112, 101), tone(red, 6));
    {
        const int root = m.point(0, 256, 0), tip = m.point(0, 360, -20);
        m.line(root, tip, tone(gold, 12));
        m.sphere(tip, 18, tone(red, 12));
    }

    // 3-5: left arm swinging back, elbow bent.
    const int upperArmL = m.bone(shoulderL, 1, 90, 0);
    m.sphereAt({0, 0, 0}, 52, tone(steel, 9));
    const int elbowL = limb(m, 260, 46, 38, shaded(blue, 2));
    const int forearmL = m.bone(elbowL, upperArmL, -110, 0);
    m.sphereAt({0, 0, 0}, 40, tone(steel, 9));
    const int wristL = limb(m, 230, 38, 30, plate);
    m.bone(wristL, forearmL, -20, 0);
    m.box(at(0, 0, 0), {-30, -110, -16}, {30, -8, 16}, shaded(skin, 3));

    // 6-9: right arm waving. Bones turn only about x then y, so a shoulder turned a quarter
    // turn about y lets the arm's X angle raise it sideways.
    const int shoulderBoneR = m.bone(shoulderR, 1, 0, 256);
    const int shoulderJointR = m.sphereAt({0, 0, 0}, 52, tone(steel, 9));
    const int upperArmR = m.bone(shoulderJointR, shoulderBoneR, -330, 0);
    const int elbowR = limb(m, 260, 46, 38, shaded(blue, 2));
    const int forearmR = m.bone(elbowR, upperArmR, -90, 0);
    m.sphereAt({0, 0, 0}, 40, tone(steel, 9));
    const int wristR = limb(m, 230, 38, 30, plate);
    m.bone(wristR, forearmR, 10, 0);
    m.box(at(0, 0, 0), {-16, -110, -30}, {16, -8, 30}, shaded(skin, 3));
    for (int f = -1; f <= 1; ++f) m.line(m.point(0, -110, f * 20), m.point(0, -160, f * 28), tone(skin, 12));

    // 10-12: left leg stepping forward.
    const int thighL = m.bone(hipL, 0, -110, 0);
    const int kneeL = limb(m, 270, 62, 50, suit, 10);
    const int shinL = m.bone(kneeL, thighL, 150, 0);
    m.sphereAt({0, 0, 0}, 50, tone(steel, 9));
    const int ankleL = limb(m, 250, 48, 38, plate);
    m.bone(ankleL, shinL, -40, 0);
    m.box(at(0, 0, 0), {-46, -62, -44}, {46, 0, 128}, boot);

    // 13-15: right leg behind. The last rotation bone keeps angle X at 0: its registers carry
    // into the next frame's root, which must stay upright.
    const int thighR = m.bone(hipR, 0, 56, 0);
    const int kneeR = limb(m, 270, 62, 50, suit, 10);
    const int shinR = m.bone(kneeR, thighR, 80, 0);
    m.sphereAt({0, 0, 0}, 50, tone(steel, 9));
    const int ankleR = limb(m, 250, 48, 38, plate);
    m.bone(ankleR, shinR, 0, 0);
    m.box(at(0, 0, 0), {-46, -62, -44}, {46, 0, 128}, boot);
    return m.build();
}

// Entry 1: a six-wheeled rover with a turning turret and a raised barrel.
std::vector<uint8_t> rover()
{
    Modeler m(1.5);
    m.bone(0, -1);
    const Paint hull = shaded(olive, 2);
    m.box(at(0, 0, 0), {-200, 110, -360}, {200, 230, 340}, hull);
    // A sloped nose.
    {
        const int a = m.point(-200, 230, 340), b = m.point(200, 230, 340), c = m.point(200, 150, 420),
                  d = m.point(-200, 150, 420), e = m.point(-200, 110, 340), f = m.point(200, 110, 340);
        const V3 inside{0, 170, 340};
        m.face({a, b, c, d}, hull, inside);
        m.face({d, c, f, e}, hull, inside);
        m.face({a, d, e}, hull, inside);
        m.face({b, f, c}, hull, inside);
    }
    m.sphereAt({-140, 180, 424}, 24, tone(yellow, 15));
    m.sphereAt({140, 180, 424}, 24, tone(yellow, 15));
    m.sphereAt({-170, 200, -366}, 16, tone(red, 12));
    m.sphereAt({170, 200, -366}, 16, tone(red, 12));
    const int ring = m.point(0, 230, -40);
    int axles[6];
    for (int i = 0; i < 6; ++i) axles[i] = m.point(i % 2 ? 236 : -236, 100, -250 + (i / 2) * 250);

    // 1: turret, turned; 2: barrel, raised.
    m.bone(ring, 0, 0, 110);
    m.lathe(at(0, 0, 0), {{0, 150, 170}, {80, 132, 150}, {110, 96, 110}}, 8, shaded(olive, 3), false, true);
    m.box(at(0, 0, 0), {60, 110, -60}, {120, 150, 0}, shaded(steel, 3));
    const int trunnion = m.point(0, 60, 90);
    {
        const int mast = m.point(-90, 100, -80), top = m.point(-90, 420, -110);
        m.line(mast, top, tone(grey, 12));
        m.sphere(top, 14, tone(red, 13));
    }
    m.bone(trunnion, 1, -50, 0);
    m.lathe(alongZ(0, 0, 0), {{0, 34, 34}, {420, 24, 24}, {470, 30, 30}}, 8, smooth(grey, 3));

    // 3-8: wheels, each turned to its own angle so their spokes show. The last keeps angle X 0.
    for (int i = 0; i < 6; ++i) {
        m.bone(axles[i], 0, (5 - i) * 37, 0);
        const double side = i % 2 ? 1 : -1;
        m.lathe(alongX(0, 0, 0), {{-38 * side, 92, 92}, {38 * side, 92, 92}}, 12, smooth(grey, 2));
        const int hub = m.point(46 * side, 0, 0);
        m.sphere(hub, 30, tone(gold, 11));
        for (int s = 0; s < 3; ++s) {
            const double a = s * 2.0943951;
            m.line(hub, m.point(42 * side, 80 * std::cos(a), 80 * std::sin(a)), tone(gold, 13));
        }
    }
    return m.build();
}

// Entry 2: a spider: a body, eight legs of three bones each (a hip turning the leg round, a
// thigh rising, a shin falling) and an abdomen.
std::vector<uint8_t> spider()
{
    Modeler m(1.4);
    m.bone(0, -1);
    m.lathe(alongZ(0, 260, 0), {{-60, 60, 60}, {0, 130, 110}, {120, 120, 100}, {190, 64, 60}}, 10, smooth(violet, 2));
    for (int side : {-1, 1}) {
        m.sphereAt({side * 44.0, 310, 196}, 18, tone(red, 13));
        m.sphereAt({side * 20.0, 330, 200}, 12, tone(red, 11));
        m.line(m.point(side * 30.0, 230, 186), m.point(side * 46.0, 170, 240), tone(brown, 10));
    }
    int hips[8];
    for (int i = 0; i < 8; ++i) {
        const int side = i < 4 ? 1 : -1;
        const double z = 90 - (i % 4) * 50;
        hips[i] = m.point(side * 80.0, 250, z);
    }
    const int waist = m.point(0, 270, -60);

    const int azimuth[4] = {70, 150, 230, 320};  // degrees from the front, in 1024ths of a turn below
    for (int i = 0; i < 8; ++i) {
        const int side = i < 4 ? 1 : -1;
        const int leg = i % 4;
        const int hip = m.bone(hips[i], 0, 0, side * (azimuth[leg] * 1024 / 360));
        const int joint = m.sphereAt({0, 0, 0}, 26, tone(brown, 8));
        const int thigh = m.bone(joint, hip, -110 + leg * 8, 0);
        m.lathe(alongZ(0, 0, 0), {{10, 26, 26}, {290, 20, 20}}, 6, shaded(orange, 2));
        const int knee = m.point(0, 0, 300);
        m.sphereAt({0, 0, 300}, 22, tone(brown, 9));
        m.bone(knee, thigh, 330 - leg * 12, 0);
        m.lathe(alongZ(0, 0, 0), {{10, 19, 19}, {330, 8, 8}}, 6, shaded(orange, 2));
        m.line(m.point(0, 0, 330), m.point(0, 0, 372), tone(brown, 5));
    }

    // The abdomen, last, with angle X 0 so the root stays level from frame to frame.
    m.bone(waist, 0, 0, 24);
    m.lathe(alongZ(0, 10, 0), {{-20, 90, 80}, {-120, 200, 180}, {-280, 210, 190}, {-420, 130, 120}, {-480, 40, 40}}, 12,
            smooth(violet, 2), true, true);
    for (int s = -1; s <= 1; s += 2)
        for (int k = 0; k < 3; ++k)
            m.sphereAt({s * 80.0, 196 - k * 10.0, -150.0 - k * 100}, 20, tone(gold, 12));
    return m.build();
}

// Entry 3: translucent panes round a gold idol on a plinth. Opaque parts first: the panes
// blend with what is already drawn.
std::vector<uint8_t> glassHouse()
{
    Modeler m(1.25);
    m.bone(0, -1);
    m.lathe(at(0, 0, 0), {{0, 360, 360}, {60, 340, 340}}, 16, shaded(grey, 4));
    m.lathe(at(0, 0, 0), {{60, 90, 90}, {180, 60, 60}, {300, 150, 150}, {420, 170, 170}, {540, 120, 120}, {600, 30, 30}},
            14, smooth(gold, 3));
    // Four coloured panes leaning round the idol, then a glass box over everything.
    const int colours[4] = {cyan, pink, green, yellow};
    for (int i = 0; i < 4; ++i) {
        const double a = i * 1.5707963 + 0.3;
        const V3 c{280 * std::cos(a), 0, 280 * std::sin(a)};
        const V3 t{-std::sin(a), 0, std::cos(a)};
        const int p0 = m.point(c + t * 140 + V3{0, 60, 0}), p1 = m.point(c - t * 140 + V3{0, 60, 0}),
                  p2 = m.point(c - t * 110 + V3{0, 640, 0}), p3 = m.point(c + t * 110 + V3{0, 640, 0});
        m.face({p0, p1, p2, p3}, glass(colours[i], 10), V3{0, 350, 0});
    }
    m.box(at(0, 0, 0), {-330, 60, -330}, {330, 820, 330}, glass(grey, 12));
    return m.build();
}

// Entry 4: a double helix of lines only.
std::vector<uint8_t> helix()
{
    Modeler m(1.2);
    m.bone(0, -1);
    const int steps = 60;
    std::vector<int> a, b;
    for (int i = 0; i <= steps; ++i) {
        const double t = i * 3.0 * 2 * 3.14159265358979 / steps, y = 40 + i * 19.0;
        a.push_back(m.point(220 * std::cos(t), y, 220 * std::sin(t)));
        b.push_back(m.point(220 * std::cos(t + 3.14159265), y, 220 * std::sin(t + 3.14159265)));
    }
    const int rungColours[4] = {red, yellow, green, blue};
    for (int i = 0; i < steps; ++i) {
        m.line(a[static_cast<size_t>(i)], a[static_cast<size_t>(i + 1)], tone(cyan, 4 + i * 11 / steps));
        m.line(b[static_cast<size_t>(i)], b[static_cast<size_t>(i + 1)], tone(violet, 4 + i * 11 / steps));
        if (i % 3 == 0) m.line(a[static_cast<size_t>(i)], b[static_cast<size_t>(i)], tone(rungColours[(i / 3) % 4], 12));
    }
    return m.build();
}

// Entry 5: a desk lamp stored with its parents as matrix offsets already (no conversion flag).
std::vector<uint8_t> lamp()
{
    Modeler m(1.7, false);
    m.bone(0, -1);
    m.lathe(at(0, 0, 0), {{0, 220, 220}, {40, 200, 200}, {70, 90, 90}}, 16, shaded(steel, 2));
    const int pivot = m.point(0, 80, 0);
    m.sphere(pivot, 40, tone(red, 10));
    m.bone(pivot, 0, 90, 40);  // lower arm, leaning back
    m.box(at(0, 0, 0), {-24, 0, -24}, {24, 470, 24}, shaded(red, 2));
    const int elbow = m.point(0, 480, 0);
    m.sphere(elbow, 36, tone(red, 10));
    m.bone(elbow, 1, -300, 0);  // upper arm, reaching forward
    m.box(at(0, 0, 0), {-20, 0, -20}, {20, 400, 20}, shaded(red, 2));
    const int wrist = m.point(0, 410, 0);
    m.sphere(wrist, 30, tone(red, 10));
    const int shade = m.bone(wrist, 2, 210, 0);  // the shade, turned back to hang straight down
    m.lathe(at(0, 0, 0), {{-240, 160, 160}, {-120, 100, 100}, {-20, 44, 44}}, 14, smooth(steel, 2), false, true);
    const int socket = m.point(0, -200, 0);
    // The bulb, last and with angle X 0, so the next frame's root stays upright.
    m.bone(socket, shade, 0, 0);
    m.sphereAt({0, -55, 0}, 40, tone(yellow, 15));
    return m.build();
}

// Entry 6: a windmill facing +x, its sails turned by the rotor bone's X angle. A spare rotor
// bone is stored as skipped (type 2): it is never placed, and nothing drawn refers to it.
std::vector<uint8_t> windmill()
{
    Modeler m;
    m.bone(0, -1);
    m.lathe(at(0, 0, 0), {{0, 210, 210}, {700, 130, 130}, {760, 150, 150}}, 8, shaded(ivory, 2));
    m.lathe(at(0, 760, 0), {{0, 150, 150}, {130, 60, 60}}, 8, shaded(red, 2), false, true);
    {
        // A door as lines, a lit window.
        const int d0 = m.point(207, 0, -50), d1 = m.point(198, 150, -50), d2 = m.point(198, 150, 50), d3 = m.point(207, 0, 50);
        m.line(d0, d1, tone(brown, 6));
        m.line(d1, d2, tone(brown, 6));
        m.line(d2, d3, tone(brown, 6));
        m.sphereAt({174, 420, 0}, 26, tone(yellow, 14));
    }
    const int hub = m.point(190, 790, 0);
    const int spareHub = m.point(-190, 790, 0);
    m.bone(hub, 0, 70, 0);
    m.lathe(alongX(0, 0, 0), {{-10, 34, 34}, {70, 30, 30}}, 8, shaded(grey, 4));
    for (int k = 0; k < 4; ++k) {
        const double a = k * 1.5707963;
        const V3 d{0, std::cos(a), std::sin(a)}, s{0, -std::sin(a), std::cos(a)};
        const V3 x{50, 0, 0};
        const int p0 = m.point(d * 50 + x), p1 = m.point(d * 560 + s * 20 + x), p2 = m.point(d * 560 + s * 110 + x),
                  p3 = m.point(d * 90 + s * 40 + x);
        m.face({p0, p1, p2, p3}, flat(ivory, 12), x + V3{-100, 0, 0});
        m.face({p0, p1, p2, p3}, flat(brown, 7), x + V3{100, 0, 0});
        m.line(p0, p1, tone(brown, 4));
    }
    m.bone(spareHub, 0, 0, 0, 2);
    m.point(0, 0, 0);
    m.point(0, 300, 0);
    // A tail vane behind the cap, last, with angle X 0: the last rotation bone's registers
    // carry into the next frame's root, which must stay upright.
    m.bone(spareHub, 0, 0, 60);
    m.box(at(0, 0, 0), {-8, 0, -8}, {8, 16, 8}, shaded(brown, 2));
    m.box(at(0, 0, 0), {-10, -40, -300}, {-2, 120, -160}, shaded(brown, 3));
    return m.build();
}

// Entry 7: a terraced island of hexagonal columns, close to the point table's room: 650
// columns of twelve points (7,800 of 8,000), a top face each and a wall wherever a side drops.
// Walls and tops share seven normals.
std::vector<uint8_t> hexIsland()
{
    Modeler m;
    m.bone(0, -1);
    const int columns = 26, rows = 25;
    const double radius = 33, across = std::sqrt(3.0) * radius, pi = 3.14159265358979323846;
    const double offsetX = (columns - 0.5) * across / 2, offsetZ = (rows - 1) * 1.5 * radius / 2;
    // The island sits a little up and back from the origin, so that the start view holds it all.
    const auto centreOf = [&](int c, int r) {
        return V3{(c + 0.5 * (r & 1)) * across - offsetX - 60, 0, r * 1.5 * radius - offsetZ - 260};
    };
    // Terrace level at a position: a main peak, a second hill and ripples; -1 is the sea.
    const auto level = [](double x, double z) {
        const double d = std::sqrt(x * x + z * z) / 620.0;
        double h = 300 * std::exp(-d * d * 2.0) - 60;
        h += 45 * std::sin(x / 91.0) * std::cos(z / 127.0);
        h += 260 * std::exp(-((x - 210) * (x - 210) + (z + 140) * (z + 140)) / 26000.0);
        return std::max(-1, static_cast<int>(std::floor(h / 36.0)));
    };
    const auto topOf = [](int lv) { return 300.0 + 36.0 * lv; };

    const Paint wall = shaded(grey, 3);  // its divisors; the walls take their column's ramp
    const int up = m.normal({0, 1, 0}, shaded(green, 3));
    int sideNormal[6];
    for (int k = 0; k < 6; ++k) {
        const double a = pi / 3 * (k + 1);
        sideNormal[k] = m.normal({std::cos(a), 0, std::sin(a)}, wall);
    }
    BodyBuilder& b = m.builder();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const V3 centre = centreOf(c, r);
            const int lv = level(centre.x + 60, centre.z + 260);
            // Each wall drops to the lower neighbour, or to the ground at the island's rim; the
            // column's bottom ring sits at the deepest of them.
            double drop[6];
            double bottom = topOf(lv);
            for (int k = 0; k < 6; ++k) {
                const double a = pi / 3 * (k + 1);
                const V3 next = centre + V3{std::cos(a), 0, std::sin(a)} * across;
                const int nr = static_cast<int>(std::lround((next.z + offsetZ + 260) / (1.5 * radius)));
                const int nc = static_cast<int>(std::lround((next.x + offsetX + 60) / across - 0.5 * (nr & 1)));
                const bool inside = nr >= 0 && nr < rows && nc >= 0 && nc < columns;
                drop[k] = inside ? topOf(level(next.x + 60, next.z + 260)) : topOf(-2);
                bottom = std::min(bottom, drop[k]);
            }
            int top[6], low[6];
            for (int k = 0; k < 6; ++k) {
                const double a = pi / 6 + pi / 3 * k;
                top[k] = m.point(centre.x + radius * std::cos(a), topOf(lv), centre.z + radius * std::sin(a));
            }
            for (int k = 0; k < 6; ++k) {
                const double a = pi / 6 + pi / 3 * k;
                low[k] = m.point(centre.x + radius * std::cos(a), bottom, centre.z + radius * std::sin(a));
            }
            const int ramp = lv < 0 ? blue : lv == 0 ? gold : lv < 4 ? green : lv < 6 ? olive : lv < 8 ? brown : ivory;
            const int tone = lv < 0 ? 5 : 2 + (lv & 1);
            // Render type 9 (a normal per vertex, all alike here): its point offsets are read
            // unsigned, so it reaches points beyond index 5,461, where types 7 and 8 cannot.
            // Seen from above the corners run clockwise (angles grow from +x towards +z), so
            // they go in reversed for a counter-clockwise, upward face.
            b.addVertexShadedPolygon(9, static_cast<uint16_t>(ramp * 16 + tone),
                                     std::vector<std::pair<int, int>>{{up, top[5]}, {up, top[4]}, {up, top[3]},
                                                                      {up, top[2]}, {up, top[1]}, {up, top[0]}});
            for (int k = 0; k < 6; ++k) {
                if (drop[k] >= topOf(lv)) continue;
                const int k1 = (k + 1) % 6, n = sideNormal[k];
                // Side k runs from corner k to corner k + 1; seen from outside, counter-clockwise
                // is along the top from k to k + 1, then down and back.
                b.addVertexShadedPolygon(9, static_cast<uint16_t>(ramp * 16 + 2),
                                         std::vector<std::pair<int, int>>{{n, top[k]}, {n, top[k1]}, {n, low[k1]}, {n, low[k]}});
            }
        }
    }
    return m.build();
}

}  // namespace

std::vector<DemoBody> demoBodies()
{
    std::vector<DemoBody> bodies;
    bodies.push_back({"figure", figure(), true});
    bodies.push_back({"rover", rover(), false});
    bodies.push_back({"spider", spider(), true});
    bodies.push_back({"glass house", glassHouse(), false});
    bodies.push_back({"double helix (lines only)", helix(), true});
    bodies.push_back({"lamp (parents stored as matrix offsets)", lamp(), false});
    bodies.push_back({"windmill (a skipped bone)", windmill(), true});
    bodies.push_back({"hexagonal island (near the point table's room)", hexIsland(), true});
    return bodies;
}

std::vector<uint8_t> demoArchive()
{
    std::vector<std::vector<uint8_t>> entries;
    std::vector<EntryPacking> packing;
    for (DemoBody& body : demoBodies()) {
        entries.push_back(std::move(body.bytes));
        packing.push_back(body.packed ? EntryPacking::packedIfSmaller : EntryPacking::stored);
    }
    // The demo's few kilobytes are far from the format's 4 GiB, the one limit that can fail.
    std::vector<uint8_t> archive;
    if (buildArchive(entries, packing, &archive)) archive.clear();
    return archive;
}

Fault writeDemoFiles(const std::string& directory)
{
    // Both or neither: a failed write leaves the folder as it was.
    return writeFilesTogether({{directory + "/" + demoPaletteFileName, demoPalette()},
                               {directory + "/" + demoArchiveFileName, demoArchive()}});
}
