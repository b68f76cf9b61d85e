// modeler.cpp: the demo's modelling kit.
#include "demo/modeler.h"

#include <algorithm>
#include <cmath>

namespace demo {

namespace {

V3 unit(V3 a)
{
    const double l = std::sqrt(dot(a, a));
    return l > 0 ? a * (1.0 / l) : V3{0, 1, 0};
}

}  // namespace

int Modeler::point(V3 p)
{
    p = p * scale_;
    positions_.push_back(p);
    body_.bones.back().pointCount = static_cast<int16_t>(body_.bones.back().pointCount + 1);
    return body_.addPoint(toI16(p.x), toI16(p.y), toI16(p.z));
}

int Modeler::normal(V3 direction, const Paint& paint)
{
    const V3 n = unit(direction) * 1000.0;
    const int16_t x = toI16(n.x), y = toI16(n.y), z = toI16(n.z);
    const double size = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
    const int room = std::max(1, 15 - paint.tone);
    const double divisor = std::floor(40.0 * 1.4143 * size / room) + 1.0;
    return body_.addNormal(x, y, z, static_cast<uint16_t>(divisor));
}

void Modeler::face(std::vector<int> pts, const Paint& paint, V3 inside, std::vector<int> vertexNormals)
{
    if (dot(newell(pts), centroid(pts) - inside * scale_) < 0) {
        std::reverse(pts.begin(), pts.end());
        std::reverse(vertexNormals.begin(), vertexNormals.end());
    }
    switch (paint.look) {
    case Look::flat:
        body_.addPolygon(1, paint.colour(), pts);
        break;
    case Look::glass:
        body_.addPolygon(5, paint.colour(), pts);
        break;
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

void Modeler::box(const Frame& f, V3 lo, V3 hi, const Paint& paint)
{
    int p[8];
    for (int i = 0; i < 8; ++i) p[i] = point(f.at(i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z));
    const V3 centre = f.at((lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2);
    const Paint sides = paint.look == Look::smooth ? Paint{Look::shaded, paint.ramp, paint.tone} : paint;
    const int faces[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
    for (const auto& q : faces) face({p[q[0]], p[q[1]], p[q[2]], p[q[3]]}, sides, centre);
}

void Modeler::lathe(const Frame& f, const std::vector<Ring>& rings, int sides, const Paint& paint, bool capBottom,
                    bool capTop)
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

Fault Modeler::build(std::vector<uint8_t>* bytes) const
{
    if (fault_) return fault_;
    *bytes = body_.build();
    return noFault();
}

int16_t Modeler::toI16(double v)
{
    const long r = std::lround(v);
    if (r < -32768 || r > 32767) {
        if (!fault_) fault_ = faultOf("a coordinate of %ld, outside -32768 to 32767", r);
        return 0;
    }
    return static_cast<int16_t>(r);
}

V3 Modeler::newell(const std::vector<int>& pts) const
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

V3 Modeler::centroid(const std::vector<int>& pts) const
{
    V3 c;
    for (int p : pts) c = c + position(p);
    return c * (1.0 / static_cast<double>(pts.size()));
}

}  // namespace demo
