// export_readers_test.cpp: every demo entry and every test body, exported to .glb and .gltf (and
// OBJ), opened by two independent readers: the Khronos glTF validator (no errors, no warnings)
// and Assimp's command-line tool (the counts of meshes, bones and faces this file expects).
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "tests/exchange/export_test_support.h"
#include "demo/demo_data.h"

namespace {

std::vector<std::vector<uint8_t>> allBodies()
{
    std::vector<std::vector<uint8_t>> entries;
    for (DemoBody& d : demoBodies()) entries.push_back(std::move(d.bytes));
    for (TestBody& t : testBodies()) entries.push_back(std::move(t.bytes));
    return entries;
}

// The number after "Name:" on assimp's summary, or -1.
long assimpCount(const std::string& report, const std::string& name)
{
    for (const std::string& line : linesOf(report))
        if (line.rfind(name + ":", 0) == 0) return std::stol(line.substr(name.size() + 1));
    return -1;
}

struct Expected {
    long meshes = 0, bones = 0, faces = 0, vertices = 0;
};

// Read raw (-r, no post-processing), assimp makes a mesh of each primitive, gives each of the
// skinned mesh's the skin's joints as bones, and makes a face of each triangle and line. Each
// sphere mesh counts once however many nodes show it.
Expected expectedCounts(const ReadBack& back)
{
    Expected e;
    for (size_t m = 0; m < back.model.meshes.size(); ++m) {
        const bool skinned = static_cast<int>(m) == back.skinnedMesh;
        for (size_t p = 0; p < back.model.meshes[m].primitives.size(); ++p) {
            const tinygltf::Primitive& primitive = back.model.meshes[m].primitives[p];
            const auto vertices =
                static_cast<long>(back.model.accessors[static_cast<size_t>(primitive.attributes.at("POSITION"))].count);
            ++e.meshes;
            if (skinned) e.bones += static_cast<long>(back.model.skins[0].joints.size());
            e.vertices += vertices;
            e.faces += primitive.mode == TINYGLTF_MODE_LINE
                           ? vertices / 2
                           : static_cast<long>(back.model.accessors[static_cast<size_t>(primitive.indices)].count / 3);
        }
    }
    return e;
}

}  // namespace

TEST(ExportReaders, ValidatorAndAssimpAcceptEveryExportedBody)
{
    const std::vector<std::vector<uint8_t>> entries = allBodies();
    TestArchive a(entries);
    std::vector<std::string> files;
    for (const char* format : {"glb", "gltf"}) {
        const std::string dir = a.folder.file(format);
        const CommandRun run = runTool("export '" + a.archive + "' --all -o '" + dir + "' --format " + format +
                                       (std::string(format) == "gltf" ? " --look base" : ""));
        ASSERT_EQ(run.status, 0) << run.err;
        for (size_t i = 0; i < entries.size(); ++i) files.push_back(dir + "/" + std::to_string(i) + "." + format);
    }

    std::string names;
    for (const std::string& f : files) names += " '" + f + "'";
    const CommandRun validation = runCommand(std::string(ORVANE_NODE) + " '" + ORVANE_VALIDATOR + "'" + names);
    ASSERT_EQ(validation.status, 0) << validation.err;
    const std::vector<std::string> reports = linesOf(validation.out);
    EXPECT_EQ(reports.size(), files.size());
    for (const std::string& line : reports) {
        const nlohmann::json r = nlohmann::json::parse(line);
        EXPECT_EQ(r["errors"], 0) << r.dump(1);
        EXPECT_EQ(r["warnings"], 0) << r.dump(1);
    }

    for (const std::string& f : files) {
        ReadBack back;
        ASSERT_TRUE(readBack(f, &back));
        const CommandRun info = runCommand(std::string(ORVANE_ASSIMP) + " info '" + f + "' -r");
        ASSERT_EQ(info.status, 0) << f << "\n" << info.err;
        const Expected e = expectedCounts(back);
        EXPECT_EQ(assimpCount(info.out, "Meshes"), e.meshes) << f;
        EXPECT_EQ(assimpCount(info.out, "Bones"), e.bones) << f;
        EXPECT_EQ(assimpCount(info.out, "Faces"), e.faces) << f;
        EXPECT_EQ(assimpCount(info.out, "Vertices"), e.vertices) << f;
    }
}

TEST(ExportReaders, AssimpReadsTheObjWithItsMaterials)
{
    const std::vector<std::vector<uint8_t>> entries = allBodies();
    TestArchive a(entries);
    const std::string dir = a.folder.file("obj");
    ASSERT_EQ(runTool("export '" + a.archive + "' --all -o '" + dir + "' --format obj").status, 0);
    ASSERT_EQ(runTool("export '" + a.archive + "' --all -o '" + a.folder.file("glb") + "'").status, 0);
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string obj = dir + "/" + std::to_string(i) + ".obj";
        ASSERT_TRUE(std::filesystem::exists(dir + "/" + std::to_string(i) + ".mtl"));
        ReadBack back;
        ASSERT_TRUE(readBack(a.folder.file("glb") + "/" + std::to_string(i) + ".glb", &back));
        // A face per drawn polygon and line, a hundred per sphere.
        long faces = 0;
        std::set<std::string> colours;
        for (const nlohmann::json& e : back.extras["elements"]) {
            if (e.contains("polygon"))
                faces += e["polygon"].is_null() ? 0 : 1;
            else
                faces += e.contains("line") ? 1 : 100;
        }
        const CommandRun info = runCommand(std::string(ORVANE_ASSIMP) + " info '" + obj + "' -r");
        ASSERT_EQ(info.status, 0) << obj << "\n" << info.err;
        EXPECT_EQ(assimpCount(info.out, "Faces"), faces) << obj;
        EXPECT_GE(assimpCount(info.out, "Materials"), 1) << obj;
    }
}
