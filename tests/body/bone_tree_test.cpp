// bone_tree_test.cpp: the skeleton read as a tree: parents before children whatever order the
// links run in, every bone once even when the links circle, the origins the frame used, and
// which bone each point belongs to.
#include <algorithm>

#include "body/bone_tree.h"
#include "tests/body/body_test_support.h"

namespace {

class BoneTreeTest : public BodyPipeline {
protected:
    BoneTree read(const std::vector<uint8_t>& body)
    {
        BoneTree tree;
        const Fault fault = readBoneTree(body.data(), body.size(), &tree);
        EXPECT_FALSE(fault) << fault.reason;
        return tree;
    }
};

std::vector<int32_t> depths(const BoneTree& tree)
{
    std::vector<int32_t> d;
    for (const BoneNode& b : tree.bones) d.push_back(b.depth);
    return d;
}

// A point for each bone, in order, so bone i owns point i; `parents` names each bone's parent.
BodyBuilder chain(std::initializer_list<int> parents, uint16_t flags = bodyFlagConvertParents)
{
    BodyBuilder b;
    b.flags = flags;
    int i = 0;
    for (int parent : parents) {
        b.addPoint(static_cast<int16_t>(10 * i), 100, 0);
        b.addBone(i, 1, parent < 0 ? 0 : parent, parent);
        ++i;
    }
    return b;
}

TEST_F(BoneTreeTest, ParentsComeBeforeChildrenAndEveryBoneOnceWhateverTheLinks)
{
    // Plain tree: depth first, children in table order.
    BoneTree tree = read(prepared(chain({-1, 0, 1, 0, 3, 1})));
    EXPECT_EQ(tree.order, (std::vector<int32_t>{0, 1, 2, 5, 3, 4}));
    EXPECT_EQ(depths(tree), (std::vector<int32_t>{0, 1, 2, 1, 2, 2}));
    EXPECT_EQ(tree.bones[4].parent, 3);
    EXPECT_EQ(tree.bones[4].parentField, 3 * 36) << "as prepared";

    // A parent later in the table still comes first in the tree.
    tree = read(prepared(chain({-1, 2, 0})));
    EXPECT_EQ(tree.order, (std::vector<int32_t>{0, 2, 1}));
    EXPECT_EQ(depths(tree), (std::vector<int32_t>{0, 2, 1}));

    // Bones 1 and 2 name each other, bone 3 hangs from 2: all still listed once, 3 after 2.
    tree = read(prepared(chain({-1, 2, 1, 2})));
    ASSERT_EQ(tree.order.size(), 4u);
    std::vector<int32_t> sorted = tree.order;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int32_t>{0, 1, 2, 3}));
    const auto at = [&](int32_t bone) {
        return std::find(tree.order.begin(), tree.order.end(), bone) - tree.order.begin();
    };
    EXPECT_LT(at(2), at(3));

    // Without the flag a parent field -1 on a later bone stays -1: a second top of the tree.
    tree = read(prepared(chain({-1, 0, -1, 2}, 0)));
    EXPECT_EQ(tree.order, (std::vector<int32_t>{0, 1, 2, 3}));
    EXPECT_EQ(depths(tree), (std::vector<int32_t>{0, 1, 0, 1}));
    EXPECT_EQ(tree.bones[2].basePoint, -1);
}

TEST_F(BoneTreeTest, RecordsOriginsAndPointOwnersAsTheFrameLeavesThem)
{
    BodyBuilder b;
    b.addPoint(0, 0, 0);
    b.addPoint(0, 400, 0);  // the root's top: the arm's origin
    b.addPoint(200, 0, 0);  // the arm's point
    b.addPoint(0, 0, 100);  // a skipped bone's point
    b.addBone(0, 2, 0, -1);
    b.addBone(2, 1, 1, 0, 0, 256);  // turns a quarter about y
    b.addBone(3, 1, 1, 0, 0, 0, 7);
    const std::vector<uint8_t> body = prepared(b);
    BoneTree tree = read(body);
    EXPECT_TRUE(tree.bones[1].processed);
    EXPECT_FALSE(tree.bones[2].processed);
    EXPECT_EQ(tree.bones[2].type, 7);
    EXPECT_EQ(tree.bones[1].angleY, 256);
    EXPECT_EQ(tree.bones[1].firstPoint, 2);
    EXPECT_EQ(tree.bones[1].basePoint, 1);

    // The root turns with the auto-rotation angle; the arm's origin follows the root's top.
    ASSERT_EQ(frame(body, 256), "");
    placeBoneOrigins(&tree);
    EXPECT_EQ(tree.bones[0].origin.x, 0);
    EXPECT_EQ(tree.bones[0].origin.y, 0);
    EXPECT_EQ(tree.bones[1].origin.x, transformedPoints[1].x);
    EXPECT_EQ(tree.bones[1].origin.y, 400);
    EXPECT_EQ(tree.bones[1].origin.z, transformedPoints[1].z);

    const std::vector<int32_t> owners = pointOwners(tree);
    ASSERT_EQ(owners.size(), static_cast<size_t>(transformedPointRoom));
    EXPECT_EQ((std::vector<int32_t>(owners.begin(), owners.begin() + 5)), (std::vector<int32_t>{0, 0, 1, 2, -1}));

    // Overlapping ranges: the later bone's placement stands, so the point is its.
    BodyBuilder overlap = chain({-1, 0});
    overlap.bones[1].firstPoint = 0;
    overlap.bones[1].pointCount = 2;
    EXPECT_EQ(pointOwners(read(prepared(overlap)))[0], 1);
}

TEST_F(BoneTreeTest, RefusesBytesThatEndBeforeTheBoneTable)
{
    std::vector<uint8_t> body = chain({-1, 0, 1}).build();
    BoneTree tree;
    for (size_t cut : {size_t{10}, size_t{27}, size_t{40}, body.size() - 20}) {
        // Cut anywhere before the last bone record ends: a phrase, no read past `cut`.
        std::vector<uint8_t> shorter(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_TRUE(readBoneTree(shorter.data(), shorter.size(), &tree)) << cut;
    }
}

}  // namespace
