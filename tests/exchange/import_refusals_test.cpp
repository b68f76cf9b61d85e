// import_refusals_test.cpp: hostile files and the viewer's limits: each refused with one line
// that says what is wrong, and nothing read outside a buffer (the sanitizer builds and the fuzz
// target run the same cases).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "import_test_support.h"
#include "support/little_endian.h"

namespace {

using Json = nlohmann::json;

// One triangle: three float positions (36 bytes) then three u16 indices.
Bytes triangleBin()
{
    Bytes bin;
    putFloats(bin, {0, 0, 0, 0.1f, 0, 0, 0, 0.1f, 0});
    putU16s(bin, {0, 1, 2, 0});
    return bin;
}

Json triangleJson()
{
    return Json::parse(R"({
      "asset": {"version": "2.0"},
      "buffers": [{"byteLength": 44}],
      "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 36}, {"buffer": 0, "byteOffset": 36, "byteLength": 6}],
      "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3"},
                    {"bufferView": 1, "componentType": 5123, "count": 3, "type": "SCALAR"}],
      "meshes": [{"primitives": [{"attributes": {"POSITION": 0}, "indices": 1}]}],
      "nodes": [{"mesh": 0}],
      "scenes": [{"nodes": [0]}],
      "scene": 0
    })");
}

std::string importGlb(const Json& json, const Bytes& bin)
{
    ModelImport result;
    return importBytes(glbOf(json.dump(), bin), ModelFormat::glb, &result);
}

std::string importObj(const std::string& text, double scale = 0)
{
    ModelImport result;
    return importBytes(Bytes(text.begin(), text.end()), ModelFormat::obj, &result, scale);
}

TEST(ImportRefusals, TheUntouchedTriangleImports) { EXPECT_EQ(importGlb(triangleJson(), triangleBin()), ""); }

