// export_pose_test.cpp: exported files read back through tinygltf, their skins evaluated here and
// every vertex held against 'orvane dump'; the bind pose and the colours checked exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "tests/exchange/export_test_support.h"
#include "demo/demo_data.h"

namespace {

constexpr double scale = 0.0025;

// The demo bodies, then the test bodies, in one archive shared by the tests of this file.
struct Archive {
    std::vector<std::string> names;
    std::vector<TestBody> bodies;  // the test bodies (entries from `firstTestBody` on)
    int firstTestBody = 0;
    std::unique_ptr<TestArchive> files;
};

const Archive& archive()
{
    static const Archive a = [] {
        Archive out;
        std::vector<std::vector<uint8_t>> entries;
        for (DemoBody& d : demoBodies()) {
            out.names.push_back(d.name);
            entries.push_back(std::move(d.bytes));
        }
        out.firstTestBody = static_cast<int>(entries.size());
        out.bodies = testBodies();
        for (const TestBody& t : out.bodies) {
            out.names.push_back(t.name);
            entries.push_back(t.bytes);
        }
        out.files = std::make_unique<TestArchive>(entries);
        return out;
    }();
    return a;
}

int entryNamed(const std::string& name)
{
    const Archive& a = archive();
    for (size_t i = 0; i < a.names.size(); ++i) {
        if (a.names[i] == name) return static_cast<int>(i);
    }
    ADD_FAILURE() << "no entry " << name;
    return 0;
}

ReadBack exported(int entry, const std::string& file, const std::string& options)
{
    const Archive& a = archive();
    const std::string out = a.files->folder.file(file);
    const CommandRun run = runTool("export '" + a.files->archive + "' " + std::to_string(entry) + " -o '" + out + "' " + options);
    EXPECT_EQ(run.status, 0) << run.err;
    ReadBack back;
    readBack(out, &back);
    return back;
}

int primitiveNamed(const ReadBack& back, const std::string& role)
{
    const nlohmann::json& roles = back.extras["primitives"];
    for (size_t i = 0; i < roles.size(); ++i) {
        if (roles[i] == role) return static_cast<int>(i);
    }
    return -1;
}

// How far the viewer's fixed-point result may lie from the exact turns: a model unit per level,
// and its matrix, truncated by up to 1/16384 an element at each of its two stages per level,
// acting on the vertex's offsets from its bone's origin.
double tolerance(int depth, double reach) { return (depth + reach * 2.0 * depth / 16384.0) * scale + 1e-5; }

// Every vertex within that tolerance of the viewer's point; a sphere's vertices centred on its
// centre point.
void expectPosedLikeDump(const ReadBack& back, const std::vector<std::array<int, 3>>& points, const std::string& what)
{
    const int spheres = primitiveNamed(back, "spheres");
    int checked = 0;
    for (size_t p = 0; p < back.posed.size(); ++p) {
        for (size_t v = 0; v < back.posed[p].size(); ++v) {
            const double allowed = tolerance(back.jointDepth[static_cast<size_t>(back.joints[p][v])], back.reach[p][v]);
            const std::array<int, 3>& expected = points.at(static_cast<size_t>(back.points[p][v]));
            if (static_cast<int>(p) == spheres) continue;
            for (size_t c = 0; c < 3; ++c) {
                ASSERT_NEAR(back.posed[p][v][c], expected[c] * scale, allowed)
                    << what << ": primitive " << p << " vertex " << v << " (point " << back.points[p][v] << ") axis " << c;
            }
            ++checked;
        }
    }
    for (const nlohmann::json& e : back.extras["elements"]) {
        if (!e.contains("sphere")) continue;
        const auto first = e["sphere"][1].get<size_t>();
        const auto& vertices = back.posed[static_cast<size_t>(spheres)];
        std::array<double, 3> mean{};
        for (size_t v = first; v < first + 92; ++v)
            for (size_t c = 0; c < 3; ++c) mean[c] += vertices.at(v)[c] / 92;
        const int centre = back.points[static_cast<size_t>(spheres)][first];
        const auto s = static_cast<size_t>(spheres);
        const double allowed = tolerance(back.jointDepth[static_cast<size_t>(back.joints[s][first])], back.reach[s][first]);
        for (size_t c = 0; c < 3; ++c) {
            ASSERT_NEAR(mean[c], points.at(static_cast<size_t>(centre))[c] * scale, allowed) << what << ": sphere at " << first;
        }
        ++checked;
    }
    EXPECT_GT(checked, 0) << what;
}

}  // namespace

