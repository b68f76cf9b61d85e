// geometry.h: the small linear algebra of export and import, in double precision: 3 x 3
// matrices (row-major, acting on column vectors), glTF's 4 x 4 matrices (column-major),
// quaternions, and the turns the skeleton pass makes (about x, then about y).
#pragma once

#include <array>

using Vec3 = std::array<double, 3>;
using Mat3 = std::array<double, 9>;   // row-major, acting on column vectors
using Mat4 = std::array<double, 16>;  // column-major, as glTF stores it

// Radians per angle unit: 1024 units a turn.
inline constexpr double turnUnit = 6.283185307179586 / 1024.0;

Mat3 mat3Identity();
Mat3 mat3Multiply(const Mat3& a, const Mat3& b);
Mat3 mat3Transpose(const Mat3& a);
Vec3 mat3Apply(const Mat3& m, const Vec3& v);
double mat3Determinant(const Mat3& m);

Mat4 mat4Identity();
Mat4 mat4Multiply(const Mat4& a, const Mat4& b);
// The point `p` moved by `m` (w = 1).
Vec3 mat4Apply(const Mat4& m, const Vec3& p);
// The upper-left 3 x 3 part, row-major.
Mat3 mat4Linear(const Mat4& m);

// The rotation nearest `m` (polar decomposition: averaging with the inverse transpose until it
// settles); false when `m` is singular or mirrors, so that no rotation stands for it.
bool nearestRotation(const Mat3& m, Mat3* out);

// A turn of `x` then `y` angle units, composed as the skeleton pass composes them: Rx * Ry.
Mat3 turnXY(double x, double y);
// The angles (radians) of a rotation that is a turn about x then y; false when `t` is not one
// (to within `tolerance` in any entry).
bool turnAngles(const Mat3& t, double tolerance, double* x, double* y);

// A rotation as a unit quaternion (x, y, z, w), in single precision as glTF stores it.
std::array<float, 4> quaternionOf(const Mat3& rotation);
// A quaternion (x, y, z, w; any length) as a rotation; false for a zero quaternion.
bool rotationOf(const double q[4], Mat3* out);