TEST(ImportRefusals, MalformedGltfIsRefusedWithItsReason)
{
    struct Case {
        const char* name;
        void (*edit)(Json&, Bytes&);
        const char* reason;
    };
    const Case cases[] = {
        {"accessor past its view", [](Json& j, Bytes&) { j["accessors"][0]["count"] = 4; },
         "run past the end of buffer view"},
        {"view past its buffer", [](Json& j, Bytes&) { j["bufferViews"][0]["byteLength"] = 400; },
         "past the end of buffer"},
        {"no such accessor", [](Json& j, Bytes&) { j["meshes"][0]["primitives"][0]["attributes"]["POSITION"] = 9; },
         "accessor 9 does not exist"},
        {"no such view", [](Json& j, Bytes&) { j["accessors"][0]["bufferView"] = 7; }, "buffer view 7 does not exist"},
        {"buffer shorter than declared", [](Json& j, Bytes&) { j["buffers"][0]["byteLength"] = 4000; },
         "shorter than the declared 4000"},
        {"index beyond the vertices", [](Json&, Bytes& b) { b[36 + 4] = 3; }, "index 3 beyond the 3 vertices"},
        {"huge count", [](Json& j, Bytes&) { j["accessors"][0]["count"] = 4000000000000LL; },
         "more than the importer's limit"},
        {"huge count without a view",
         [](Json& j, Bytes&) {
             j["accessors"][0].erase("bufferView");
             j["accessors"][0]["count"] = 1000000;
         },
         "without a buffer view"},
        {"no mesh in the scene", [](Json& j, Bytes&) { j["nodes"][0].erase("mesh"); }, "nothing to import"},
        {"negative offset", [](Json& j, Bytes&) { j["accessors"][0]["byteOffset"] = -4; }, "bad byteOffset"},
        {"stride below an element", [](Json& j, Bytes&) { j["bufferViews"][0]["byteStride"] = 8; },
         "smaller than an element"},
        // Vertex 0's y made a NaN, then infinite.
        {"NaN position", [](Json&, Bytes& b) { writeU32(&b[4], 0x7fc00000); }, "not a finite number"},
        {"infinite position", [](Json&, Bytes& b) { writeU32(&b[4], 0x7f800000); }, "not a finite number"},
        {"uri to a parent folder", [](Json& j, Bytes&) { j["buffers"][0]["uri"] = "../secret.bin"; },
         "points outside the model's folder"},
        {"absolute uri", [](Json& j, Bytes&) { j["buffers"][0]["uri"] = "/etc/passwd"; },
         "points outside the model's folder"},
        {"uri into a subfolder", [](Json& j, Bytes&) { j["buffers"][0]["uri"] = "sub/x.bin"; },
         "points outside the model's folder"},
        {"escaped uri", [](Json& j, Bytes&) { j["buffers"][0]["uri"] = "%2e%2e%2fx.bin"; },
         "points outside the model's folder"},
        {"data uri not base64", [](Json& j, Bytes&) { j["buffers"][0]["uri"] = "data:application/octet-stream,abc"; },
         "not base64"},
        {"node cycle",
         [](Json& j, Bytes&) { j["nodes"] = Json::parse(R"([{"mesh":0,"children":[1]},{"children":[0]}])"); }, "cycle"},
        {"longer cycle",
         [](Json& j, Bytes&) {
             j["nodes"] = Json::parse(R"([{"mesh":0},{"children":[2]},{"children":[3]},{"children":[1]}])");
         },
         "cycle"},
        {"two parents",
         [](Json& j, Bytes&) { j["nodes"] = Json::parse(R"([{"mesh":0},{"children":[0]},{"children":[0]}])"); },
         "node 0 has two parents"},
        {"child names no node", [](Json& j, Bytes&) { j["nodes"][0]["children"] = {5}; }, "a child names no node"},
        {"string where a number goes", [](Json& j, Bytes&) { j["accessors"][0]["count"] = "3"; }, "bad count"},
        {"not glTF 2", [](Json& j, Bytes&) { j["asset"]["version"] = "1.0"; }, "not a glTF 2.0 file"},
        {"bad component type", [](Json& j, Bytes&) { j["accessors"][0]["componentType"] = 5130; }, "bad componentType"},
        {"positions as VEC2", [](Json& j, Bytes&) { j["accessors"][0]["type"] = "VEC2"; }, "not expected here"},
        {"sparse accessor", [](Json& j, Bytes&) { j["accessors"][0]["sparse"] = Json::object(); }, "sparse"},
        {"non-finite matrix",
         [](Json& j, Bytes&) {
             j["nodes"][0]["matrix"] = Json::array({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, "x"});
         },
         "bad matrix"},
        {"joint beyond the skin",
         [](Json& j, Bytes& b) {
             // A skin of one joint, and a vertex weighted to joint 3.
             const size_t at = b.size();
             putU16s(b, {3, 0, 0, 0, 3, 0, 0, 0, 3, 0, 0, 0});
             putFloats(b, {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0});
             j["buffers"][0]["byteLength"] = b.size();
             j["bufferViews"].push_back({{"buffer", 0}, {"byteOffset", at}, {"byteLength", 24}});
             j["bufferViews"].push_back({{"buffer", 0}, {"byteOffset", at + 24}, {"byteLength", 48}});
             j["accessors"].push_back({{"bufferView", 2}, {"componentType", 5123}, {"count", 3}, {"type", "VEC4"}});
             j["accessors"].push_back({{"bufferView", 3}, {"componentType", 5126}, {"count", 3}, {"type", "VEC4"}});
             j["meshes"][0]["primitives"][0]["attributes"]["JOINTS_0"] = 2;
             j["meshes"][0]["primitives"][0]["attributes"]["WEIGHTS_0"] = 3;
             j["nodes"] = Json::parse(R"([{"mesh":0,"skin":0},{"name":"joint"}])");
             j["scenes"][0]["nodes"] = {0, 1};
             j["skins"] = Json::parse(R"([{"joints":[1]}])");
         },
         "names joint 3 of 1"},
    };
    for (const Case& c : cases) {
        Json json = triangleJson();
        Bytes bin = triangleBin();
        c.edit(json, bin);
        EXPECT_NE(importGlb(json, bin).find(c.reason), std::string::npos) << c.name << ": " << importGlb(json, bin);
    }
}