TEST(ExportPose, EveryVertexLiesWhereTheViewerPutsItAtSeveralAutoAngles)
{
    const Archive& a = archive();
    for (int entry = 0; entry < static_cast<int>(a.names.size()); ++entry) {
        const std::string& name = a.names[static_cast<size_t>(entry)];
        // A bone whose parent comes later takes that parent's previous frame: only a held angle
        // repeats the frame, so that body is compared without auto-rotation.
        const bool held = name == "later parent";
        const std::vector<int> frames = held ? std::vector<int>{2} : std::vector<int>{2, 45, 130};
        const std::map<int, nlohmann::json> dumps = dumpFrames(a.files->archive, entry, frames, !held);
        for (int frame : frames) {
            const int angle = held ? 0 : 2 * frame;
            const std::vector<std::array<int, 3>> points = dumps.at(frame)["points"].get<std::vector<std::array<int, 3>>>();
            const std::string file = frame == 45 ? "pose.gltf" : "pose.glb";
            const ReadBack back = exported(entry, file, "--auto-angle " + std::to_string(angle));
            expectPosedLikeDump(back, points, name + " at auto-angle " + std::to_string(angle) + " (" + file + ")");
        }
    }
}

TEST(ExportPose, BindPoseIsTheStoredIntegersTimesTheScale)
{
    const Archive& a = archive();
    for (int entry = 0; entry < static_cast<int>(a.names.size()); ++entry) {
        const ReadBack back = exported(entry, "bind.glb", "--auto-angle 300");
        const std::string& name = a.names[static_cast<size_t>(entry)];
        const std::vector<double> table = accessorValues(back.model, back.extras["points"]["accessor"].get<int>());
        ASSERT_EQ(table.size(), 3 * back.extras["points"]["count"].get<size_t>()) << name;
        for (double v : table) ASSERT_NEAR(v / scale, std::round(v / scale), 1e-3) << name;
        // Every vertex starts at its point's bind position, exactly.
        for (size_t p = 0; p < back.bind.size(); ++p) {
            if (back.extras["primitives"][p] == "spheres") continue;
            for (size_t v = 0; v < back.bind[p].size(); ++v) {
                const auto point = static_cast<size_t>(back.points[p][v]);
                if (point * 3 >= table.size()) continue;  // a point beyond the body's own
                for (size_t c = 0; c < 3; ++c) ASSERT_EQ(back.bind[p][v][c], table[point * 3 + c]) << name;
            }
        }
        if (entry < a.firstTestBody) continue;
        // The bind pose worked out here from the stored records: each processed bone's points at
        // its origin (its parent's placed base point) plus their stored offsets.
        const BodyBuilder& b = a.bodies[static_cast<size_t>(entry - a.firstTestBody)].builder;
        if (b.bones.empty() || name == "later parent") continue;
        std::vector<std::array<int, 3>> bind(b.points.size());
        std::vector<std::array<int, 3>> origins;
        for (size_t i = 0; i < b.bones.size(); ++i) {
            const BoneRecord& bone = b.bones[i];
            if (i > 0 && bone.type != boneTypeRotation) continue;
            const std::array<int, 3> origin = bone.parent < 0 ? std::array<int, 3>{0, 0, 0} : bind[static_cast<size_t>(bone.basePoint / 6)];
            origins.push_back(origin);
            for (int k = 0; k < bone.pointCount; ++k) {
                const Point16& s = b.points[static_cast<size_t>(bone.firstPoint / 6 + k)];
                bind[static_cast<size_t>(bone.firstPoint / 6 + k)] = {origin[0] + s.x, origin[1] + s.y, origin[2] + s.z};
            }
        }
        for (size_t i = 0; i < b.points.size(); ++i)
            for (size_t c = 0; c < 3; ++c) EXPECT_EQ(std::lround(table[i * 3 + c] / scale), bind[i][c]) << name << " point " << i;
        const std::vector<double> inverse = accessorValues(back.model, back.model.skins[0].inverseBindMatrices);
        ASSERT_EQ(inverse.size(), origins.size() * 16) << name;
        for (size_t j = 0; j < origins.size(); ++j)
            for (size_t c = 0; c < 3; ++c) EXPECT_EQ(std::lround(-inverse[j * 16 + 12 + c] / scale), origins[j][c]) << name << " joint " << j;
    }
}

