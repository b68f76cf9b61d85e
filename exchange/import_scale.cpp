// import_scale.cpp: extents over the vertices that faces use; a lone far vertex is told apart
// from a large model by the median distance of the vertices from the origin.
#include "exchange/import_scale.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr double coordinateLimit = 32767;

// Smallest and largest coordinate of the vertices the faces use, per axis.
bool bounds(const MeshScene& scene, Vec3* low, Vec3* high)
{
    bool any = false;
    for (const MeshFace& f : scene.faces) {
        for (const uint32_t v : f.vertices) {
            if (v >= scene.vertices.size()) continue;
            const Vec3& p = scene.vertices[v].position;
            for (size_t c = 0; c < 3; ++c) {
                (*low)[c] = any ? std::min((*low)[c], p[c]) : p[c];
                (*high)[c] = any ? std::max((*high)[c], p[c]) : p[c];
            }
            any = true;
        }
    }
    return any;
}

double largestExtent(const MeshScene& scene)
{
    Vec3 low{}, high{};
    if (!bounds(scene, &low, &high)) return 0;
    return std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]});
}

// How far from the origin most vertices lie: the median of their largest coordinates.
double medianReach(const MeshScene& scene)
{
    std::vector<double> reach;
    reach.reserve(scene.vertices.size());
    for (const MeshVertex& v : scene.vertices)
        reach.push_back(std::max({std::fabs(v.position[0]), std::fabs(v.position[1]), std::fabs(v.position[2])}));
    if (reach.empty()) return 0;
    std::nth_element(reach.begin(), reach.begin() + static_cast<std::ptrdiff_t>(reach.size() / 2), reach.end());
    return reach[reach.size() / 2];
}

}  // namespace

Fault fitScale(const MeshScene& scene, double size, double* scale)
{
    const double extent = largestExtent(scene);
    if (!(extent > 0) || !std::isfinite(size / extent))
        return faultOf("--fit: the model has no extent to fit (all its vertices in one place)");
    *scale = size / extent;
    if (!(*scale <= 1e9))
        return faultOf("--fit: the model is %g file units across, too small to fit %g model units", extent, size);
    return noFault();
}

std::string scaleSuggestion(double bound)
{
    if (!(bound > 0) || !std::isfinite(bound)) return "";
    const double step = std::pow(10.0, std::floor(std::log10(bound)) - 5);
    double s = std::floor(bound / step) * step;
    char text[32];
    for (int tries = 0; tries < 4; ++tries, s -= step) {
        std::snprintf(text, sizeof text, "%.6g", s);
        if (std::strtod(text, nullptr) <= bound && std::strtod(text, nullptr) > 0) return text;
    }
    return "";
}

Fault outOfRangeFault(const MeshScene& scene, double scale, double reach)
{
    const double bound = scale * coordinateLimit / reach;
    const double typical = medianReach(scene);
    if (typical * bound < 1) {
        // At any scale that holds the farthest vertex, most of the model would lie within one unit of the origin.
        return faultOf(
            "a vertex lies %.3g file units out while most lie within %.3g: no scale holds both (a damaged file?)",
            reach / scale, typical);
    }
    const std::string suggestion = scaleSuggestion(bound);
    return faultOf("coordinates reach %.0f model units, outside the 16-bit range: try --scale %s (or --fit SIZE)",
                   reach, suggestion.c_str());
}

Fault nothingLeftFault(const MeshScene& scene, double scale, size_t faces)
{
    const double extent = largestExtent(scene);
    return faultOf("nothing to import: all %zu faces shrink to fewer than three points at scale %g (the model is %.3g "
                   "file units across): try --fit 1000",
                   faces, scale, extent);
}
