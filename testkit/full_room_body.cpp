// full_room_body.cpp: a generated body that fills the pipeline tables' room.
#include "testkit/full_room_body.h"

#include <random>

#include "body/body_builder.h"

std::vector<uint8_t> fullRoomBody(uint32_t seed)
{
    constexpr int bones = 320, perBone = 17;
    constexpr int polygons = 4000, lines = 600, spheres = 400;
    std::mt19937 rng(seed);
    auto pick = [&rng](int low, int high) {
        return low + static_cast<int>(rng() % static_cast<uint32_t>(high - low + 1));
    };
    BodyBuilder b;
    for (int i = 0; i < transformedPointRoom; ++i) {
        b.addPoint(static_cast<int16_t>(pick(-2000, 2000)), static_cast<int16_t>(pick(-2000, 2000)),
                   static_cast<int16_t>(pick(-2000, 2000)));
    }
    // A first point offset is 16-bit signed, so no bone starts past point 5461: the last bone
    // takes the rest of the table.
    int normals = 0;
    for (int i = 0; i < bones; ++i) {
        const int parent = i == 0 ? -1 : pick(0, i - 1);
        const int base = parent < 0 ? 0 : parent * perBone + pick(0, perBone - 1);
        const int count = i == bones - 1 ? transformedPointRoom - i * perBone : perBone;
        b.addBone(i * perBone, count, base, parent, static_cast<int16_t>(pick(1, 1023)),
                  static_cast<int16_t>(pick(1, 1023)));
        const int share = (shadeRoom - normals) / (bones - i);
        for (int k = 0; k < share; ++k, ++normals) {
            b.addNormal(static_cast<int16_t>(pick(-100, 100)), static_cast<int16_t>(pick(-100, 100)),
                        static_cast<int16_t>(pick(-100, 100)), static_cast<uint16_t>(pick(50, 400)));
        }
    }
    for (int i = 0; i < polygons; ++i) {
        // Offsets of render types 7 and 8 are signed: their points lie below 5462.
        const int p = i % 4 == 1 ? pick(0, 5458) : pick(0, transformedPointRoom - 4);
        const int n = pick(0, shadeRoom - 1);
        switch (i % 4) {
        case 0:
            b.addVertexShadedPolygon(9, 32, {{n, p}, {n, p + 1}, {n, p + 2}, {n, p + 3}});
            break;
        case 1:
            b.addShadedPolygon(8, 48, static_cast<int16_t>(n), {p, p + 1, p + 2, p + 3});
            break;
        case 2:
            b.addPolygon(i % 8 == 2 ? 5 : 1, 64, {p, p + 1, p + 2, p + 3});
            break;
        default:
            b.addVertexShadedPolygon(11, 80, {{n, p}, {n, p + 1}, {n, p + 2}});
            break;
        }
    }
    for (int i = 0; i < lines; ++i) b.addLine(7, pick(0, 5461), pick(0, 5461));
    for (int i = 0; i < spheres; ++i) b.addSphere(9, static_cast<int16_t>(pick(5, 40)), pick(0, 5461));
    return b.build();
}
