// modeler.h: the demo's modelling kit: points, faces, boxes and lathed shapes on top of
// BodyBuilder, in model units (y up, the front faces +z, 400 units make one OpenGL unit).
//
// Every face is wound counter-clockwise seen from outside, so culling shows outsides and
// wireframe the rest. Shaded colours are a ramp's dark end plus a shade; each normal's divisor
// keeps the largest shade any pose can give (light (0, 40, 40), so at most 40 * sqrt(2) * |n|)
// inside the ramp.
#pragma once

#include <cstdint>
#include <vector>

#include "body/body_builder.h"
#include "support/fault.h"

namespace demo {

struct V3 {
    double x = 0, y = 0, z = 0;
};
inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(V3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The sixteen colour ramps of the demo palette, each sixteen steps from dark to light.
enum Ramp : int {
    grey = 0,
    skin,
    red,
    orange,
    yellow,
    green,
    teal,
    blue,
    violet,
    pink,
    brown,
    steel,
    olive,
    cyan,
    gold,
    ivory
};

// The palette index of step `step` of `ramp`.
inline uint8_t tone(int ramp, int step) { return static_cast<uint8_t>(ramp * 16 + step); }

// How a surface is drawn: `tone` is the ramp step used; shaded looks add a shade up to 15.
enum class Look { flat, shaded, smooth, glass };
struct Paint {
    Look look;
    int ramp;
    int tone;
    uint16_t colour() const { return static_cast<uint16_t>(ramp * 16 + tone); }
};
inline Paint flat(int ramp, int tone = 9) { return {Look::flat, ramp, tone}; }
inline Paint shaded(int ramp, int tone = 3) { return {Look::shaded, ramp, tone}; }
inline Paint smooth(int ramp, int tone = 3) { return {Look::smooth, ramp, tone}; }
inline Paint glass(int ramp, int tone = 11) { return {Look::glass, ramp, tone}; }

// A placement of a shape: origin and three orthonormal axes (shape x, y, z in bone coordinates).
struct Frame {
    V3 origin;
    V3 u{1, 0, 0}, v{0, 1, 0}, w{0, 0, 1};
    V3 at(double x, double y, double z) const { return origin + u * x + v * y + w * z; }
};
inline Frame at(double x, double y, double z) { return Frame{{x, y, z}}; }
// The shape's y axis along bone x (wheels, axles).
inline Frame alongX(double x, double y, double z) { return Frame{{x, y, z}, {0, 1, 0}, {1, 0, 0}, {0, 0, -1}}; }
// The shape's y axis along bone z (barrels, snouts).
inline Frame alongZ(double x, double y, double z) { return Frame{{x, y, z}, {1, 0, 0}, {0, 0, 1}, {0, -1, 0}}; }

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

    int point(V3 p);
    int point(double x, double y, double z) { return point(V3{x, y, z}); }

    // A normal of the current bone, length 1000, divided so that `paint`'s shades stay in its ramp.
    int normal(V3 direction, const Paint& paint);

    // A planar convex face, wound to face away from `inside`. Flat and glass looks need no
    // normal; shaded takes the face's own; smooth takes `vertexNormals` (one per point).
    // `inside` is in unscaled coordinates, like the points given.
    void face(std::vector<int> pts, const Paint& paint, V3 inside, std::vector<int> vertexNormals = {});

    // A box between two corners, axis-aligned in the frame.
    void box(const Frame& f, V3 lo, V3 hi, const Paint& paint);

    // A surface of revolution about the frame's y axis: rings of `sides` points, elliptic
    // radii. Smooth looks get one averaged normal per point; caps are flat faces.
    void lathe(const Frame& f, const std::vector<Ring>& rings, int sides, const Paint& paint, bool capBottom = true,
               bool capTop = true);

    void line(int a, int b, uint8_t colour) { body_.addLine(colour, a, b); }
    void sphere(int centre, int radius, uint8_t colour) { body_.addSphere(colour, toI16(radius * scale_), centre); }
    // A sphere on a point of its own in the current bone.
    int sphereAt(V3 centre, int radius, uint8_t colour)
    {
        const int p = point(centre);
        sphere(p, radius, colour);
        return p;
    }

    V3 position(int p) const { return positions_[static_cast<size_t>(p)]; }
    BodyBuilder& builder() { return body_; }
    // The body's bytes, or the fault of a coordinate outside the format's 16-bit range (a
    // mistake in the shapes, kept until here so that modelling reads straight on).
    Fault build(std::vector<uint8_t>* bytes) const;

private:
    int16_t toI16(double v);
    V3 newell(const std::vector<int>& pts) const;
    V3 centroid(const std::vector<int>& pts) const;

    double scale_;
    BodyBuilder body_;
    std::vector<V3> positions_;
    Fault fault_;
};

}  // namespace demo
