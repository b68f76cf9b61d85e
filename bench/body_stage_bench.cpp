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
#include "testkit/full_room_body.h"

namespace {

// The shared full-room body (8,000 points in 320 rotating bones, 500 normals, 5,000 render
// entries), checked and prepared.
std::vector<uint8_t> fullBody()
{
    std::vector<uint8_t> body = fullRoomBody(7);
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
    if (renderCount != renderListRoom || shadeCount != shadeRoom) std::abort();
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
