// foreign_parts_test.cpp: the pieces a foreign import is made of, each on inputs that have gone
// wrong before: polygons cut for the viewer, textures decoded and sampled (pictures made by
// ImageMagick), sparse accessors, lit faces and their normals, and the report of what is dropped.
#include <gtest/gtest.h>

#include <cmath>

#include "exchange/face_shading.h"
#include "exchange/gltf_drops.h"
#include "exchange/gltf_sparse.h"
#include "exchange/import_scale.h"
#include "exchange/polygon_pieces.h"
#include "exchange/texture_image.h"
#include "tests/support/run_command.h"
#include "tests/support/scratch_dir.h"

namespace {

using Outline = std::vector<std::array<double, 2>>;

double area(const Outline& p)
{
    double a = 0;
    for (size_t i = 0; i < p.size(); ++i) a += p[i][0] * p[(i + 1) % p.size()][1] - p[(i + 1) % p.size()][0] * p[i][1];
    return a / 2;
}

bool insideOutline(const Outline& p, double x, double y)
{
    bool in = false;
    for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
        if ((p[i][1] > y) != (p[j][1] > y) && x < (p[j][0] - p[i][0]) * (y - p[i][1]) / (p[j][1] - p[i][1]) + p[i][0])
            in = !in;
    }
    return in;
}

TEST(ForeignParts, PolygonsAreCutSoTheirPiecesCoverExactlyTheOutline)
{
    const struct {
        const char* name;
        Outline outline;
        size_t pieces;  // 1: kept whole
    } cases[] = {
        {"a convex hexagon stays whole", {{2, 0}, {4, 1}, {4, 3}, {2, 4}, {0, 3}, {0, 1}}, 1},
        {"a concave L", {{0, 0}, {4, 0}, {4, 1}, {1, 1}, {1, 4}, {0, 4}}, 4},
        {"a dart (a concave quad)", {{0, 0}, {2, 1}, {4, 0}, {2, 4}}, 2},
        {"a corner on a straight run makes no empty piece", {{0, 0}, {1, 0}, {2, 0}, {2, 2}, {1, 1}, {0, 2}}, 4},
        // A square ring as one outline: out around, over the bridge, back round the hole.
        {"a ring keeps its hole", {{0, 0}, {6, 0}, {6, 6}, {0, 6}, {0, 0}, {2, 2}, {2, 4}, {4, 4}, {4, 2}, {2, 2}}, 8},
        {"clockwise, the same L", {{0, 4}, {1, 4}, {1, 1}, {4, 1}, {4, 0}, {0, 0}}, 4},
    };
    for (const auto& c : cases) {
        // In the plane x = 1 seen from +x, so the projection is exercised too.
        std::vector<Vec3> corners;
        for (const auto& p : c.outline) corners.push_back({1, p[0], p[1]});
        const auto pieces = polygonPieces(corners);
        ASSERT_EQ(pieces.size(), c.pieces) << c.name;
        if (c.pieces == 1) continue;
        double covered = 0;
        for (const auto& t : pieces) {
            ASSERT_EQ(t.size(), 3u) << c.name;
            const Outline tri = {c.outline[t[0]], c.outline[t[1]], c.outline[t[2]]};
            EXPECT_GT(area(tri) * area(c.outline), 0) << c.name << ": a piece turned over";
            covered += area(tri);
            const double x = (tri[0][0] + tri[1][0] + tri[2][0]) / 3, y = (tri[0][1] + tri[1][1] + tri[2][1]) / 3;
            EXPECT_TRUE(insideOutline(c.outline, x, y))
                << c.name << ": a piece outside the outline at " << x << "," << y;
        }
        EXPECT_NEAR(covered, area(c.outline), 1e-9) << c.name;
    }
}

// A 4 x 2 picture by ImageMagick: red, green, blue, white on top, black below.
Bytes picture(const TempDir& dir, const char* format)
{
    const std::string name = std::string("p.") + format;
    const CommandRun run = runCommand("cd '" + dir.path() +
                                      "' && convert -size 1x1 xc:red xc:lime xc:blue xc:white +append "
                                      "\\( -size 4x1 xc:black \\) -append -quality 100 " +
                                      name);
    EXPECT_EQ(run.status, 0) << run.err;
    return dir.read(name);
}