TEST(ImportRefusals, BrokenContainersAndTextAreRefused)
{
    ModelImport result;
    const Bytes good = glbOf(triangleJson().dump(), triangleBin());
    struct Case {
        const char* name;
        Bytes bytes;
        ModelFormat format;
        const char* reason;
    };
    Bytes truncated(good.begin(), good.begin() + 40);
    Bytes longChunk = good;
    longChunk[12] = 0xff;
    longChunk[13] = 0xff;
    const auto text = [](const std::string& t) { return Bytes(t.begin(), t.end()); };
    const Case cases[] = {
        {"GLB cut short", truncated, ModelFormat::glb, "GLB declares"},
        {"GLB chunk past the end", longChunk, ModelFormat::glb, "runs past the end"},
        {"bad JSON", text("{\"asset\": {\"version\": \"2.0\""), ModelFormat::gltf, "not valid JSON"},
        {"empty file", Bytes(), ModelFormat::gltf, "not valid JSON"},
        {"OBJ face beyond the vertices", text("v 0 0 0\nv 1 0 0\nf 1 2 3\n"), ModelFormat::obj,
         "vertex '3' does not exist"},
        {"OBJ NaN", text("v 0 nan 0\n"), ModelFormat::obj, "not a finite number"},
        {"OBJ index 0", text("v 0 0 0\nf 1 1 0\n"), ModelFormat::obj, "vertex '0' does not exist"},
        {"OBJ zero byte", text(std::string("v 0 0 0\n\0\n", 10)), ModelFormat::obj, "not a text file"},
        {"OBJ overflowing number", text("v 1e400 0 0\n"), ModelFormat::obj, "not a finite number"},
    };
    for (const Case& c : cases) {
        const std::string reason = importBytes(c.bytes, c.format, &result);
        EXPECT_NE(reason.find(c.reason), std::string::npos) << c.name << ": " << reason;
        EXPECT_TRUE(result.body.empty()) << c.name;
    }
}

// A line record per pair of fresh points: `lines` lines, 2 x lines points.
std::string objLines(int lines)
{
    std::string text;
    for (int i = 0; i < 2 * lines; ++i)
        text += "v " + std::to_string(i % 80 * 0.0025) + " " + std::to_string(i / 80 * 0.0025) + " 0\n";
    for (int i = 0; i < lines; ++i) text += "l " + std::to_string(2 * i + 1) + " " + std::to_string(2 * i + 2) + "\n";
    return text;
}

// `faces` triangles over three points.
std::string objFaces(int faces)
{
    std::string text = "v 0 0 0\nv 0.01 0 0\nv 0 0.01 0\n";
    for (int i = 0; i < faces; ++i) text += "f 1 2 3\n";
    return text;
}

// `points` separate points, three to a triangle.
std::string objPoints(int points)
{
    std::string text;
    for (int i = 0; i < points; ++i)
        text += "v " + std::to_string(i % 100 * 0.0025) + " " + std::to_string(i / 100 * 0.0025) + " 0\n";
    for (int i = 0; i + 2 < points; i += 3)
        text += "f " + std::to_string(i + 1) + " " + std::to_string(i + 2) + " " + std::to_string(i + 3) + "\n";
    return text;
}

// An Orvane extras block with the given counts, geometry-free.
Json orvaneExtras(int points, int bones, int normals, int bigPolygons)
{
    Json o = {{"format", 1},
              {"header", std::string(52, '0')},
              {"tail", ""},
              {"points", {{"count", points}}},
              {"primitives", Json::array()}};
    o["header"] = "0200000000000000000000000000"
                  "0a00"
                  "00000000000000000000";
    Json boneList = Json::array();
    for (int i = 0; i < bones; ++i) {
        boneList.push_back({{"node", -1},
                            {"firstPoint", 0},
                            {"pointCount", i == 0 ? 1 : 0},
                            {"basePoint", 0},
                            {"parent", i == 0 ? -1 : 0},
                            {"type", i == 0 ? 0 : 2},
                            {"angles", {0, 0, 0}},
                            {"normals", i == 0 ? normals : 0},
                            {"reserved", std::string(40, '0')}});
    }
    o["bones"] = boneList;
    Json records = Json::array();
    for (int i = 0; i < normals; ++i) records.push_back({0, 0, 100, 400});
    o["normals"] = {{"total", normals}, {"records", records}};
    Json elements = Json::array();
    for (int i = 0; i < bigPolygons; ++i)
        elements.push_back({{"polygon", nullptr}, {"type", 0}, {"colour", 1}, {"points", std::vector<int>(255, 0)}});
    o["elements"] = elements;
    return o;
}

