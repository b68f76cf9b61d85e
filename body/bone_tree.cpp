// bone_tree.cpp: a prepared body's skeleton as a tree, read with every byte bounds-checked.
#include "body/bone_tree.h"

#include "support/little_endian.h"

namespace {

bool fits(size_t size, int64_t at, int64_t bytes)
{
    return at >= 0 && bytes >= 0 && at + bytes <= static_cast<int64_t>(size);
}

}  // namespace

Fault readBoneTree(const uint8_t* body, size_t size, BoneTree* tree)
{
    tree->bones.clear();
    tree->order.clear();
    int64_t at = bodyFrameDataOffset;
    if (!fits(size, at, 2)) return faultOf("point count past the end of the body");
    const int32_t points = readI16(body + at);
    if (points < 0) return faultOf("negative point count");
    at += 2 + int64_t{pointBytes} * points;
    if (!fits(size, at, 2)) return faultOf("bone count past the end of the body");
    const int32_t count = readI16(body + at);
    at += 2;
    if (count <= 0) return faultOf("no bones");
    if (!fits(size, at, int64_t{boneRecordBytes} * count)) return faultOf("bone table past the end of the body");

    tree->bones.resize(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t* record = body + at + int64_t{boneRecordBytes} * i;
        BoneNode& b = tree->bones[static_cast<size_t>(i)];
        b.type = readU16(record + boneType);
        b.processed = i == 0 || b.type == boneTypeRotation;
        b.parentField = readI16(record + boneParent);
        const int32_t k = b.parentField / matrixBytes;
        if (b.parentField >= 0 && b.parentField % matrixBytes == 0 && k < count && k != i) b.parent = k;
        b.angleX = readI16(record + boneAngleX);
        b.angleY = readI16(record + boneAngleY);
        b.angleZ = readI16(record + boneAngleZ);
        b.firstPoint = readI16(record + boneFirstPoint) / pointBytes;
        b.pointCount = readI16(record + bonePointCount);
        b.basePoint = b.parentField == -1 ? -1 : readI16(record + boneBasePoint) / pointBytes;
        b.normalCount = readI16(record + boneNormalCount);
    }

    // Children lists, then a walk from every bone that has no parent in the body.
    std::vector<std::vector<int32_t>> children(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        const int32_t p = tree->bones[static_cast<size_t>(i)].parent;
        if (p >= 0) children[static_cast<size_t>(p)].push_back(i);
    }
    std::vector<bool> placed(static_cast<size_t>(count), false);
    std::vector<int32_t> stack;
    auto walkFrom = [&](int32_t top) {
        stack.assign(1, top);
        tree->bones[static_cast<size_t>(top)].depth = 0;
        while (!stack.empty()) {
            const int32_t i = stack.back();
            stack.pop_back();
            placed[static_cast<size_t>(i)] = true;
            tree->order.push_back(i);
            const std::vector<int32_t>& kids = children[static_cast<size_t>(i)];
            for (auto c = kids.rbegin(); c != kids.rend(); ++c) {
                if (placed[static_cast<size_t>(*c)]) continue;
                tree->bones[static_cast<size_t>(*c)].depth = tree->bones[static_cast<size_t>(i)].depth + 1;
                stack.push_back(*c);
            }
        }
    };
    for (int32_t i = 0; i < count; ++i)
        if (tree->bones[static_cast<size_t>(i)].parent < 0) walkFrom(i);
    // What is left hangs from a circle of parents. Climbing `count` links from such a bone
    // surely lands on the circle; the walk starts there, so the bones below it follow it.
    for (int32_t i = 0; i < count; ++i) {
        if (placed[static_cast<size_t>(i)]) continue;
        int32_t j = i;
        for (int32_t step = 0; step < count; ++step) j = tree->bones[static_cast<size_t>(j)].parent;
        walkFrom(j);
    }
    return noFault();
}

void placeBoneOrigins(BoneTree* tree)
{
    for (BoneNode& b : tree->bones) {
        if (b.basePoint >= 0 && b.basePoint < transformedPointRoom) {
            b.origin = transformedPoints[b.basePoint];
        } else {
            b.origin = Point16{0, 0, 0};
        }
    }
}

std::vector<int32_t> pointOwners(const BoneTree& tree)
{
    std::vector<int32_t> owners(transformedPointRoom, -1);
    for (size_t i = 0; i < tree.bones.size(); ++i) {
        const BoneNode& b = tree.bones[i];
        const int64_t from = b.firstPoint < 0 ? 0 : b.firstPoint;
        int64_t to = int64_t{b.firstPoint} + b.pointCount;
        if (to > transformedPointRoom) to = transformedPointRoom;
        for (int64_t p = from; p < to; ++p) owners[static_cast<size_t>(p)] = static_cast<int32_t>(i);
    }
    return owners;
}