TEST(ForeignParts, TexturesDecodeAndSampleAsGltfSays)
{
    TempDir dir;
    for (const char* format : {"png", "jpg"}) {
        TextureImage image;
        ASSERT_FALSE(decodeTexture(picture(dir, format), &image)) << format;
        ASSERT_EQ(image.width, 4);
        ASSERT_EQ(image.height, 2);
        const double tolerance = format[0] == 'j' ? 40 : 0;  // JPEG smears neighbouring texels
        const struct {
            TextureWrap wrap;
            double u, v;
            std::array<double, 3> rgb;
        } looks[] = {
            {TextureWrap::repeat, 0.1, 0.2, {255, 0, 0}},
            {TextureWrap::repeat, 0.3, 0.2, {0, 255, 0}},
            {TextureWrap::repeat, 0.6, 0.9, {0, 0, 0}},
            {TextureWrap::repeat, 1.6, 0.2, {0, 0, 255}},
            {TextureWrap::clampToEdge, 1.6, -3, {255, 255, 255}},
            {TextureWrap::mirroredRepeat, 1.1, 0.2, {255, 255, 255}},
            {TextureWrap::mirroredRepeat, -0.1, 0.2, {255, 0, 0}},
        };
        for (const auto& l : looks) {
            const auto t = textureTexel(image, {l.wrap, l.wrap}, {l.u, l.v});
            for (size_t k = 0; k < 3; ++k)
                EXPECT_NEAR(t[k], l.rgb[k], tolerance) << format << " at " << l.u << "," << l.v;
        }
    }
    // The mean over a triangle is taken in linear light: three quarters red, the rest black.
    TextureImage image;
    ASSERT_FALSE(decodeTexture(picture(dir, "png"), &image));
    const auto mean =
        meanTextureColour(image, {TextureWrap::clampToEdge, TextureWrap::clampToEdge}, {0, 0}, {0.25, 0}, {0, 1});
    EXPECT_NEAR(mean[0], 0.75, 0.1);
    EXPECT_NEAR(mean[1], 0, 1e-9);

    // Refused: not a picture, cut short, too large (checked before any pixel is decoded).
    ASSERT_EQ(runCommand("cd '" + dir.path() + "' && convert -size 9000x1 xc:red big.png").status, 0);
    Bytes cut = picture(dir, "jpg");
    cut.resize(cut.size() / 2);
    const struct {
        const char* name;
        Bytes bytes;
        const char* reason;
    } bad[] = {{"text", Bytes(20, 'a'), "neither a PNG nor a JPEG"},
               {"half a JPEG", cut, "bad JPEG"},
               {"9000 pixels wide", dir.read("big.png"), "9000 x 1 pixels: more than"}};
    for (const auto& b : bad) {
        const Fault f = decodeTexture(b.bytes, &image);
        EXPECT_NE(std::string(f.reason).find(b.reason), std::string::npos) << b.name << ": " << f.reason;
    }
}

TEST(ForeignParts, SparseElementsAreCheckedAgainstTheirBuffers)
{
    GltfDocument doc;
    doc.buffers = {Bytes{1, 0, 3, 0, 2, 0, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}};
    doc.json = GltfJson::parse(
        R"({"bufferViews": [{"buffer": 0, "byteLength": 6}, {"buffer": 0, "byteOffset": 6, "byteLength": 6}]})");
    const auto sparse = [](int count, int indexView, int valueOffset) {
        return GltfJson{{"count", count},
                        {"indices", {{"bufferView", indexView}, {"componentType", 5123}}},
                        {"values", {{"bufferView", 1}, {"byteOffset", valueOffset}}}};
    };
    std::vector<SparseElement> out;
    ASSERT_FALSE(readSparse(doc, 0, sparse(2, 0, 0), 4, 2, &out));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].element, 1);
    EXPECT_EQ(out[1].element, 3);
    EXPECT_EQ(out[1].bytes[0], 0xCC);
    const struct {
        GltfJson sparse;
        int64_t count;
        const char* reason;
    } bad[] = {
        {sparse(3, 0, 0), 4, "do not rise strictly"},
        {sparse(2, 0, 0), 3, "sparse index 3 beyond the 3 elements"},
        {sparse(5, 0, 0), 4, "sparse count 5 above"},
        {sparse(2, 0, 4), 4, "sparse values run past the end"},
        {sparse(2, 7, 0), 4, "buffer view 7 does not exist"},
        {sparse(0, 0, 0), 4, "sparse count missing or below 1"},
    };
    for (const auto& b : bad) {
        const Fault f = readSparse(doc, 5, b.sparse, b.count, 2, &out);
        EXPECT_NE(std::string(f.reason).find(b.reason), std::string::npos) << f.reason;
        EXPECT_EQ(std::string(f.reason).rfind("accessor 5: ", 0), 0u) << f.reason;
    }
}

