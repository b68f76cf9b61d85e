// texture_image.h: a model's colour texture (PNG or JPEG, from memory) as 8-bit RGBA pixels,
// and the look-ups that bake it into colours: one texel by texture coordinates, and the mean
// colour over a triangle of texture coordinates.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "support/fault.h"

// A texture larger than this on a side, or in pixels, is refused before it is decoded.
inline constexpr int textureSideLimit = 8192;
inline constexpr int64_t texturePixelLimit = int64_t{1} << 24;
// Most samples the mean over one triangle takes (a grid of 10 steps a side).
inline constexpr int textureSamplesPerFace = 66;

struct TextureImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;  // row-major, top row first
};

// Decodes PNG or JPEG bytes (told apart by their signature).
Fault decodeTexture(const std::vector<uint8_t>& bytes, TextureImage* out);

// How coordinates outside 0..1 fold back (glTF's sampler wrap modes).
enum class TextureWrap { repeat, clampToEdge, mirroredRepeat };
struct TextureSampler {
    TextureWrap wrapS = TextureWrap::repeat, wrapT = TextureWrap::repeat;
};

using TexCoord = std::array<double, 2>;

// The nearest texel's colour at (u, v), v = 0 at the top row, red, green, blue 0..255.
std::array<double, 3> textureTexel(const TextureImage& image, const TextureSampler& sampler, const TexCoord& uv);

// The texture's mean colour over the triangle (a, b, c), linear light (0..1 each, the texels
// taken as sRGB): sampled on a barycentric grid as fine as the triangle's size in texels asks,
// at most textureSamplesPerFace samples.
std::array<double, 3> meanTextureColour(const TextureImage& image, const TextureSampler& sampler, const TexCoord& a,
                                        const TexCoord& b, const TexCoord& c);
