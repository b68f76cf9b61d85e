// face_look.cpp: colours are mixed in linear light, as glTF multiplies them, and turned back
// into display values only at the end.
#include "exchange/face_look.h"

#include <cmath>

#include "exchange/colour.h"

Vec3 pieceColour(const MeshScene& scene, const MeshFace& face, const std::vector<uint32_t>& corners)
{
    Vec3 linear{};
    for (const uint32_t v : corners) {
        for (size_t c = 0; c < 3; ++c)
            linear[c] += linearFromDisplayValue(scene.vertices[v].colour[c]) / static_cast<double>(corners.size());
    }
    if (face.texture >= 0 && static_cast<size_t>(face.texture) < scene.textures.size() && corners.size() >= 3) {
        // The texture's mean over the piece's fan, each triangle weighted by its area in the texture.
        const MeshTexture& t = scene.textures[static_cast<size_t>(face.texture)];
        Vec3 sum{};
        double total = 0;
        const TexCoord& a = scene.vertices[corners[0]].uv;
        for (size_t k = 1; k + 1 < corners.size(); ++k) {
            const TexCoord& b = scene.vertices[corners[k]].uv;
            const TexCoord& c = scene.vertices[corners[k + 1]].uv;
            const double area = std::fabs((b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]));
            const double weight = std::isfinite(area) && area > 0 ? area : 1e-12;
            const std::array<double, 3> mean = meanTextureColour(t.image, t.sampler, a, b, c);
            for (size_t x = 0; x < 3; ++x) sum[x] += weight * mean[x];
            total += weight;
        }
        for (size_t x = 0; x < 3; ++x) linear[x] *= sum[x] / total;
    }
    Vec3 display;
    for (size_t c = 0; c < 3; ++c) display[c] = displayFromLinear(linear[c]);
    return display;
}

FaceShading pieceShading(const MeshScene& scene, const MeshFace& face, const std::vector<uint32_t>& corners, bool flat)
{
    std::vector<Vec3> normals;
    for (const uint32_t v : corners) {
        const Vec3& n = scene.vertices[v].normal;
        if (n[0] == 0 && n[1] == 0 && n[2] == 0) {
            normals.clear();  // a corner without a normal: the face is taken as flat
            break;
        }
        normals.push_back(n);
    }
    return faceShadingOf(normals, face.unlit || flat);
}