TEST(ForeignParts, FacesAreLitAsTheirNormalsSay)
{
    const Vec3 up = {0, 0, 1}, tilted = {0, 0.3, 1};
    EXPECT_EQ(faceShadingOf({}, false), FaceShading::flat);
    EXPECT_EQ(faceShadingOf({up, {0, 0, 2}, up}, false), FaceShading::flat);
    EXPECT_EQ(faceShadingOf({up, tilted, up}, false), FaceShading::smooth);
    EXPECT_EQ(faceShadingOf({up, tilted, up}, true), FaceShading::unlit);
    // The stored colour plus shades 0..7 stays in the ramp of 16, the middle shade near the colour.
    for (const int c : {0, 5, 72, 79, 255}) {
        const int stored = litColour(static_cast<uint8_t>(c));
        EXPECT_EQ(stored / 16, c / 16) << c;
        EXPECT_EQ((stored + shadeSpan) / 16, c / 16) << c;
    }
    EXPECT_EQ(litColour(64), 64);  // the ramp's start: shades only lighten
    EXPECT_EQ(litColour(76), 72);

    // Equal directions share a record within a bone, not across bones; numbers run bone by bone.
    NormalTable table;
    ASSERT_FALSE(buildNormalTable(2, {{1, up}, {0, {0, 0, 5}}, {1, {0, 0, 3}}, {0, tilted}}, 500, &table));
    ASSERT_EQ(table.perBone[0].size(), 2u);
    ASSERT_EQ(table.perBone[1].size(), 1u);
    EXPECT_EQ(table.number, (std::vector<int>{2, 0, 2, 1}));
    EXPECT_EQ(table.perBone[0][0], (std::array<int16_t, 3>{0, 0, 1000}));
    // Too many directions for the table: coarser ones, and a refusal only when even those overflow.
    std::vector<NormalRequest> many;
    for (int i = 0; i < 2000; ++i) many.push_back({0, {std::cos(i * 0.01), std::sin(i * 0.01), i * 0.001}});
    ASSERT_FALSE(buildNormalTable(1, many, 500, &table));
    EXPECT_LE(table.perBone[0].size(), 500u);
    EXPECT_GT(table.perBone[0].size(), 20u);
    EXPECT_NE(std::string(buildNormalTable(1, many, 10, &table).reason).find("more than the viewer's 10"),
              std::string::npos);
}

TEST(ForeignParts, EverythingAGltfFileLosesIsCountedOnce)
{
    GltfDocument doc;
    doc.json = GltfJson::parse(R"({
      "animations": [{}, {}], "cameras": [{}],
      "extensions": {"KHR_lights_punctual": {"lights": [{}, {}, {}]}},
      "materials": [{"pbrMetallicRoughness": {"baseColorTexture": {"index": 0, "texCoord": 1}}, "normalTexture": {"index": 1}},
                    {"emissiveTexture": {"index": 1}, "occlusionTexture": {"index": 2}}],
      "meshes": [{"primitives": [{"attributes": {"TEXCOORD_0": 0, "TEXCOORD_1": 1}, "material": 0, "targets": [{}, {}]},
                                 {"attributes": {"TEXCOORD_0": 0, "TEXCOORD_1": 1, "TEXCOORD_2": 2}, "targets": [{}]}]}]})");
    EXPECT_EQ(
        gltfDropNotes(doc),
        (std::vector<std::string>{
            "2 animations dropped: the body keeps the pose the file is in",
            "3 morph targets dropped: the base shape is kept",
            "1 camera dropped",
            "3 lights dropped: the viewer has one fixed light",
            "3 texture coordinate sets dropped (no base colour texture reads them)",
            "2 textures dropped that are not base colours (normal, occlusion, emissive, metal and roughness maps)",
        }));
    doc.json = GltfJson::parse(R"({"meshes": [{"primitives": [{"attributes": {"TEXCOORD_0": 0}}]}]})");
    EXPECT_TRUE(gltfDropNotes(doc).empty());
}

TEST(ForeignParts, ScalesSuggestedAreAcceptedAndHopelessOnesAreSaidSo)
{
    // Six significant digits, never above the bound, so that --scale takes it back.
    for (const double bound : {371.9509, 371.95148, 1.0, 0.000123456789, 3.2767e-26, 99999.99}) {
        const std::string text = scaleSuggestion(bound);
        const double back = std::strtod(text.c_str(), nullptr);
        EXPECT_LE(back, bound) << text;
        EXPECT_GT(back, bound * (1 - 2e-5)) << text;
    }
    const auto sceneOf = [](std::initializer_list<Vec3> points) {
        MeshScene scene;
        MeshFace face;
        for (const Vec3& p : points) {
            face.vertices.push_back(static_cast<uint32_t>(scene.vertices.size()));
            scene.vertices.push_back({p, -1, {}});
        }
        scene.faces.push_back(face);
        return scene;
    };
    const MeshScene large = sceneOf({{0, 0, 0}, {100, 0, 0}, {0, 50, 0}});
    EXPECT_STREQ(outOfRangeFault(large, 400, 40000).reason,
                 "coordinates reach 40000 model units, outside the 16-bit range: try --scale 327.67 (or --fit SIZE)");
    const MeshScene damaged = sceneOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1e30, 0, 0}});
    EXPECT_STREQ(outOfRangeFault(damaged, 400, 4e32).reason,
                 "a vertex lies 1e+30 file units out while most lie within 1: no scale holds both (a damaged file?)");
    double scale = 0;
    ASSERT_FALSE(fitScale(large, 1000, &scale));
    EXPECT_DOUBLE_EQ(scale, 10);
    EXPECT_TRUE(fitScale(sceneOf({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}), 1000, &scale));
}

}  // namespace
