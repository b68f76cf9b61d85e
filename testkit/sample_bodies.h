// sample_bodies.h: generated body-like byte buffers, for tests, packing benchmarks and fuzz seeds.
#pragma once

#include <cstdint>
#include <vector>

// One generated low-poly figure (limbs of point rings, one bone each, normals, quads, lines,
// spheres), laid out by BodyBuilder. The same seed gives the same bytes. About 2-6 KB.
std::vector<uint8_t> sampleBody(uint32_t seed);

// `count` sample bodies with consecutive seeds, back to back: a large body-like buffer.
std::vector<uint8_t> sampleBodies(uint32_t firstSeed, int count);
