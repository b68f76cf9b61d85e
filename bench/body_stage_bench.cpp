// body_stage_bench.cpp: the whole body stage per frame on a body filling the tables' room, beside
// the arithmetic's floor: the same number of points turned by one fixed matrix over a flat array.
// Run: build/bench/body_stage_bench
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "body/body.h"
#include "body/body_check.h"
#include "body/fixed_point.h"
#include "body/body_builder.h"

namespace {

constexpr int bones = 320;
constexpr int normalsWanted = shadeRoom;
constexpr int polygonsWanted = 4000, linesWanted = 600, spheresWanted = 400;  // 5,000 entries

// 8,000 points in 320 rotating bones (each with both angles), 500 normals, 4,000 quads of every
// render type family, 600 lines and 400 spheres.
std::vector<uint8_t> fullBody()
{
    std::mt19937 rng(7);
    auto pick = [&rng](int low, int high) { return low + static_cast<int>(rng() % static_cast<uint32_t>(high - low + 1)); };
    BodyBuilder b;
    for (int i = 0; i < transformedPointRoom; ++i) {
        b.addPoint(static_cast<int16_t>(pick(-3000, 3000)), static_cast<int16_t>(pick(-3000, 3000)),
                   static_cast<int16_t>(pick(-3000, 3000)));
    }
    // A first point offset is 16-bit signed, so no bone can start past point 5461: the last bone
    // takes the rest of the table.
    const int perBone = 17;
    int normals = 0;
    for (int i = 0; i < bones; ++i) {
        const int parent = i == 0 ? -1 : pick(0, i - 1);
        const int base = parent < 0 ? 0 : parent * perBone + pick(0, perBone - 1);
        const int count = i == bones - 1 ? transformedPointRoom - i * perBone : perBone;
        b.addBone(i * perBone, count, base, parent, static_cast<int16_t>(pick(1, 1023)), static_cast<int16_t>(pick(1, 1023)));
        const int share = (normalsWanted - normals) / (bones - i);
        for (int k = 0; k < share; ++k, ++normals) {
            b.addNormal(static_cast<int16_t>(pick(-100, 100)), static_cast<int16_t>(pick(-100, 100)),
                        static_cast<int16_t>(pick(-100, 100)), static_cast<uint16_t>(pick(50, 400)));
        }
    }
    for (int i = 0; i < polygonsWanted; ++i) {
        // Offsets of render types 7 and 8 are signed: their points lie below 5462.
        const int p = i % 4 == 1 ? pick(0, 5458) : pick(0, transformedPointRoom - 4);
        const int n = pick(0, normalsWanted - 1);
        switch (i % 4) {
        case 0: b.addVertexShadedPolygon(9, 32, {{n, p}, {n, p + 1}, {n, p + 2}, {n, p + 3}}); break;
        case 1: b.addShadedPolygon(8, 48, static_cast<int16_t>(n), {p, p + 1, p + 2, p + 3}); break;
        case 2: b.addPolygon(1, 64, {p, p + 1, p + 2, p + 3}); break;
        default: b.addVertexShadedPolygon(11, 80, {{n, p}, {n, p + 1}, {n, p + 2}}); break;
        }
    }
    for (int i = 0; i < linesWanted; ++i) b.addLine(7, pick(0, 5461), pick(0, 5461));
    for (int i = 0; i < spheresWanted; ++i) b.addSphere(9, 20, pick(0, 5461));
    std::vector<uint8_t> body = b.build();
    if (checkBodyForPreparation(body.data(), body.size())) std::abort();
    prepareBody(body.data());
    if (checkBodyForFrames(body.data(), body.size())) std::abort();
    return body;
}

void BM_BodyStage(benchmark::State& state)
{
    initPipelineState();
    const std::vector<uint8_t> body = fullBody();
    int32_t autoAngle = 0;
    for (auto _ : state) {
        autoAngle += 2;
        angleY = autoAngle;
        runBodyStage(body.data());
        benchmark::ClobberMemory();
    }
    if (renderCount != polygonsWanted + linesWanted + spheresWanted || shadeCount != normalsWanted) std::abort();
    state.SetItemsProcessed(state.iterations() * transformedPointRoom);
}

// The floor: the points alone, one matrix, a flat array in and out, the same wrapping arithmetic.
void BM_PointsFloor(benchmark::State& state)
{
    std::mt19937 rng(7);
    std::vector<int16_t> in(3 * transformedPointRoom);
    for (int16_t& v : in) v = static_cast<int16_t>(static_cast<int>(rng() % 6001) - 3000);
    std::vector<Point16> out(transformedPointRoom);
    // Opaque to the compiler, so that the floor multiplies a general matrix like the pass does.
    Matrix m{{11585, 0, 11585, 0, 16384, 0, -11585, 0, 11585}};
    benchmark::DoNotOptimize(&m);
    for (auto _ : state) {
        benchmark::DoNotOptimize(in.data());
        const int32_t m00 = m.m[0], m01 = m.m[1], m02 = m.m[2];
        const int32_t m10 = m.m[3], m11 = m.m[4], m12 = m.m[5];
        const int32_t m20 = m.m[6], m21 = m.m[7], m22 = m.m[8];
        const int16_t* p = in.data();
        Point16* o = out.data();
        for (int i = 0; i < transformedPointRoom; ++i, p += 3) {
            const int32_t x = p[0], y = p[1], z = p[2];
            o[i].x = low16(shiftDown(wrapMul(m00, x) + wrapMul(m01, y) + wrapMul(m02, z)));
            o[i].y = low16(shiftDown(wrapMul(m10, x) + wrapMul(m11, y) + wrapMul(m12, z)));
            o[i].z = low16(shiftDown(wrapMul(m20, x) + wrapMul(m21, y) + wrapMul(m22, z)));
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * transformedPointRoom);
}

}  // namespace

BENCHMARK(BM_PointsFloor);
BENCHMARK(BM_BodyStage);
BENCHMARK_MAIN();