// The extras in a file with their point table (every point at the origin) and no mesh, edited
// by `edit` (the nodes, skins and meshes such a file may carry besides).
std::string importExtras(Json extras, void (*edit)(Json&) = nullptr)
{
    const int points = extras["points"]["count"].get<int>();
    extras["points"]["accessor"] = 0;
    Json j = {{"asset", {{"version", "2.0"}}},
              {"buffers", {{{"byteLength", points * 12}}}},
              {"bufferViews", {{{"buffer", 0}, {"byteLength", points * 12}}}},
              {"accessors", {{{"bufferView", 0}, {"componentType", 5126}, {"count", points}, {"type", "VEC3"}}}},
              {"scenes", {{{"nodes", Json::array()}, {"extras", {{"orvane", extras}}}}}},
              {"scene", 0}};
    if (edit != nullptr) edit(j);
    ModelImport r;
    const std::string reason =
        importBytes(glbOf(j.dump(), Bytes(static_cast<size_t>(points) * 12, 0)), ModelFormat::glb, &r);
    return reason.empty() && !r.fromOrvane ? "imported as a foreign model" : reason;
}

// `joints` root nodes as the joints of one skin, for a triangle weighted to the first.
Json flatJoints(int joints)
{
    Json j = triangleJson();
    j["nodes"] = Json::array({{{"mesh", 0}, {"skin", 0}}});
    Json list = Json::array();
    for (int i = 1; i <= joints; ++i) {
        j["nodes"].push_back(Json::object());
        list.push_back(i);
    }
    j["skins"] = Json::array({{{"joints", list}}});
    return j;
}

TEST(ImportRefusals, JustUnderEachLimitPassesJustOverIsRefused)
{
    // 0.1 file units is 40 model units; 100 is 40,000, past 32,767.
    const std::string far = "v 0 0 0\nv 100 0 0\nv 0 0.1 0\nf 1 2 3\n";
    struct Pair {
        std::string under, over;  // results: "" for an import
        const char* overSays;
    };
    const Pair pairs[] = {
        {importObj(objPoints(7998)), importObj(objPoints(8001)), "8001 points: more than the viewer's 8000"},
        {importObj(objFaces(5000)), importObj(objFaces(5001)),
         "5001 render entries (polygons and lines): more than the viewer's 5000"},
        {importObj(objLines(2731)), importObj(objLines(2732)),
         "a line end is point 5462: a 16-bit offset reaches only points below 5462"},
        {importObj(far, 327.67), importObj(far),
         "coordinates reach 40000 model units, outside the 16-bit range: try --scale 327.67"},
        {importGlb(flatJoints(5553), triangleBin()), importGlb(flatJoints(5555), triangleBin()),
         "5556 bones: more than the viewer's 5555"},
        {importExtras(orvaneExtras(8000, 5555, 500, 488)), importExtras(orvaneExtras(8001, 1, 0, 0)),
         "8001 points: more than the viewer's 8000"},
        {"", importExtras(orvaneExtras(1, 5556, 0, 0)), "5556 bones: more than the viewer's 5555"},
        {"", importExtras(orvaneExtras(1, 1, 501, 0)), "501 normals: more than the viewer's 500"},
        // 489 polygons of 255 vertices take 489 x 1,024 bytes of the element buffer.
        {"", importExtras(orvaneExtras(1, 1, 0, 489)), "element buffer of 500736 bytes: more than the viewer's 500000"},
    };
    for (const Pair& p : pairs) {
        EXPECT_EQ(p.under, "") << p.overSays;
        EXPECT_NE(p.over.find(p.overSays), std::string::npos) << p.over;
    }
}

