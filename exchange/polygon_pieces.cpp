// polygon_pieces.cpp: convexity and ear clipping on the polygon's projection onto the axis
// plane it faces most. Work is quadratic in the corners per ear at worst; a polygon has at most
// 255 corners, and the caller stops once the body's render entries are used up.
#include "exchange/polygon_pieces.h"

#include <cmath>

namespace {

struct Flat {
    double x, y;
};

double turn(const Flat& a, const Flat& b, const Flat& c)
{
    return (b.x - a.x) * (c.y - b.y) - (b.y - a.y) * (c.x - b.x);
}

bool samePlace(const Flat& a, const Flat& b) { return a.x == b.x && a.y == b.y; }

// True when p lies inside triangle abc or on its edges (abc counter-clockwise).
bool inside(const Flat& p, const Flat& a, const Flat& b, const Flat& c)
{
    return turn(a, b, p) >= 0 && turn(b, c, p) >= 0 && turn(c, a, p) >= 0;
}

// The corners seen along the polygon's normal (Newell's), counter-clockwise when the polygon
// winds counter-clockwise about it; false for a polygon without area.
bool project(const std::vector<Vec3>& corners, std::vector<Flat>* out)
{
    Vec3 n{};
    for (size_t i = 0; i < corners.size(); ++i) {
        const Vec3& a = corners[i];
        const Vec3& b = corners[(i + 1) % corners.size()];
        n[0] += (a[1] - b[1]) * (a[2] + b[2]);
        n[1] += (a[2] - b[2]) * (a[0] + b[0]);
        n[2] += (a[0] - b[0]) * (a[1] + b[1]);
    }
    size_t axis = 0;
    for (size_t k = 1; k < 3; ++k) {
        if (std::fabs(n[k]) > std::fabs(n[axis])) axis = k;
    }
    if (!(std::fabs(n[axis]) > 0)) return false;
    const size_t u = (axis + 1) % 3, v = (axis + 2) % 3;
    const double sign = n[axis] > 0 ? 1 : -1;
    for (const Vec3& c : corners) out->push_back({c[u], sign * c[v]});
    return true;
}

bool convex(const std::vector<Flat>& p)
{
    // Every turn to the left and one turn in all: a star's outline turns left too, but twice.
    double total = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        const Flat& a = p[i];
        const Flat& b = p[(i + 1) % p.size()];
        const Flat& c = p[(i + 2) % p.size()];
        if (turn(a, b, c) < 0) return false;
        total += std::atan2(turn(a, b, c), (b.x - a.x) * (c.x - b.x) + (b.y - a.y) * (c.y - b.y));
    }
    return std::fabs(total - 6.283185307179586) < 1e-6;
}

}  // namespace

std::vector<std::vector<uint32_t>> polygonPieces(const std::vector<Vec3>& corners)
{
    const size_t n = corners.size();
    std::vector<uint32_t> all(n);
    for (size_t i = 0; i < n; ++i) all[i] = static_cast<uint32_t>(i);
    std::vector<Flat> flat;
    if (n <= 3 || !project(corners, &flat) || convex(flat)) return {all};

    std::vector<std::vector<uint32_t>> pieces;
    std::vector<uint32_t> left = all;
    size_t at = 0;
    while (left.size() > 3) {
        const size_t m = left.size();
        bool clipped = false;
        for (size_t tried = 0; tried < m && !clipped; ++tried) {
            const size_t i = (at + tried) % m;
            const uint32_t a = left[(i + m - 1) % m], b = left[i], c = left[(i + 1) % m];
            const double t = turn(flat[a], flat[b], flat[c]);
            if (t < 0) continue;  // a notch
            if (t > 0) {
                bool blocked = false;
                for (const uint32_t p : left) {
                    if (p == a || p == b || p == c || samePlace(flat[p], flat[a]) || samePlace(flat[p], flat[b]) ||
                        samePlace(flat[p], flat[c])) {
                        continue;
                    }
                    if (inside(flat[p], flat[a], flat[b], flat[c])) {
                        blocked = true;
                        break;
                    }
                }
                if (blocked) continue;
                pieces.push_back({a, b, c});
            }
            // An ear, or a corner on a straight run: either way it leaves the outline.
            left.erase(left.begin() + static_cast<std::ptrdiff_t>(i));
            at = i % left.size();
            clipped = true;
        }
        if (!clipped) {
            // A crossed outline has no ear left: what remains is fanned as before.
            for (size_t k = 1; k + 1 < left.size(); ++k) pieces.push_back({left[0], left[k], left[k + 1]});
            return pieces;
        }
    }
    if (turn(flat[left[0]], flat[left[1]], flat[left[2]]) > 0) pieces.push_back(left);
    return pieces;
}