TEST(ExportPose, JointsFollowTheSkeletonAndTurnByTheirOwnAngles)
{
    // "later parent": bone 1 names bone 2 (later) and hangs under the root; bone 2 under the root
    // by its parent field, turned by its own angles (30, 50); the root by the frame's turn.
    const ReadBack back = exported(entryNamed("later parent"), "joints.glb", "--auto-angle 256");
    const auto& nodes = back.model.nodes;
    ASSERT_EQ(back.model.skins[0].joints.size(), 3u);
    EXPECT_EQ(nodes[0].name, "bone_0");
    EXPECT_EQ(nodes[0].children, (std::vector<int>{1, 2}));
    const double pi = 3.141592653589793;
    const auto expectTurn = [&](const tinygltf::Node& node, int x, int y) {
        // Rx then Ry, as the skeleton pass composes them: q = qx * qy.
        const double hx = x * pi / 1024, hy = y * pi / 1024;
        const double q[4] = {std::sin(hx) * std::cos(hy), std::cos(hx) * std::sin(hy), std::sin(hx) * std::sin(hy),
                             std::cos(hx) * std::cos(hy)};
        ASSERT_EQ(node.rotation.size(), 4u) << node.name;
        for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(node.rotation[i], q[i], 1e-6) << node.name;
    };
    expectTurn(nodes[0], 30, 256);  // the last rotation bone's angle X stays in the register
    expectTurn(nodes[2], 30, 50);
    EXPECT_EQ(back.extras["bones"][1]["node"], 1);
    EXPECT_EQ(back.extras["bones"][1]["parent"], 76);  // as stored: 38 x bone 2
    EXPECT_EQ(back.extras["bones"][1]["angles"], (nlohmann::json{100, 200, 0}));

    const ReadBack skipped = exported(entryNamed("skipped bone"), "skipped.glb", "");
    ASSERT_EQ(skipped.model.skins[0].joints.size(), 2u);  // no node for the skipped bone
    EXPECT_EQ(skipped.model.nodes[1].name, "bone_2");
    EXPECT_EQ(skipped.extras["bones"][1]["node"], -1);
    EXPECT_EQ(skipped.extras["bones"][1]["type"], 2);
}

TEST(ExportColours, ViewerLookIsThePaletteLinearisedUnlitAndTranslucencyBlends)
{
    const int entry = entryNamed("translucent and colours");
    const nlohmann::json frame = dumpFrames(archive().files->archive, entry, {2}, false).at(2);
    const std::vector<uint8_t> palette = testPalette();
    EXPECT_FLOAT_EQ(expectedLinear(255), 1.0f);
    EXPECT_NEAR(expectedLinear(128), 0.2158605, 1e-6);
    for (const char* look : {"viewer", "base"}) {
        const bool viewer = std::string(look) == "viewer";
        const ReadBack back = exported(entry, "colours.glb", std::string("--look ") + look);
        const tinygltf::Model& m = back.model;
        const nlohmann::json& elements = back.extras["elements"];
        ASSERT_EQ(elements.size(), 5u);
        EXPECT_TRUE(elements[4]["polygon"].is_null());  // two vertices draw nothing
        for (size_t e = 0; e < 4; ++e) {
            const auto primitive = elements[e]["polygon"][0].get<size_t>();
            const auto first = elements[e]["polygon"][1].get<size_t>();
            const tinygltf::Primitive& p = m.meshes[0].primitives[primitive];
            const std::vector<double> colours = accessorValues(m, p.attributes.at("COLOR_0"));
            const nlohmann::json& drawn = frame["render"][e];
            const int stored = elements[e]["colour"].get<int>();
            for (size_t v = 0; v < drawn["points"].size(); ++v) {
                int index = stored;
                if (viewer) index = drawn.contains("vertexColours") && elements[e]["type"] == 9 ? drawn["vertexColours"][v].get<int>()
                                                                                                  : drawn["colour"].get<int>();
                for (size_t c = 0; c < 3; ++c) {
                    EXPECT_EQ(static_cast<float>(colours[(first + v) * 3 + c]), expectedLinear(palette[static_cast<size_t>(index & 255) * 3 + c]))
                        << look << " element " << e << " vertex " << v;
                }
            }
            const tinygltf::Material& material = m.materials[static_cast<size_t>(p.material)];
            const bool translucent = e == 0;
            EXPECT_EQ(material.alphaMode, translucent ? "BLEND" : "OPAQUE") << e;
            EXPECT_FLOAT_EQ(static_cast<float>(material.pbrMetallicRoughness.baseColorFactor[3]), translucent ? 80.0f / 255.0f : 1.0f);
            EXPECT_EQ(material.extensions.count("KHR_materials_unlit"), viewer ? 1u : 0u) << look;
            EXPECT_EQ(p.attributes.count("NORMAL"), viewer ? 0u : 1u) << look;
            if (!viewer) {
                const std::vector<double> normals = accessorValues(m, p.attributes.at("NORMAL"));
                for (size_t v = 0; v < normals.size(); v += 3) {
                    EXPECT_NEAR(std::hypot(normals[v], normals[v + 1], normals[v + 2]), 1.0, 1e-6);
                }
            }
        }
        // The shaded polygon (type 7) shows its colour plus the shade; the smooth one per vertex.
        EXPECT_NE(frame["render"][1]["colour"], 48);
        EXPECT_EQ(std::find(m.extensionsUsed.begin(), m.extensionsUsed.end(), "KHR_materials_unlit") != m.extensionsUsed.end(), viewer);
    }
}
