// import_foreign_test.cpp: models from other tools: an OBJ read directly and through Assimp's
// glTF export, and a rigged glTF written here with a joint turned about z and joints listed
// after their children. Checked for points, bones, colours and what was baked.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "exchange/body_from_mesh.h"
#include "exchange/colour.h"
#include "exchange/face_shading.h"
#include "import_test_support.h"
#include "tests/support/run_command.h"
#include "tests/support/scratch_dir.h"

namespace {

using Json = nlohmann::json;

// Palette entries the models' colours are taken from: each found again exactly.
constexpr int red = 72, green = 140, blue = 200;

// Kd is linear light.
std::string kd(int index)
{
    const uint8_t* c = demoPaletteColours()[index];
    char text[80];
    std::snprintf(text, sizeof text, "Kd %.6f %.6f %.6f\n", linearFromDisplay(c[0]), linearFromDisplay(c[1]),
                  linearFromDisplay(c[2]));
    return text;
}

// A cube 0.2 across (80 model units), two faces per material, and one line.
const char* const cubeObj = "mtllib cube.mtl\n"
                            "v -0.1 -0.1 -0.1\nv 0.1 -0.1 -0.1\nv 0.1 0.1 -0.1\nv -0.1 0.1 -0.1\n"
                            "v -0.1 -0.1 0.1\nv 0.1 -0.1 0.1\nv 0.1 0.1 0.1\nv -0.1 0.1 0.1\n"
                            "usemtl red\nf 1 4 3 2\nf 5 6 7 8\n"
                            "usemtl green\nf 1 2 6 5\nf 3 4 8 7\n"
                            "usemtl blue\nf 2 3 7 6\nf 1 5 8 4\n"
                            "l 1 7\n";

std::vector<std::array<int, 3>> sortedPoints(const BodyParts& parts)
{
    std::vector<std::array<int, 3>> out;
    for (const PointXYZ& p : parts.points) out.push_back({p.x, p.y, p.z});
    std::sort(out.begin(), out.end());
    return out;
}

TEST(ImportForeign, ObjDirectlyAndThroughAssimpGltfGiveTheSameCube)
{
    TempDir dir;
    ASSERT_TRUE(dir.write("cube.obj", Bytes(cubeObj, cubeObj + std::strlen(cubeObj))));
    const std::string mtl = "newmtl red\n" + kd(red) + "newmtl green\n" + kd(green) + "newmtl blue\n" + kd(blue);
    ASSERT_TRUE(dir.write("cube.mtl", Bytes(mtl.begin(), mtl.end())));

    MeshBodyOptions options;
    options.palette = demoPaletteColours();
    ModelImport direct;
    ASSERT_FALSE(importModel(dir.read("cube.obj"), ModelFormat::obj, dir.path(), options, &direct));
    const BodyParts obj = partsOf(direct.body);
    ASSERT_EQ(obj.bones.size(), 1u);
    std::vector<std::array<int, 3>> corners;
    for (int x : {-40, 40})
        for (int y : {-40, 40})
            for (int z : {-40, 40}) corners.push_back({x, y, z});
    std::sort(corners.begin(), corners.end());
    EXPECT_EQ(sortedPoints(obj), corners);
    ASSERT_EQ(obj.polygons.size(), 6u);
    EXPECT_EQ(obj.polygons[0].points.size(), 4u);  // quads stay quads
    EXPECT_EQ(coloursOf(obj), litColours({red, green, blue}));
    for (const BodyPolygon& p : obj.polygons) EXPECT_EQ(p.type, 7) << "no normals in the file: lit flat";
    ASSERT_EQ(obj.lines.size(), 1u);
    EXPECT_EQ(obj.lines[0][0], blue);
    // Faces keep their winding: the first (1 4 3 2) faces -z, counter-clockwise seen from there.
    const BodyPolygon& front = obj.polygons[0];
    const PointXYZ& a = obj.points[static_cast<size_t>(front.points[0])];
    const PointXYZ& b = obj.points[static_cast<size_t>(front.points[1])];
    const PointXYZ& c = obj.points[static_cast<size_t>(front.points[2])];
    EXPECT_LT((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x), 0);

    const CommandRun assimp = runCommand("cd '" + dir.path() + "' && assimp export cube.obj cube.glb");
    ASSERT_EQ(assimp.status, 0) << assimp.out << assimp.err;
    ModelImport viaGltf;
    ASSERT_FALSE(importModel(dir.read("cube.glb"), ModelFormat::glb, dir.path(), options, &viaGltf));
    EXPECT_FALSE(viaGltf.fromOrvane);
    const BodyParts gltf = partsOf(viaGltf.body);
    EXPECT_EQ(sortedPoints(gltf), corners);
    EXPECT_EQ(gltf.polygons.size(), 12u);  // glTF holds triangles only
    // Assimp copies Kd into baseColorFactor: both are linear, so the colours come back the same.
    EXPECT_EQ(coloursOf(gltf), litColours({red, green, blue}));
}

// A rigged glTF: joints root (node 0), armX (node 1, a quarter turn about x) and handZ (node 2,
// a quarter turn about z), listed in the skin as [handZ, root, armX]: each child before its
// parent. One triangle per joint, weighted to it; a fourth triangle of three colours on the root.
Bytes riggedGlb()
{
    Bytes bin;
    // Bind pose: every joint unturned at its translation; the triangles sit at their joints.
    putFloats(bin, {0,     0,    0,     0.05f,  0,    0, 0,     0.05f, 0,    // root
                    0,     0.1f, 0.05f, 0.05f,  0.1f, 0, 0,     0.15f, 0,    // armX at (0, 0.1, 0)
                    0.1f,  0.1f, 0.05f, 0.15f,  0.1f, 0, 0.1f,  0.15f, 0,    // handZ at (0.1, 0.1, 0)
                    -0.1f, 0,    0,     -0.05f, 0,    0, -0.1f, 0.05f, 0});  // root, three colours
    const size_t joints = bin.size();
    for (const uint16_t j : {1, 1, 1, 2, 2, 2, 0, 0, 0, 1, 1, 1}) putU16s(bin, {j, 0, 0, 0});
    const size_t weights = bin.size();
    for (int v = 0; v < 12; ++v) putFloats(bin, {1, 0, 0, 0});
    const size_t colours = bin.size();
    for (int v = 0; v < 9; ++v) putFloats(bin, {1, 1, 1});
    putFloats(bin, {1, 0, 0, 0, 1, 0, 0, 0, 1});
    const size_t inverse = bin.size();
    // Skin order [handZ, root, armX]: inverse binds translate back from (0.1, 0.1, 0), 0, (0, 0.1, 0).
    putFloats(bin, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -0.1f, -0.1f, 0, 1});
    putFloats(bin, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    putFloats(bin, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -0.1f, 0, 1});
    const float s = std::sqrt(0.5f);
    Json j = {{"asset", {{"version", "2.0"}, {"generator", "a hand-written test"}}},
              {"buffers", {{{"byteLength", bin.size()}}}},
              {"bufferViews",
               {{{"buffer", 0}, {"byteOffset", 0}, {"byteLength", joints}},
                {{"buffer", 0}, {"byteOffset", joints}, {"byteLength", weights - joints}},
                {{"buffer", 0}, {"byteOffset", weights}, {"byteLength", colours - weights}},
                {{"buffer", 0}, {"byteOffset", colours}, {"byteLength", inverse - colours}},
                {{"buffer", 0}, {"byteOffset", inverse}, {"byteLength", bin.size() - inverse}}}},
              {"accessors",
               {{{"bufferView", 0}, {"componentType", 5126}, {"count", 12}, {"type", "VEC3"}},
                {{"bufferView", 1}, {"componentType", 5123}, {"count", 12}, {"type", "VEC4"}},
                {{"bufferView", 2}, {"componentType", 5126}, {"count", 12}, {"type", "VEC4"}},
                {{"bufferView", 3}, {"componentType", 5126}, {"count", 12}, {"type", "VEC3"}},
                {{"bufferView", 4}, {"componentType", 5126}, {"count", 3}, {"type", "MAT4"}}}},
              {"materials", {{{"pbrMetallicRoughness", {{"baseColorFactor", {1, 1, 1, 1}}}}}}},
              {"meshes",
               {{{"primitives",
                  {{{"attributes", {{"POSITION", 0}, {"JOINTS_0", 1}, {"WEIGHTS_0", 2}, {"COLOR_0", 3}}},
                    {"material", 0}}}}}}},
              {"nodes",
               {{{"name", "root"}, {"children", {1}}},
                {{"name", "armX"}, {"translation", {0, 0.1, 0}}, {"rotation", {s, 0, 0, s}}, {"children", {2}}},
                {{"name", "handZ"}, {"translation", {0.1, 0, 0}}, {"rotation", {0, 0, s, s}}},
                {{"name", "mesh"}, {"mesh", 0}, {"skin", 0}}}},
              {"skins", {{{"joints", {2, 0, 1}}, {"inverseBindMatrices", 4}}}},
              {"scenes", {{{"nodes", {0, 3}}}}},
              {"scene", 0}};
    return glbOf(j.dump(), bin);
}

