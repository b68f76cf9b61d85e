// sample_bodies.cpp: generated body-like byte buffers, for packing benchmarks and fuzz seeds.
#include "testkit/sample_bodies.h"

#include <cmath>
#include <random>

#include "body/body_builder.h"

std::vector<uint8_t> sampleBody(uint32_t seed)
{
    std::mt19937 rng(seed);
    auto pick = [&rng](int low, int high) {
        return low + static_cast<int>(rng() % static_cast<uint32_t>(high - low + 1));
    };
    BodyBuilder b;
    const int limbs = pick(5, 11);
    std::vector<int> firstPoints, pointCounts;  // per bone, to pick an origin on the parent
    for (int limb = 0; limb < limbs; ++limb) {
        const int ringPoints = pick(4, 8);
        const int rings = pick(2, 6);
        const int radius = pick(8, 40);
        const int length = pick(20, 90);
        const int axis = pick(0, 2);
        const int first = static_cast<int>(b.points.size());
        for (int r = 0; r < rings; ++r) {
            for (int k = 0; k < ringPoints; ++k) {
                const double angle = 6.283185307179586 * k / ringPoints;
                const int16_t u = static_cast<int16_t>(std::lround(radius * std::cos(angle)));
                const int16_t v = static_cast<int16_t>(std::lround(radius * std::sin(angle)));
                const int16_t w = static_cast<int16_t>(r * length / rings);
                if (axis == 0)
                    b.addPoint(w, u, v);
                else if (axis == 1)
                    b.addPoint(u, w, v);
                else
                    b.addPoint(u, v, w);
            }
        }
        const int count = rings * ringPoints;
        const int parentBone = limb == 0 ? -1 : pick(0, limb - 1);
        const int base = parentBone < 0 ? 0 : firstPoints[parentBone] + pick(0, pointCounts[parentBone] - 1);
        b.addBone(first, count, base, parentBone, static_cast<int16_t>(pick(0, 1023)),
                  static_cast<int16_t>(pick(0, 1023)));
        for (int k = 0; k < ringPoints; ++k) {
            const double angle = 6.283185307179586 * (k + 0.5) / ringPoints;
            b.addNormal(static_cast<int16_t>(std::lround(100 * std::cos(angle))),
                        static_cast<int16_t>(std::lround(100 * std::sin(angle))), 0, 100);
        }
        const uint16_t colour = static_cast<uint16_t>(16 * pick(1, 14));
        for (int r = 0; r + 1 < rings; ++r) {
            for (int k = 0; k < ringPoints; ++k) {
                const int a = first + r * ringPoints + k;
                const int bNext = first + r * ringPoints + (k + 1) % ringPoints;
                const int normal = static_cast<int>(b.normals.size()) - ringPoints + k;
                if (limb % 3 == 0)
                    b.addPolygon(1, colour, {a, bNext, bNext + ringPoints, a + ringPoints});
                else if (limb % 3 == 1)
                    b.addShadedPolygon(7, colour, static_cast<int16_t>(normal),
                                       {a, bNext, bNext + ringPoints, a + ringPoints});
                else
                    b.addVertexShadedPolygon(
                        9, colour,
                        {{normal, a}, {normal, bNext}, {normal, bNext + ringPoints}, {normal, a + ringPoints}});
            }
        }
        if (pick(0, 1) == 0) b.addLine(static_cast<uint8_t>(pick(1, 255)), first, first + count - 1);
        b.addSphere(static_cast<uint8_t>(colour + 4), static_cast<int16_t>(radius / 2), first);
        firstPoints.push_back(first);
        pointCounts.push_back(count);
    }
    return b.build();
}

std::vector<uint8_t> sampleBodies(uint32_t firstSeed, int count)
{
    std::vector<uint8_t> out;
    for (int i = 0; i < count; ++i) {
        const std::vector<uint8_t> body = sampleBody(firstSeed + static_cast<uint32_t>(i));
        out.insert(out.end(), body.begin(), body.end());
    }
    return out;
}
