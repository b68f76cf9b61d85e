// bone_tree.h: a prepared body's skeleton as a tree: each bone's record, its parent among the
// body's bones, its depth, and where the last frame put its origin. No drawing here: the bones
// command, the skeleton overlay and the bone highlight all read it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "body/body.h"
#include "support/fault.h"

struct BoneNode {
    uint16_t type = 0;         // as stored; bone 0 is processed whatever it holds
    bool processed = false;    // bone 0, and every other bone of type 0
    int32_t parentField = -1;  // as prepared: -1, or the byte offset 36 * k in the matrix table
    int32_t parent = -1;       // k when it names another bone of this body, otherwise -1
    int32_t depth = 0;         // 0 for a bone at the top of the tree
    int16_t angleX = 0, angleY = 0, angleZ = 0;
    int32_t firstPoint = 0;  // point index (stored offset / 6)
    int32_t pointCount = 0;
    int32_t basePoint = -1;  // point index; -1 when the parent field is -1 (origin 0, 0, 0)
    int32_t normalCount = 0;
    Point16 origin{0, 0, 0};  // set by placeBoneOrigins
};

struct BoneTree {
    std::vector<BoneNode> bones;  // in table order
    // Every bone once, depth first from the top bones, children in table order, so a parent
    // always comes before its children. Bones whose parent links run in a circle (possible:
    // the links are not checked) come last, at depth 0.
    std::vector<int32_t> order;
};

// Reads the skeleton of a prepared body of `size` bytes from its data section at byte 26, as
// the frames read it. Fails when the bytes end before the bone table does. Allocates; call once
// per loaded body.
Fault readBoneTree(const uint8_t* body, size_t size, BoneTree* tree);

// Sets every bone's origin from transformedPoints as the last skeleton pass left them: the
// base point's place for a bone with a parent, (0, 0, 0) otherwise. That is the origin the
// bone turned about, unless a later bone rewrote its base point in the same pass. No allocation.
void placeBoneOrigins(BoneTree* tree);

// For every index of the point table (transformedPointRoom of them), the bone whose points
// include it: the last in table order whose range covers it (its placement stands), or -1.
std::vector<int32_t> pointOwners(const BoneTree& tree);