// Linear colours of three palette entries for the last triangle's vertices.
Bytes withVertexColours(Bytes glb)
{
    // The colour accessor's last three VEC3 floats sit just before the inverse binds' 3 x 64 bytes.
    const size_t end = glb.size() - 3 * 64;
    const int indices[3] = {red, red + 2, red + 4};
    for (int v = 0; v < 3; ++v) {
        for (int c = 0; c < 3; ++c) {
            const float linear = linearFromDisplay(demoPaletteColours()[indices[v]][c]);
            uint32_t bits;
            std::memcpy(&bits, &linear, 4);
            const size_t at = end - static_cast<size_t>((3 - v) * 12 - c * 4);
            for (int k = 0; k < 4; ++k) glb[at + static_cast<size_t>(k)] = static_cast<uint8_t>(bits >> (8 * k));
        }
    }
    return glb;
}

TEST(ImportForeign, RiggedGltfBonesComeParentsFirstAndZTurnsAreBaked)
{
    ModelImport result;
    ASSERT_EQ(importBytes(withVertexColours(riggedGlb()), ModelFormat::glb, &result), "");
    const BodyParts parts = partsOf(result.body);

    // Bones in parent-first order: root, armX, handZ (the skin listed handZ first).
    ASSERT_EQ(parts.bones.size(), 3u);
    EXPECT_EQ(parts.bones[0].parent, -1);
    EXPECT_EQ(parts.bones[1].parent, 0);  // 38 x the parent's index
    EXPECT_EQ(parts.bones[2].parent, 38);
    // armX's quarter turn about x is its angle X; handZ's turn about z is baked, never written.
    EXPECT_EQ(parts.bones[1].angleX, 256);
    EXPECT_EQ(parts.bones[1].angleY, 0);
    for (const BodyBone& b : parts.bones) EXPECT_EQ(b.angleZ, 0);
    EXPECT_EQ(parts.bones[2].angleX, 0);
    EXPECT_EQ(parts.bones[2].angleY, 0);
    std::string notes;
    for (const std::string& n : result.notes) notes += n + "\n";
    EXPECT_NE(notes.find("1 of 3 bones: turns that are not about x then y baked into their points"), std::string::npos)
        << notes;
    EXPECT_NE(notes.find("joints reordered"), std::string::npos) << notes;

    // Posed positions (model units): each triangle where glTF's skinning puts it.
    // armX: (x, y, z) about its joint turns to (x, -z, y); handZ then also turns (x, y) to (-y, x).
    const std::vector<std::array<int, 3>> expected = {
        {0, 0, 0},   {20, 0, 0},  {0, 20, 0},     // root
        {0, 20, 0},  {20, 40, 0}, {0, 40, 20},    // armX
        {40, 20, 0}, {40, 40, 0}, {40, 40, 20},   // handZ: joint at (40, 40, 0)
        {-40, 0, 0}, {-20, 0, 0}, {-40, 20, 0}};  // root, three colours
    const std::vector<PointXYZ> posed = firstFramePoints(result.body);
    ASSERT_FALSE(posed.empty());
    for (const auto& e : expected) {
        bool found = false;
        for (const PointXYZ& p : posed)
            found |= std::abs(p.x - e[0]) <= 1 && std::abs(p.y - e[1]) <= 1 && std::abs(p.z - e[2]) <= 1;
        EXPECT_TRUE(found) << e[0] << "," << e[1] << "," << e[2];
    }

    // No normals in the file: every face lit flat (stored type 7), the face of three colours in their mean.
    ASSERT_EQ(parts.polygons.size(), 4u);
    for (const BodyPolygon& p : parts.polygons) EXPECT_EQ(p.type, 7);
    EXPECT_GT(parts.normals, 0);
    // Its stored colour sits in the colours' ramp, low enough that the shades stay inside it.
    EXPECT_EQ(parts.polygons[3].colour / 16, red / 16);
    EXPECT_LE(parts.polygons[3].colour % 16, 8);
}

TEST(ImportForeign, ScaleAndOriginsFollowTheOption)
{
    ModelImport result;
    ASSERT_EQ(importBytes(riggedGlb(), ModelFormat::glb, &result, 200), "");
    const std::vector<PointXYZ> posed = firstFramePoints(result.body);
    bool found = false;
    for (const PointXYZ& p : posed) found |= p.x == 20 && p.y == 20 && p.z == 10;  // handZ's (40, 40, 20) at half scale
    EXPECT_TRUE(found);
}

}  // namespace
