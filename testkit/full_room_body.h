// full_room_body.h: a generated body that fills the pipeline tables' room, for the export tests
// and benchmarks.
#pragma once

#include <cstdint>
#include <vector>

// 8,000 points in 320 rotating bones (parents before children, both angles set), 500 normals,
// 4,000 polygons of every render type family, 600 lines and 400 spheres: 5,000 render entries.
// The same seed gives the same bytes; every body passes both checks and runs without a fatal
// condition.
std::vector<uint8_t> fullRoomBody(uint32_t seed);
