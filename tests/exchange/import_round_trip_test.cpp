// import_round_trip_test.cpp: bodies exported and imported again behave exactly as before (every
// demo entry, generated bodies, bodies at the tables' full room), and edits made to the glTF in
// between take effect: the geometry wins, the extras fill only what still matches.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "body/body_builder.h"
#include "testkit/full_room_body.h"
#include "testkit/sample_bodies.h"
#include "demo/demo_data.h"
#include "exchange/gltf_export.h"
#include "import_test_support.h"
#include "support/file_io.h"
#include "support/little_endian.h"

namespace {

using Json = nlohmann::json;

// Export, import, and the behaviour of both over three auto-rotated frames.
void expectRoundTrip(const Bytes& body, const std::string& name, bool json = false, int32_t autoAngle = 0)
{
    const Bytes model = exported(body, json, autoAngle);
    ASSERT_FALSE(model.empty()) << name << ": not exported";
    ModelImport result;
    ASSERT_EQ(importBytes(model, json ? ModelFormat::gltf : ModelFormat::glb, &result), "") << name;
    EXPECT_TRUE(result.fromOrvane) << name;
    EXPECT_TRUE(result.notes.empty()) << name << ": " << result.notes.front();
    EXPECT_EQ(behaviourOf(result.body), behaviourOf(body)) << name;
}

TEST(ImportRoundTrip, EveryDemoEntryComesBackExactly)
{
    for (const DemoBody& demo : demoBodies()) {
        expectRoundTrip(demo.bytes, demo.name);
        expectRoundTrip(demo.bytes, std::string(demo.name) + " as .gltf at auto-angle 300", true, 300);
    }
}

TEST(ImportRoundTrip, GeneratedBodiesComeBackExactly)
{
    for (uint32_t seed = 1; seed <= 300; ++seed) expectRoundTrip(sampleBody(seed), "sample " + std::to_string(seed));
    for (uint32_t seed = 1; seed <= 3; ++seed) expectRoundTrip(fullRoomBody(seed), "full room " + std::to_string(seed));
}

TEST(ImportRoundTrip, EveryWellFormedFuzzSeedComesBackExactly)
{
    int tried = 0;
    for (const auto& file : std::filesystem::directory_iterator(ORVANE_BODY_SEEDS)) {
        Bytes body;
        ASSERT_FALSE(readFileBytes(file.path().string(), &body));
        PosedBody posed;
        if (poseBody(body.data(), body.size(), 0, &posed)) continue;  // the seeds that stop the viewer
        expectRoundTrip(body, file.path().filename().string());
        ++tried;
    }
    EXPECT_GE(tried, 8);
}

TEST(ImportRoundTrip, EditsInTheGeometryWin)
{
    const Bytes original = smallBody().build();
    const std::vector<PointXYZ> before = firstFramePoints(original);
    ModelImport result;

    // A moved point: point 1 (on the root) moves 0.01 (4 model units) along x, in the mesh and the
    // point table alike, as an editor writing the file again would.
    {
        Glb glb(exported(original));
        const int prim = glb.elementAt(0).first;
        const int positions = glb.attribute(prim, "POSITION"), points = glb.attribute(prim, "_POINT");
        const int vertices = glb.json["accessors"][positions]["count"].get<int>();
        for (int v = 0; v < vertices; ++v) {
            if (glb.floatAt(points, v, 0) == 1.0f) glb.floatAt(positions, v, 0) += 0.01f;
        }
        ASSERT_EQ(importBytes(glb.bytes(), ModelFormat::glb, &result), "");
        const std::vector<PointXYZ> after = firstFramePoints(result.body);
        ASSERT_EQ(after.size(), before.size());
        EXPECT_EQ(after[1].x, before[1].x + 4);
        for (size_t p = 0; p < after.size(); ++p) {
            if (p != 1) {
                EXPECT_EQ(after[p].x, before[p].x) << p;
            }
        }
        EXPECT_EQ(partsOf(result.body).polygons.size(), 4u);
    }

    // A polygon deleted (its triangle taken out of the indices) and a triangle added over
    // existing vertices: the first is dropped, the second becomes a flat polygon; the other
    // records stay as stored.
    {
        Glb glb(exported(original));
        const auto [prim, first] = glb.elementAt(0);
        Json& primitive = glb.json["meshes"][0]["primitives"][prim];
        Json& indices = glb.json["accessors"][primitive["indices"].get<int>()];
        const Json& view = glb.json["bufferViews"][indices["bufferView"].get<int>()];
        ASSERT_EQ(indices["componentType"], 5123);
        const size_t at =
            view.value("byteOffset", 0) + indices.value("byteOffset", 0);  // a primitive per colour shares one view
        const int count = indices["count"].get<int>();
        bool removed = false;
        for (int t = 0; t < count; t += 3) {
            if (readU16(&glb.bin[at + static_cast<size_t>(t) * 2]) == first && !removed) {
                // Reverse the triangle over the same vertices: the old one is gone, a new one is there.
                const uint16_t b = readU16(&glb.bin[at + static_cast<size_t>(t + 1) * 2]);
                const uint16_t c = readU16(&glb.bin[at + static_cast<size_t>(t + 2) * 2]);
                writeU16(&glb.bin[at + static_cast<size_t>(t + 1) * 2], c);
                writeU16(&glb.bin[at + static_cast<size_t>(t + 2) * 2], b);
                removed = true;
            }
        }
        ASSERT_TRUE(removed);
        ASSERT_EQ(importBytes(glb.bytes(), ModelFormat::glb, &result), "");
        const BodyParts parts = partsOf(result.body);
        ASSERT_EQ(parts.polygons.size(), 4u);
        EXPECT_EQ(parts.polygons[0].type, 8);  // the stored records that still match, in order
        EXPECT_EQ(parts.polygons[1].type, 9);
        EXPECT_EQ(parts.polygons[2].type, 5);
        EXPECT_EQ(parts.polygons[3].type, 0);  // the new one, wound the other way
        EXPECT_EQ(parts.polygons[3].points, (std::vector<int>{0, 2, 1}));
        EXPECT_EQ(parts.polygons[3].colour, 40);
        std::string notes;
        for (const std::string& n : result.notes) notes += n + "\n";
        EXPECT_NE(notes.find("1 elements no longer in the mesh dropped"), std::string::npos) << notes;
        EXPECT_NE(notes.find("1 new triangles and segments added"), std::string::npos) << notes;
    }

    // Another triangulation of the quad (as an editor may write it) keeps its record.
    {
        Glb glb(exported(original));
        const auto [prim, first] = glb.elementAt(1);
        const Json& indices = glb.json["accessors"][glb.json["meshes"][0]["primitives"][prim]["indices"].get<int>()];
        const size_t at = glb.json["bufferViews"][indices["bufferView"].get<int>()].value("byteOffset", 0) +
                          indices.value("byteOffset", 0);
        const auto f = static_cast<uint16_t>(first);
        int rewritten = 0;
        for (int t = 0; t < indices["count"].get<int>(); t += 3) {
            uint8_t* tri = &glb.bin[at + static_cast<size_t>(t) * 2];
            if (readU16(tri) != f) continue;
            const uint16_t replacement[2][3] = {
                {static_cast<uint16_t>(f + 1), static_cast<uint16_t>(f + 2), static_cast<uint16_t>(f + 3)},
                {static_cast<uint16_t>(f + 1), static_cast<uint16_t>(f + 3), f}};
            for (int k = 0; k < 3; ++k) writeU16(tri + 2 * k, replacement[rewritten][k]);
            ++rewritten;
        }
        ASSERT_EQ(rewritten, 2);
        ASSERT_EQ(importBytes(glb.bytes(), ModelFormat::glb, &result), "");
        EXPECT_TRUE(result.notes.empty()) << result.notes.front();
        EXPECT_EQ(behaviourOf(result.body), behaviourOf(original));
    }

    // A joint turned about x then y takes the turn as its angles; a turn about z cannot be
    // stored, and the stored angles stay.
    {
        Glb glb(exported(original));
        const float s = std::sqrt(0.5f);
        glb.json["nodes"][1]["rotation"] = {s, 0, 0, s};
        ASSERT_EQ(importBytes(glb.bytes(), ModelFormat::glb, &result), "");
        EXPECT_EQ(partsOf(result.body).bones[1].angleX, 256);
        EXPECT_EQ(partsOf(result.body).bones[1].angleY, 0);
        glb.json["nodes"][1]["rotation"] = {0, 0, s, s};
        ASSERT_EQ(importBytes(glb.bytes(), ModelFormat::glb, &result), "");
        EXPECT_EQ(partsOf(result.body).bones[1].angleY, 128);
        EXPECT_EQ(partsOf(result.body).bones[1].angleZ, 0);
    }

    // Format 2 names each sphere's own node: a sphere stays while its node holds a mesh.
    {
        Glb glb(exported(original));
        Json& extras = glb.json["scenes"][0]["extras"]["orvane"];
        extras["format"] = 2;
        int meshNode = 0;
        for (size_t n = 0; n < glb.json["nodes"].size(); ++n) {
            if (glb.json["nodes"][n].contains("mesh")) meshNode = static_cast<int>(n);
        }
        for (Json& e : extras["elements"]) {
            if (e.contains("sphere")) e["sphere"] = meshNode;
        }
        ASSERT_EQ(importBytes(glb.bytes(), ModelFormat::glb, &result), "");
        EXPECT_EQ(behaviourOf(result.body), behaviourOf(original));
        for (Json& e : extras["elements"]) {
            if (e.contains("sphere")) e["sphere"] = 0;  // a joint: no mesh, the sphere is gone
        }
        ASSERT_EQ(importBytes(glb.bytes(), ModelFormat::glb, &result), "");
        EXPECT_EQ(result.notes, (std::vector<std::string>{"1 elements no longer in the mesh dropped"}));
    }

    // Extras that do not read as the exporter's: the file is imported as a foreign model.
    {
        Glb glb(exported(original));
        glb.json["scenes"][0]["extras"]["orvane"]["bones"] = "damaged";
        ASSERT_EQ(importBytes(glb.bytes(), ModelFormat::glb, &result), "");
        EXPECT_FALSE(result.fromOrvane);
        EXPECT_EQ(result.notes.front(), "Orvane extras ignored (no valid bone list): imported as a foreign model");
    }

    // A tool that keeps the extras but drops the `_POINT` attribute and the point table (it
    // renumbers accessors): the points cannot be told, so the file is a foreign model.
    {
        Glb glb(exported(original));
        for (Json& mesh : glb.json["meshes"])
            for (Json& p : mesh["primitives"]) p["attributes"].erase("_POINT");
        glb.json["scenes"][0]["extras"]["orvane"]["points"]["accessor"] = glb.attribute(0, "POSITION");
        ASSERT_EQ(importBytes(glb.bytes(), ModelFormat::glb, &result), "");
        EXPECT_FALSE(result.fromOrvane);
        EXPECT_NE(result.notes.front().find("points are gone"), std::string::npos) << result.notes.front();
        // The points table alone still names the points: the body comes back as it was.
        Glb table(exported(original));
        for (Json& mesh : table.json["meshes"])
            for (Json& p : mesh["primitives"]) p["attributes"].erase("_POINT");
        ASSERT_EQ(importBytes(table.bytes(), ModelFormat::glb, &result), "");
        EXPECT_TRUE(result.fromOrvane);
        EXPECT_EQ(behaviourOf(result.body), behaviourOf(original));
    }
}

}  // namespace
