// import_base_test.cpp: an export stripped as Blender strips it (no extras, no custom attributes)
// and read against its base body: unedited it gives the base byte for byte, and each edit changes
// only what it should. tests/exchange/blender/round_trip.py does the same with Blender itself.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>
#include <nlohmann/json.hpp>

#include "body/body_builder.h"
#include "testkit/sample_bodies.h"
#include "demo/demo_data.h"
#include "exchange/gltf_export.h"
#include "import_test_support.h"
#include "support/little_endian.h"

namespace {

using Json = nlohmann::json;

// An export as an editor that keeps only standard data writes it again.
struct Stripped : Glb {
    explicit Stripped(const Bytes& body) : Glb(exported(body))
    {
        json["scenes"][0].erase("extras");
        // Loose edges keep no texture coordinates either.
        for (Json& m : json["meshes"]) {
            for (Json& p : m["primitives"]) {
                p["attributes"].erase("_POINT");
                if (p.value("mode", 4) == 1) p["attributes"].erase("TEXCOORD_0");
            }
        }
    }
    std::string import(const Bytes& base, ModelImport* out, bool required = true) const
    {
        MeshBodyOptions options;
        options.palette = demoPaletteColours();
        const Fault f = importModel(bytes(), ModelFormat::glb, "", options, out, {&base, required, "the base"});
        return f ? f.reason : "";
    }
};

// The small body with a second line, on the child: a point of it moved in the faces alone must keep it.
Bytes baseBody()
{
    BodyBuilder b = smallBody();
    b.addLine(71, 4, 5);
    return b.build();
}

void expectSameBytes(const Bytes& body, const std::string& name)
{
    ModelImport result;
    ASSERT_EQ(Stripped(body).import(body, &result), "") << name;
    EXPECT_TRUE(result.fromBase) << name;
    EXPECT_TRUE(result.body == body) << name;
    EXPECT_TRUE(result.notes.empty()) << name << ": " << result.notes.front();
}

// Generated bodies include rotation bones under skipped and later bones.
TEST(ImportBase, AnUneditedExportGivesTheBaseByteForByte)
{
    for (const DemoBody& demo : demoBodies()) expectSameBytes(demo.bytes, demo.name);
    for (uint32_t seed = 1; seed <= 300; ++seed) expectSameBytes(sampleBody(seed), "sample " + std::to_string(seed));
    // Rotation bones under a bone the frames skip (type 2) and under a later bone.
    BodyBuilder b;
    for (int i = 0; i < 8; ++i)
        b.addPoint(static_cast<int16_t>(i * 25), static_cast<int16_t>(10 + i % 3 * 20),
                   static_cast<int16_t>(i % 2 * 30));
    b.addBone(0, 2, 0, -1);
    b.addBone(2, 2, 1, 0, 40, 0, 2);
    b.addBone(4, 2, 3, 1, 100, 30);
    b.addBone(6, 2, 5, 4, -60, 0);
    b.addBone(0, 0, 7, 2, 20, 0);
    b.addPolygon(0, 40, {0, 3, 5});
    b.addPolygon(0, 41, {2, 4, 6, 7});
    expectSameBytes(b.build(), "bones under skipped and later bones");
    // A line to a point past the body's own, which the viewer draws wherever that point was last placed.
    BodyBuilder beyond = smallBody();
    beyond.addRawLine(71u << 8, 0, 20 * pointBytes);
    expectSameBytes(beyond.build(), "a line to a point past the body's");
}

TEST(ImportBase, EachEditChangesOnlyWhatItShould)
{
    const Bytes base = baseBody();
    const BodyParts before = partsOf(base);
    // The primitive of a colour's triangles, by its material's name.
    const auto primitiveOf = [](const Json& json, const std::string& material) {
        const Json& prims = json["meshes"][0]["primitives"];
        for (size_t p = 0; p < prims.size(); ++p) {
            if (json["materials"][prims[p]["material"].get<int>()]["name"] == material) return static_cast<int>(p);
        }
        return -1;
    };
    struct Case {
        const char* name;
        std::function<void(Stripped&)> edit;
        std::function<void(BodyParts&)> expect;  // the base's parts, changed as the edit should
    };
    const std::vector<Case> cases = {
        {"point 5 moved 0.01 along x (4 units)",
         [](Stripped& s) {
             std::set<int> done;  // a colour's primitives share their group's vertices
             for (const Json& p : s.json["meshes"][0]["primitives"]) {
                 const int positions = p["attributes"]["POSITION"].get<int>(),
                           ids = p["attributes"]["TEXCOORD_0"].get<int>();
                 if (!done.insert(positions).second) continue;
                 for (int v = 0; v < s.json["accessors"][positions]["count"].get<int>(); ++v) {
                     if (s.floatAt(ids, v, 0) == 5.0f) s.floatAt(positions, v, 0) += 0.01f;
                 }
             }
         },
         [](BodyParts& p) { p.points[5].x += 4; }},
        {"bone 1 turned a quarter about its parent's x",
         [](Stripped& s) {
             const Json& r = s.json["nodes"][1]["rotation"];
             const double h = std::sqrt(0.5), x = r[0], y = r[1], z = r[2], w = r[3];
             s.json["nodes"][1]["rotation"] = {h * (w + x), h * (y - z), h * (z + y), h * (w - x)};  // (h, 0, 0, h) * q
         },
         [](BodyParts& p) { p.bones[1].angleX += 256; }},
        {"the polygons of colour 48 given palette_077",
         [&](Stripped& s) {
             s.json["materials"].push_back({{"name", "palette_077"}});
             s.json["meshes"][0]["primitives"][primitiveOf(s.json, "palette_048")]["material"] =
                 s.json["materials"].size() - 1;
         },
         [](BodyParts& p) { p.polygons[1].colour = 77; }},
        {"no lines in the file (Blender without \"Loose Edges\"): the lines kept",
         [](Stripped& s) {
             for (Json& n : s.json["nodes"]) {
                 if (n.value("name", "").starts_with("lines_")) n.erase("mesh");
             }
         },
         [](BodyParts&) {}},
        {"the polygons of colour 40 deleted",
         [&](Stripped& s) {
             s.json["meshes"][0]["primitives"].erase(static_cast<size_t>(primitiveOf(s.json, "palette_040")));
         },
         [](BodyParts& p) { p.polygons.erase(p.polygons.begin()); }},
    };
    for (const Case& c : cases) {
        Stripped s(base);
        c.edit(s);
        ModelImport result;
        ASSERT_EQ(s.import(base, &result), "") << c.name;
        BodyParts want = before;
        c.expect(want);
        const BodyParts got = partsOf(result.body);
        EXPECT_EQ(got.points, want.points) << c.name;
        EXPECT_EQ(got.bones, want.bones) << c.name;
        EXPECT_EQ(got.polygons, want.polygons) << c.name;
        EXPECT_EQ(got.lines, want.lines) << c.name;
    }
}

// A new point goes at the end of its joint's run; the runs after it (the last one too) move on whole.
TEST(ImportBase, ANewPointJoinsItsBonesRunAndLaterRunsMoveOn)
{
    const Bytes base = baseBody();
    const BodyParts before = partsOf(base);
    ASSERT_EQ(before.bones.size(), 2u);
    Stripped s(base);
    // One vertex of the root's polygon names point 1.5: a new point on the root, where it is.
    const int ids = s.attribute(0, "TEXCOORD_0");
    for (int v = 0; v < s.json["accessors"][ids]["count"].get<int>(); ++v) {
        if (s.floatAt(ids, v, 0) != 1.0f) continue;
        s.floatAt(ids, v, 0) = 1.5f;
        break;
    }
    ModelImport result;
    ASSERT_EQ(s.import(base, &result), "");
    const BodyParts after = partsOf(result.body);
    ASSERT_EQ(after.points.size(), before.points.size() + 1);
    std::vector<BodyBone> want = before.bones;
    want[0].pointCount += 1;
    want[1].firstPoint += pointBytes;
    EXPECT_EQ(after.bones, want);
}

// A primitive of three new vertices (fractional point names: new points on the root) and
// `copies` of their triangle, each a new polygon.
void addTriangles(Stripped& s, int copies)
{
    const auto view = [&](const Bytes& data, const char* type, int component, int count) {
        s.json["bufferViews"].push_back({{"buffer", 0}, {"byteOffset", s.bin.size()}, {"byteLength", data.size()}});
        s.json["accessors"].push_back({{"bufferView", s.json["bufferViews"].size() - 1},
                                       {"componentType", component},
                                       {"count", count},
                                       {"type", type}});
        s.bin.insert(s.bin.end(), data.begin(), data.end());
        s.bin.resize((s.bin.size() + 3) & ~size_t{3});
        return s.json["accessors"].size() - 1;
    };
    Bytes positions, ids, indices;
    putFloats(positions, {0.01f, 0.02f, 0.03f, 0.05f, 0.02f, 0.03f, 0.01f, 0.06f, 0.03f});
    putFloats(ids, {0.5f, 0, 0.5f, 0, 0.5f, 0});
    for (int k = 0; k < copies; ++k) putU16s(indices, {0, 1, 2});
    Json primitive = {{"attributes", {{"POSITION", view(positions, "VEC3", 5126, 3)}}}};
    primitive["attributes"]["TEXCOORD_0"] = view(ids, "VEC2", 5126, 3);
    primitive["indices"] = view(indices, "SCALAR", 5123, 3 * copies);
    s.json["meshes"][0]["primitives"].push_back(primitive);
    s.json["buffers"][0]["byteLength"] = s.bin.size();
}

// What the edit adds must still fit the body: its offsets and the viewer's render list.
TEST(ImportBase, AnEditPastWhatTheBodyHoldsIsRefused)
{
    // The child's run starts at the last point a signed offset reaches: new points on the root push it past.
    const int last = signedOffsetPointRoom - 1;
    BodyBuilder full;
    for (int i = 0; i < last + 4; ++i) full.addPoint(static_cast<int16_t>(i % 100), static_cast<int16_t>(i / 100), 0);
    full.addBone(0, last, 0, -1);
    full.addBone(last, 4, 0, 0, 0, 64);
    full.addPolygon(0, 40, {0, 1, 2});
    const struct {
        const char* name;
        Bytes base;
        int copies;
        const char* refusal;
    } cases[] = {
        {"a record's point beyond a 16-bit offset", full.build(), 1, "a 16-bit offset reaches only points below 5462"},
        {"more polygons than the render list holds", baseBody(), 5000, "render entries: more than the viewer's 5000"},
    };
    for (const auto& c : cases) {
        Stripped s(c.base);
        addTriangles(s, c.copies);
        ModelImport result;
        EXPECT_NE(s.import(c.base, &result).find(c.refusal), std::string::npos) << c.name;
        EXPECT_TRUE(result.body.empty()) << c.name;
    }
    // The same edits within bounds are taken.
    Stripped s(baseBody());
    addTriangles(s, 2);
    ModelImport result;
    ASSERT_EQ(s.import(baseBody(), &result), "");
    EXPECT_EQ(partsOf(result.body).polygons.size(), partsOf(baseBody()).polygons.size() + 2);
}

TEST(ImportBase, AFileFromAnotherBodyIsRefusedOrImportedOnItsOwn)
{
    const Bytes base = baseBody();
    Stripped s(demoBodies()[0].bytes);
    ModelImport result;
    EXPECT_NE(s.import(base, &result).find("not an export of it"), std::string::npos);
    ASSERT_EQ(s.import(base, &result, false), "");
    EXPECT_FALSE(result.fromBase);
    ASSERT_FALSE(result.notes.empty());
    EXPECT_NE(result.notes.front().find("imported on its own"), std::string::npos);
}

}  // namespace
