// polygon_pieces.h: a polygon of any shape as pieces the viewer can draw. The viewer fills a
// polygon as a convex one, so a convex polygon stays whole and any other is cut into triangles
// by ear clipping in its own plane: a concave outline keeps its notches, and a ring given as one
// outline with a bridge to its hole keeps the hole open.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "exchange/geometry.h"

// The pieces of the polygon whose corners are `corners`, in order: each piece lists corner
// numbers in the polygon's own winding. A convex polygon comes back as one piece of all its
// corners; corners on a straight run between two others are left out of triangles.
std::vector<std::vector<uint32_t>> polygonPieces(const std::vector<Vec3>& corners);
