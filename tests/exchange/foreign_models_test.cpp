// foreign_models_test.cpp: models as other tools write them, imported whole: sample-style glTF
// files (textured, skinned, vertex-coloured, unlit, sparse), an OBJ ring and its Assimp
// conversion. Checked for lit types, baked colours, points and the notes on what was dropped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "exchange/face_shading.h"
#include "foreign_models.h"
#include "import_test_support.h"
#include "support/file_io.h"
#include "tests/support/run_command.h"

namespace {

struct Outcome {
    BodyParts parts;
    std::string notes;
    std::string fault;
};

Outcome importFile(const std::string& path, ModelFormat format, bool flat = false, double fit = 0, double scale = 0)
{
    MeshBodyOptions options;
    options.palette = demoPaletteColours();
    if (scale > 0) options.scale = scale;
    options.flat = flat;
    options.fit = fit;
    Bytes bytes;
    EXPECT_FALSE(readFileBytes(path, &bytes)) << path;
    const size_t slash = path.rfind('/');
    ModelImport result;
    Outcome out;
    if (const Fault fault = importModel(bytes, format, path.substr(0, slash), options, &result))
        out.fault = fault.reason;
    out.parts = partsOf(result.body);
    for (const std::string& n : result.notes) out.notes += n + "\n";
    return out;
}

std::set<int> typesOf(const BodyParts& parts)
{
    std::set<int> out;
    for (const BodyPolygon& p : parts.polygons) out.insert(p.type);
    return out;
}

const std::set<int> allFour = {sampleColours[0], sampleColours[1], sampleColours[2], sampleColours[3]};

TEST(ForeignModels, SampleStyleGltfFilesLookLikeThemselves)
{
    const struct {
        const char* name;
        SampleModel model;
        bool flat;
        int type;               // every polygon's stored type
        std::set<int> colours;  // every polygon's stored colour
        const char* note;       // a line the import must say ("" none)
    } cases[] = {
        {"box, PNG in the GLB",
         {.texture = SampleTexture::embeddedPng},
         false,
         7,
         litColours(allFour),
         "baked into face colours"},
        {"box, JPEG beside the .gltf",
         {.texture = SampleTexture::jpegBeside},
         false,
         7,
         litColours(allFour),
         "baked into face colours"},
        {"box, white texture times a factor",
         {.texture = SampleTexture::embeddedPng, .whiteTexture = true, .factor = 140},
         false,
         7,
         litColours({140}),
         ""},
        {"box, vertex colours", {.vertexColours = true}, false, 7, litColours(allFour), ""},
        {"box, vertex colours times a texture",
         {.texture = SampleTexture::embeddedPng, .whiteTexture = true, .vertexColours = true},
         false,
         7,
         litColours(allFour),
         ""},
        {"box, unlit", {.texture = SampleTexture::embeddedPng, .unlit = true}, false, 0, allFour, ""},
        {"box, --flat", {.texture = SampleTexture::embeddedPng}, true, 0, allFour, ""},
        {"ball, shared normals", {.ball = true, .factor = 200}, false, 9, litColours({200}), ""},
        {"skinned box", {.vertexColours = true, .skinned = true}, false, 7, litColours(allFour), ""},
        {"box with what a body cannot hold",
         {.factor = 72, .extras = true},
         false,
         7,
         litColours({72}),
         "2 animations dropped: the body keeps the pose the file is in\n1 morph target dropped: the base shape is "
         "kept\n"
         "1 camera dropped\n3 lights dropped: the viewer has one fixed light\n1 texture coordinate set dropped"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string path = writeSampleModel(dir, c.model);
        // Real glTF, as the sample models are: the Khronos validator finds no error or warning.
        const CommandRun check = runCommand(std::string(ORVANE_NODE) + " '" + ORVANE_VALIDATOR + "' '" + path + "'");
        EXPECT_NE(check.out.find("\"errors\":0,\"warnings\":0"), std::string::npos)
            << c.name << ": " << check.out << check.err;
        const Outcome out = importFile(path, modelFormatOf(path), c.flat);
        ASSERT_EQ(out.fault, "") << c.name;
        EXPECT_EQ(typesOf(out.parts), std::set<int>{c.type}) << c.name;
        EXPECT_EQ(coloursOf(out.parts), c.colours) << c.name;
        EXPECT_NE(out.notes.find(c.note), std::string::npos) << c.name << ":\n" << out.notes;
        EXPECT_EQ(out.notes.find("baked") != std::string::npos, c.model.texture != SampleTexture::none)
            << c.name << ":\n"
            << out.notes;
        EXPECT_EQ(out.parts.normals > 0, c.type >= 7) << c.name;
    }
}

TEST(ForeignModels, SparseSkinsAndFitMoveThePointsWhereTheFileSays)
{
    const auto highest = [](const BodyParts& p, int axis) {
        int top = -100000;
        for (const PointXYZ& q : p.points) top = std::max(top, axis == 0 ? q.x : axis == 1 ? q.y : q.z);
        return top;
    };
    TempDir dir;
    // The sparse accessor raises the top face from 0.5 to 1 (400 model units at the default scale).
    EXPECT_EQ(highest(importFile(writeSampleModel(dir, {.factor = 72, .sparse = true}), ModelFormat::glb).parts, 1),
              400);
    // --fit: the box's 1.5 units of height become 600 model units, its other sides 400.
    const Outcome fit = importFile(writeSampleModel(dir, {.factor = 72, .sparse = true}), ModelFormat::glb, false, 600);
    EXPECT_EQ(highest(fit.parts, 1), 400);
    EXPECT_EQ(highest(fit.parts, 0), 200);
    // The skin's second joint is turned a quarter about x: its angle, not baked points.
    const Outcome skinned = importFile(writeSampleModel(dir, {.factor = 72, .skinned = true}), ModelFormat::glb);
    bool quarter = false;
    for (const BodyBone& b : skinned.parts.bones) quarter |= b.angleX == 256;
    EXPECT_TRUE(quarter) << skinned.notes;
}

// A square ring 6 units across with a hole of 2, as one outline with a bridge to the hole.
const char* const ringObj = "v 0 0 0\nv 6 0 0\nv 6 6 0\nv 0 6 0\nv 2 2 0\nv 2 4 0\nv 4 4 0\nv 4 2 0\n"
                            "f 1 2 3 4 1 5 6 7 8 5\n";

TEST(ForeignModels, ARingKeepsItsHoleDirectlyAndThroughAssimp)
{
    TempDir dir;
    ASSERT_TRUE(dir.write("ring.obj", Bytes(ringObj, ringObj + std::strlen(ringObj))));
    const CommandRun assimp = runCommand("cd '" + dir.path() + "' && assimp export ring.obj ring.glb");
    ASSERT_EQ(assimp.status, 0) << assimp.err;
    for (const char* file : {"ring.obj", "ring.glb"}) {
        const Outcome out = importFile(dir.file(file), modelFormatOf(file), false, 0);
        ASSERT_EQ(out.fault, "") << file;
        ASSERT_FALSE(out.parts.polygons.empty()) << file;
        double area = 0;
        for (const BodyPolygon& p : out.parts.polygons) {
            // Each piece's centre lies in the ring, never in the hole (from 800 to 1600 model units).
            double x = 0, y = 0, twice = 0;
            for (size_t k = 0; k < p.points.size(); ++k) {
                const PointXYZ& a = out.parts.points[static_cast<size_t>(p.points[k])];
                const PointXYZ& b = out.parts.points[static_cast<size_t>(p.points[(k + 1) % p.points.size()])];
                x += a.x / double(p.points.size());
                y += a.y / double(p.points.size());
                twice += double(a.x) * b.y - double(b.x) * a.y;
            }
            EXPECT_FALSE(x > 800 && x < 1600 && y > 800 && y < 1600) << file << ": a piece at " << x << "," << y;
            area += std::fabs(twice) / 2;
        }
        EXPECT_NEAR(area, 2400.0 * 2400 - 800.0 * 800, 1) << file;
    }
}

TEST(ForeignModels, ScaleRefusalsSayWhatToDoAndASuggestedScaleIsTakenBack)
{
    const struct {
        const char* obj;
        const char* reason;
    } cases[] = {
        {"v 0 0 0\nv 88.0953 0 0\nv 0 1 0\nf 1 2 3\n", "outside the 16-bit range: try --scale "},
        {"v 0 0 0\nv 93 0 0\nv 0 93 0\nv 93 93 0\nf 1 2 3\nf 2 4 3\n", "outside the 16-bit range: try --scale "},
        // One vertex far out: once it collapsed to the origin; no scale can hold it and the rest.
        {"v 0 0 0\nv 2500000 0 0\nv 0 1 0\nf 1 2 3\n",
         "a vertex lies 2.5e+06 file units out while most lie within 1: no scale holds both"},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1e30 1 0\nf 1 2 3\nf 2 4 3\n", "a vertex lies 1e+30 file units out"},
        {"v 0 0 0\nv 0.0001 0 0\nv 0 0.0001 0\nf 1 2 3\n",
         "nothing to import: all 1 faces shrink to fewer than three points at scale 400 (the model is 0.0001 file "
         "units across): try --fit 1000"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        ASSERT_TRUE(dir.write("m.obj", Bytes(c.obj, c.obj + std::strlen(c.obj))));
        const Outcome refused = importFile(dir.file("m.obj"), ModelFormat::obj);
        EXPECT_NE(refused.fault.find(c.reason), std::string::npos) << refused.fault;
        const size_t at = refused.fault.find("try --scale ");
        if (at == std::string::npos) continue;
        // The suggestion, given back, is taken.
        const double scale = std::strtod(refused.fault.c_str() + at + 12, nullptr);
        EXPECT_EQ(importFile(dir.file("m.obj"), ModelFormat::obj, false, 0, scale).fault, "") << scale;
    }
}

}  // namespace
