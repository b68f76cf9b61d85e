// face_shading.cpp: the lit type's choice and the normal records, shared within a bone on a
// grid of directions that grows coarser only when the viewer's table would overflow.
#include "exchange/face_shading.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace {

Vec3 unit(const Vec3& v)
{
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (!(length > 0) || !std::isfinite(length)) return {0, 0, 1};
    return {v[0] / length, v[1] / length, v[2] / length};
}

}  // namespace

FaceShading faceShadingOf(const std::vector<Vec3>& cornerNormals, bool unlit)
{
    if (unlit) return FaceShading::unlit;
    if (cornerNormals.empty()) return FaceShading::flat;
    const Vec3 first = unit(cornerNormals[0]);
    for (const Vec3& n : cornerNormals) {
        const Vec3 u = unit(n);
        // Within about a tenth of a degree: a flat face written out with rounding.
        if (u[0] * first[0] + u[1] * first[1] + u[2] * first[2] < 0.999998) return FaceShading::smooth;
    }
    return FaceShading::flat;
}

uint16_t litColour(uint8_t nearest)
{
    const int ramp = nearest & ~15;
    return static_cast<uint16_t>(std::clamp(nearest - shadeSpan / 2 - 1, ramp, ramp + 15 - shadeSpan));
}

Fault buildNormalTable(size_t boneCount, const std::vector<NormalRequest>& requests, int limit, NormalTable* out)
{
    std::vector<Vec3> directions;
    directions.reserve(requests.size());
    for (const NormalRequest& r : requests) directions.push_back(unit(r.direction));
    for (const int grid : {1000, 200, 50, 20, 8, 4, 2, 1}) {
        out->perBone.assign(boneCount, {});
        out->number.assign(requests.size(), 0);
        std::vector<std::map<std::array<int, 3>, int>> seen(boneCount);
        std::vector<int> within(requests.size(), 0);
        int total = 0;
        for (size_t i = 0; i < requests.size(); ++i) {
            const auto bone = static_cast<size_t>(requests[i].bone);
            const Vec3& n = directions[i];
            const std::array<int, 3> key = {static_cast<int>(std::lround(n[0] * grid)),
                                            static_cast<int>(std::lround(n[1] * grid)),
                                            static_cast<int>(std::lround(n[2] * grid))};
            auto found = seen[bone].find(key);
            if (found == seen[bone].end()) {
                found = seen[bone].emplace(key, static_cast<int>(out->perBone[bone].size())).first;
                const double k = shadedNormalLength / grid;
                out->perBone[bone].push_back({static_cast<int16_t>(std::lround(key[0] * k)),
                                              static_cast<int16_t>(std::lround(key[1] * k)),
                                              static_cast<int16_t>(std::lround(key[2] * k))});
                ++total;
            }
            within[i] = found->second;
        }
        if (total > limit) {
            if (grid == 1) return faultOf("%d normals for lit faces: more than the viewer's %d", total, limit);
            continue;
        }
        std::vector<int> first(boneCount, 0);
        for (size_t b = 1; b < boneCount; ++b) first[b] = first[b - 1] + static_cast<int>(out->perBone[b - 1].size());
        for (size_t i = 0; i < requests.size(); ++i)
            out->number[i] = first[static_cast<size_t>(requests[i].bone)] + within[i];
        return noFault();
    }
    return noFault();
}