TEST(ImportRefusals, EveryGltfGetsTheStructuralChecksExtrasOrNot)
{
    const std::pair<void (*)(Json&), const char*> cases[] = {
        {[](Json&) {}, ""},
        {[](Json& j) { j["nodes"] = Json::parse(R"([{"children":[1]},{"children":[0]}])"); }, "cycle"},
        {[](Json& j) { j["nodes"] = Json::parse(R"([{"children":[0]}])"); }, "its own child"},
        {[](Json& j) { j["nodes"] = Json::parse(R"([{},{"children":[0]},{"children":[0]}])"); },
         "node 0 has two parents"},
        {[](Json& j) { j["nodes"] = Json::parse(R"([{"rotation":[0,0,0,0]}])"); }, "zero rotation quaternion"},
        {[](Json& j) {
             j["nodes"] = Json::parse(R"([{}])");
             j["skins"] = Json::parse(R"([{"joints":[0,7]}])");
         },
         "a joint names no node"},
        {[](Json& j) { j["meshes"] = Json::parse(R"([{"primitives":[{"attributes":{"POSITION":0},"mode":99}]}])"); },
         "bad mode"},
    };
    for (const auto& [edit, says] : cases) {
        const std::string reason = importExtras(orvaneExtras(1, 1, 0, 0), edit);
        if (says[0] == '\0')
            EXPECT_EQ(reason, "");
        else
            EXPECT_NE(reason.find(says), std::string::npos) << says << ": " << reason;
    }
}

TEST(ImportRefusals, AnAccessorReadOverAndOverCostsInProportionToTheFile)
{
    // A bufferless accessor of 65,536 vertices named by 500 primitives (with the extras), or by
    // the meshes of 500 nodes (without): refused once the reads pass what the file pays for.
    Json extras = orvaneExtras(1, 1, 0, 0);
    extras["points"]["accessor"] = 0;
    Json shared = triangleJson();
    shared["accessors"].push_back({{"componentType", 5126}, {"count", 65536}, {"type", "VEC3"}});
    Json nodes = Json::array();
    for (int i = 0; i < 500; ++i) {
        shared["meshes"][0]["primitives"].push_back({{"attributes", {{"POSITION", 2}}}});
        nodes.push_back({{"mesh", 0}});
    }
    Json manyNodes = shared;
    manyNodes["nodes"] = nodes;
    manyNodes["scenes"][0]["nodes"] = Json::array();
    for (int i = 0; i < 500; ++i) manyNodes["scenes"][0]["nodes"].push_back(i);
    shared["nodes"][0]["skin"] = 0;
    shared["nodes"].push_back(Json::object());
    shared["skins"] = Json::parse(R"([{"joints":[1]}])");
    shared["scenes"][0]["extras"] = {{"orvane", extras}};
    for (const Json& j : {shared, manyNodes})
        EXPECT_NE(importGlb(j, triangleBin()).find("read again and again, past what a file this size may decode"),
                  std::string::npos)
            << importGlb(j, triangleBin());
}

TEST(ImportRefusals, MessagesSayWhatIsWrongAndWhatToDo)
{
    const std::string bom = "\xEF\xBB\xBFv 0 0 0\nv 0.1 0 0\nv 0 0.1 0\nf 1 2 3\n";
    EXPECT_EQ(importObj(bom), "") << "a byte-order mark is no part of the first line";
    Json junk = triangleJson();
    junk["buffers"][0]["uri"] = "data:application/octet-stream;base64,AAAA=AAAA";
    EXPECT_NE(importGlb(junk, triangleBin()).find("bad base64"), std::string::npos);
    // Far vertices are out of range (not "nothing to import"), and the scale suggested fits.
    for (const std::string at : {"2.5e6", "1e30"}) {
        const std::string reason = importObj("v 0 0 0\nv " + at + " 0 0\nv 0 " + at + " 0\nf 1 2 3\n");
        ASSERT_NE(reason.find("outside the 16-bit range: try --scale "), std::string::npos) << reason;
        const double suggested = std::strtod(reason.substr(reason.find("try --scale ") + 12).c_str(), nullptr);
        EXPECT_GT(suggested, 0) << reason;
        EXPECT_EQ(importObj("v 0 0 0\nv " + at + " 0 0\nv 0 " + at + " 0\nf 1 2 3\n", suggested), "") << suggested;
    }
}

}  // namespace
