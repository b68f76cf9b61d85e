// face_shading.h: how an imported face is lit, and the normal records its lit type names.
// A face whose corners carry different normals shares them with its neighbours in the source
// (a smooth surface) and keeps one normal per corner; a face whose corners agree, or that has
// none, is flat with one normal; an unlit face keeps its colour as it is.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "exchange/geometry.h"
#include "support/fault.h"

enum class FaceShading { unlit, flat, smooth };

// `cornerNormals` is empty when the source gave none.
FaceShading faceShadingOf(const std::vector<Vec3>& cornerNormals, bool unlit);

// Normals are stored 1000 long with this divisor: light (0, 40, 40) then gives shades 0 to 7,
// half a 16-colour ramp.
inline constexpr double shadedNormalLength = 1000;
inline constexpr uint16_t shadedNormalDivisor = 8081;
inline constexpr int shadeSpan = 7;

// The stored colour of a lit face whose colour is palette entry `nearest`: low enough in its
// ramp of 16 that the colour plus any shade stays in the ramp, the middle shade landing on it.
uint16_t litColour(uint8_t nearest);

// The body's normal records: each request a direction in its bone's space, any length; equal
// directions in a bone share one record, and directions are made coarser until they fit the
// viewer's table of `limit`.
struct NormalRequest {
    int bone = 0;
    Vec3 direction{};
};
struct NormalTable {
    std::vector<std::vector<std::array<int16_t, 3>>> perBone;  // records, bone by bone
    std::vector<int> number;  // per request: its normal number, counted across all bones
};
Fault buildNormalTable(size_t boneCount, const std::vector<NormalRequest>& requests, int limit, NormalTable* out);
