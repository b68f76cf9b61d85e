// geometry.cpp: 3 x 3 and 4 x 4 matrices, quaternions and x-then-y turns.
#include "exchange/geometry.h"

#include <algorithm>
#include <cmath>

Mat3 mat3Identity() { return {1, 0, 0, 0, 1, 0, 0, 0, 1}; }

Mat3 mat3Multiply(const Mat3& a, const Mat3& b)
{
    Mat3 r{};
    for (size_t i = 0; i < 3; ++i)
        for (size_t j = 0; j < 3; ++j)
            r[i * 3 + j] = a[i * 3] * b[j] + a[i * 3 + 1] * b[3 + j] + a[i * 3 + 2] * b[6 + j];
    return r;
}

Mat3 mat3Transpose(const Mat3& a) { return {a[0], a[3], a[6], a[1], a[4], a[7], a[2], a[5], a[8]}; }

Vec3 mat3Apply(const Mat3& m, const Vec3& v)
{
    return {m[0] * v[0] + m[1] * v[1] + m[2] * v[2], m[3] * v[0] + m[4] * v[1] + m[5] * v[2],
            m[6] * v[0] + m[7] * v[1] + m[8] * v[2]};
}

double mat3Determinant(const Mat3& m)
{
    return m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) + m[2] * (m[3] * m[7] - m[4] * m[6]);
}

Mat4 mat4Identity() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

Mat4 mat4Multiply(const Mat4& a, const Mat4& b)
{
    Mat4 r{};
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            double s = 0;
            for (int k = 0; k < 4; ++k) s += a[static_cast<size_t>(k * 4 + row)] * b[static_cast<size_t>(c * 4 + k)];
            r[static_cast<size_t>(c * 4 + row)] = s;
        }
    return r;
}

Vec3 mat4Apply(const Mat4& m, const Vec3& p)
{
    return {m[0] * p[0] + m[4] * p[1] + m[8] * p[2] + m[12], m[1] * p[0] + m[5] * p[1] + m[9] * p[2] + m[13],
            m[2] * p[0] + m[6] * p[1] + m[10] * p[2] + m[14]};
}

Mat3 mat4Linear(const Mat4& m) { return {m[0], m[4], m[8], m[1], m[5], m[9], m[2], m[6], m[10]}; }

bool nearestRotation(const Mat3& m, Mat3* out)
{
    // Each step maps every singular value s to (s + 1/s) / 2: after the first all are at least
    // 1 and they settle on 1 quadratically; forty steps settle any matrix the limits let in.
    Mat3 q = m;
    for (int iteration = 0; iteration < 40; ++iteration) {
        const double det = mat3Determinant(q);
        if (!(det > 1e-12) || !std::isfinite(det)) return false;
        // inverse transpose = cofactor matrix / det
        const Mat3 cof = {q[4] * q[8] - q[5] * q[7], q[5] * q[6] - q[3] * q[8], q[3] * q[7] - q[4] * q[6],
                          q[2] * q[7] - q[1] * q[8], q[0] * q[8] - q[2] * q[6], q[1] * q[6] - q[0] * q[7],
                          q[1] * q[5] - q[2] * q[4], q[2] * q[3] - q[0] * q[5], q[0] * q[4] - q[1] * q[3]};
        for (size_t i = 0; i < 9; ++i) q[i] = 0.5 * (q[i] + cof[i] / det);
    }
    *out = q;
    return true;
}

Mat3 turnXY(double x, double y)
{
    const double ax = x * turnUnit, ay = y * turnUnit;
    const double cx = std::cos(ax), sx = std::sin(ax), cy = std::cos(ay), sy = std::sin(ay);
    return mat3Multiply({1, 0, 0, 0, cx, -sx, 0, sx, cx}, {cy, 0, sy, 0, 1, 0, -sy, 0, cy});
}

bool turnAngles(const Mat3& t, double tolerance, double* x, double* y)
{
    *y = std::atan2(t[2], t[0]);
    *x = std::atan2(t[7], t[4]);
    const Mat3 back = turnXY(*x / turnUnit, *y / turnUnit);
    double error = 0;
    for (size_t i = 0; i < 9; ++i) error = std::max(error, std::fabs(back[i] - t[i]));
    return error < tolerance;
}

std::array<float, 4> quaternionOf(const Mat3& m)
{
    double x, y, z, w;
    const double trace = m[0] + m[4] + m[8];
    if (trace > 0) {
        const double s = std::sqrt(trace + 1.0) * 2;
        w = 0.25 * s;
        x = (m[7] - m[5]) / s;
        y = (m[2] - m[6]) / s;
        z = (m[3] - m[1]) / s;
    } else if (m[0] > m[4] && m[0] > m[8]) {
        const double s = std::sqrt(1.0 + m[0] - m[4] - m[8]) * 2;
        w = (m[7] - m[5]) / s;
        x = 0.25 * s;
        y = (m[1] + m[3]) / s;
        z = (m[2] + m[6]) / s;
    } else if (m[4] > m[8]) {
        const double s = std::sqrt(1.0 + m[4] - m[0] - m[8]) * 2;
        w = (m[2] - m[6]) / s;
        x = (m[1] + m[3]) / s;
        y = 0.25 * s;
        z = (m[5] + m[7]) / s;
    } else {
        const double s = std::sqrt(1.0 + m[8] - m[0] - m[4]) * 2;
        w = (m[3] - m[1]) / s;
        x = (m[2] + m[6]) / s;
        y = (m[5] + m[7]) / s;
        z = 0.25 * s;
    }
    const double n = std::sqrt(x * x + y * y + z * z + w * w);
    return {static_cast<float>(x / n), static_cast<float>(y / n), static_cast<float>(z / n), static_cast<float>(w / n)};
}

bool rotationOf(const double q[4], Mat3* out)
{
    const double n = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    if (!(n > 1e-9)) return false;
    const double x = q[0] / n, y = q[1] / n, z = q[2] / n, w = q[3] / n;
    *out = {1 - 2 * (y * y + z * z), 2 * (x * y - z * w),     2 * (x * z + y * w),
            2 * (x * y + z * w),     1 - 2 * (x * x + z * z), 2 * (y * z - x * w),
            2 * (x * z - y * w),     2 * (y * z + x * w),     1 - 2 * (x * x + y * y)};
    return true;
}
