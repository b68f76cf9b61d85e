// export_pose_test.cpp: exported files read back through tinygltf, their skins evaluated here and
// every vertex held against 'orvane dump'; the bind pose and the colours checked exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "exchange/colour.h"
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
    const CommandRun run =
        runTool("export '" + a.files->archive + "' " + std::to_string(entry) + " -o '" + out + "' " + options);
    EXPECT_EQ(run.status, 0) << run.err;
    ReadBack back;
    readBack(out, &back);
    return back;
}

// How far the viewer's fixed-point result may lie from the exact turns: a model unit per level,
// and its matrix, truncated by up to 1/16384 an element at each of its two stages per level,
// acting on the vertex's offsets from its bone's origin.
double tolerance(int depth, double reach) { return (depth + reach * 2.0 * depth / 16384.0) * scale + 1e-5; }

// Every vertex within that tolerance of the viewer's point; each sphere centred on its centre
// point, every vertex of it at its radius.
void expectPosedLikeDump(const ReadBack& back, const std::vector<std::array<int, 3>>& points, const std::string& what)
{
    int checked = 0;
    for (size_t p = 0; p < back.posed.size(); ++p) {
        for (size_t v = 0; v < back.posed[p].size(); ++v) {
            const double allowed = tolerance(back.jointDepth[static_cast<size_t>(back.joints[p][v])], back.reach[p][v]);
            const std::array<int, 3>& expected = points.at(static_cast<size_t>(back.points[p][v]));
            for (size_t c = 0; c < 3; ++c) {
                ASSERT_NEAR(back.posed[p][v][c], expected[c] * scale, allowed)
                    << what << ": primitive " << p << " vertex " << v << " (point " << back.points[p][v] << ") axis "
                    << c;
            }
            ++checked;
        }
    }
    for (const nlohmann::json& e : back.extras["elements"]) {
        if (!e.contains("sphere")) continue;
        const SphereBack* s = back.sphereAt(e["sphere"].get<int>());
        ASSERT_NE(s, nullptr) << what;
        ASSERT_EQ(s->posed.size(), 92u) << what;
        std::array<double, 3> mean{};
        for (const auto& v : s->posed)
            for (size_t c = 0; c < 3; ++c) mean[c] += v[c] / 92;
        const std::vector<double>& t = back.model.nodes[static_cast<size_t>(s->node)].translation;
        const double reach = t.empty() ? 0 : (std::fabs(t[0]) + std::fabs(t[1]) + std::fabs(t[2])) / scale;
        const double allowed = tolerance(back.jointDepth.at(static_cast<size_t>(s->joint)), reach);
        const auto centre = static_cast<size_t>(e["centre"].get<int>() / 6);
        for (size_t c = 0; c < 3; ++c)
            ASSERT_NEAR(mean[c], points.at(centre)[c] * scale, allowed) << what << ": sphere " << s->node;
        for (const auto& v : s->posed) {
            ASSERT_NEAR(std::hypot(v[0] - mean[0], v[1] - mean[1], v[2] - mean[2]),
                        std::abs(e["radius"].get<int>()) * scale, 1e-6)
                << what << ": sphere " << s->node;
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
            const std::vector<std::array<int, 3>> points =
                dumps.at(frame)["points"].get<std::vector<std::array<int, 3>>>();
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
        // Every vertex starts at its point's bind position, exactly (but lines across joints, posed).
        for (size_t p = 0; p < back.bind.size(); ++p) {
            if (back.extras["primitives"][p] == "posed lines") continue;
            for (size_t v = 0; v < back.bind[p].size(); ++v) {
                const auto point = static_cast<size_t>(back.points[p][v]);
                if (point * 3 >= table.size()) continue;  // a point beyond the body's own
                for (size_t c = 0; c < 3; ++c) ASSERT_EQ(back.bind[p][v][c], table[point * 3 + c]) << name;
            }
        }
        // A sphere sits at its centre's bind position less its joint's bind origin (a whole number
        // of model units), scaled by its radius as the viewer scales it.
        const std::vector<double> inverseBinds = accessorValues(back.model, back.model.skins[0].inverseBindMatrices);
        for (const nlohmann::json& e : back.extras["elements"]) {
            if (!e.contains("sphere")) continue;
            const SphereBack* s = back.sphereAt(e["sphere"].get<int>());
            ASSERT_NE(s, nullptr) << name;
            const tinygltf::Node& node = back.model.nodes[static_cast<size_t>(s->node)];
            const float radius = static_cast<float>(e["radius"].get<int>()) * 0.0025f;
            EXPECT_EQ(node.scale, (std::vector<double>{radius, radius, radius})) << name;
            const auto centre = static_cast<size_t>(e["centre"].get<int>() / 6);
            if (centre * 3 >= table.size()) continue;
            for (size_t c = 0; c < 3; ++c) {
                const double t = node.translation.empty() ? 0 : node.translation[c];
                EXPECT_NEAR(t / scale, std::round(t / scale), 1e-3) << name;
                EXPECT_EQ(std::lround(t / scale),
                          std::lround(table[centre * 3 + c] / scale) +
                              std::lround(inverseBinds[static_cast<size_t>(s->joint) * 16 + 12 + c] / scale))
                    << name << " sphere " << s->node;
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
            const std::array<int, 3> origin =
                bone.parent < 0 ? std::array<int, 3>{0, 0, 0} : bind[static_cast<size_t>(bone.basePoint / 6)];
            origins.push_back(origin);
            for (int k = 0; k < bone.pointCount; ++k) {
                const Point16& s = b.points[static_cast<size_t>(bone.firstPoint / 6 + k)];
                bind[static_cast<size_t>(bone.firstPoint / 6 + k)] = {origin[0] + s.x, origin[1] + s.y,
                                                                      origin[2] + s.z};
            }
        }
        for (size_t i = 0; i < b.points.size(); ++i)
            for (size_t c = 0; c < 3; ++c)
                EXPECT_EQ(std::lround(table[i * 3 + c] / scale), bind[i][c]) << name << " point " << i;
        const std::vector<double> inverse = accessorValues(back.model, back.model.skins[0].inverseBindMatrices);
        ASSERT_EQ(inverse.size(), origins.size() * 16) << name;
        for (size_t j = 0; j < origins.size(); ++j)
            for (size_t c = 0; c < 3; ++c)
                EXPECT_EQ(std::lround(-inverse[j * 16 + 12 + c] / scale), origins[j][c]) << name << " joint " << j;
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
    // The sRGB transfer function at fixed points: both sides of the knee at 10/11, the ends.
    const std::pair<uint8_t, float> linearOf[] = {
        {0, 0.0f},           {1, 0.000303526991f}, {10, 0.00303526991f}, {11, 0.00334653584f}, {50, 0.0318960324f},
        {128, 0.215860501f}, {200, 0.577580452f},  {254, 0.991102099f},  {255, 1.0f}};
    for (const auto& [display, linear] : linearOf) EXPECT_FLOAT_EQ(linearFromDisplay(display), linear) << int{display};
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
            const tinygltf::Primitive& p = m.meshes[static_cast<size_t>(back.skinnedMesh)].primitives[primitive];
            const std::vector<double> colours = accessorValues(m, p.attributes.at("COLOR_0"));
            const nlohmann::json& drawn = frame["render"][e];
            const int stored = elements[e]["colour"].get<int>();
            for (size_t v = 0; v < drawn["points"].size(); ++v) {
                int index = stored;
                if (viewer)
                    index = drawn.contains("vertexColours") && elements[e]["type"] == 9
                                ? drawn["vertexColours"][v].get<int>()
                                : drawn["colour"].get<int>();
                for (size_t c = 0; c < 3; ++c) {
                    EXPECT_EQ(static_cast<float>(colours[(first + v) * 3 + c]),
                              linearFromDisplay(palette[static_cast<size_t>(index & 255) * 3 + c]))
                        << look << " element " << e << " vertex " << v;
                }
            }
            const tinygltf::Material& material = m.materials[static_cast<size_t>(p.material)];
            const bool translucent = e == 0;
            EXPECT_EQ(material.alphaMode, translucent ? "BLEND" : "OPAQUE") << e;
            EXPECT_FLOAT_EQ(static_cast<float>(material.pbrMetallicRoughness.baseColorFactor[3]),
                            translucent ? 80.0f / 255.0f : 1.0f);
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
        EXPECT_EQ(std::find(m.extensionsUsed.begin(), m.extensionsUsed.end(), "KHR_materials_unlit") !=
                      m.extensionsUsed.end(),
                  viewer);
    }
}

TEST(ExportColours, SpheresTakeTheirPaletteColourAndANegativeRadiusTurnsThemInsideOut)
{
    const std::vector<uint8_t> palette = testPalette();
    for (const char* look : {"viewer", "base"}) {
        const bool viewer = std::string(look) == "viewer";
        const ReadBack back = exported(entryNamed("spheres only"), "spheres.glb", std::string("--look ") + look);
        const tinygltf::Model& m = back.model;
        int spheres = 0;
        for (const nlohmann::json& e : back.extras["elements"]) {
            if (!e.contains("sphere")) continue;
            ++spheres;
            const SphereBack* s = back.sphereAt(e["sphere"].get<int>());
            ASSERT_NE(s, nullptr);
            const tinygltf::Primitive& p = m.meshes[static_cast<size_t>(s->mesh)].primitives.at(0);
            const tinygltf::Material& material = m.materials.at(static_cast<size_t>(p.material));
            const auto index = static_cast<size_t>((e["attributes"].get<uint32_t>() >> 8) & 255);
            for (size_t c = 0; c < 3; ++c) {
                EXPECT_EQ(static_cast<float>(material.pbrMetallicRoughness.baseColorFactor[c]),
                          linearFromDisplay(palette[index * 3 + c]))
                    << look;
            }
            EXPECT_EQ(material.pbrMetallicRoughness.baseColorFactor[3], 1.0);
            EXPECT_EQ(material.extensions.count("KHR_materials_unlit"), viewer ? 1u : 0u) << look;
            EXPECT_EQ(p.attributes.count("NORMAL"), viewer ? 0u : 1u) << look;

            // As the viewer draws a sphere of negative radius, its front faces (and its normals)
            // look inwards; a glTF viewer turns the faces of a node that mirrors.
            const int radius = e["radius"].get<int>();
            if (radius == 0) continue;
            const std::array<double, 16>& w = s->world;
            const double det = w[0] * (w[5] * w[10] - w[9] * w[6]) - w[4] * (w[1] * w[10] - w[9] * w[2]) +
                               w[8] * (w[1] * w[6] - w[5] * w[2]);
            std::array<double, 3> mean{};
            for (const auto& v : s->posed)
                for (size_t c = 0; c < 3; ++c) mean[c] += v[c] / 92;
            const std::vector<double> indices = accessorValues(m, p.indices);
            ASSERT_EQ(indices.size(), 540u);
            for (size_t i = 0; i < indices.size(); i += 3) {
                const auto& a = s->posed.at(static_cast<size_t>(indices[i]));
                const auto& b = s->posed.at(static_cast<size_t>(indices[i + 1]));
                const auto& c = s->posed.at(static_cast<size_t>(indices[i + 2]));
                const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]},
                             v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
                const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
                const double out =
                    (n[0] * (a[0] + b[0] + c[0] - 3 * mean[0]) + n[1] * (a[1] + b[1] + c[1] - 3 * mean[1]) +
                     n[2] * (a[2] + b[2] + c[2] - 3 * mean[2])) *
                    (det < 0 ? -1 : 1);
                if (std::fabs(out) > 1e-12) {
                    EXPECT_EQ(out > 0, radius > 0) << look << " radius " << radius << " triangle " << i / 3;
                }
            }
            if (viewer) continue;
            const std::vector<double> normals = accessorValues(m, p.attributes.at("NORMAL"));
            for (size_t k = 0; k < s->posed.size(); ++k) {
                // Under a uniform scale the node's own matrix turns a normal as its inverse transpose does.
                const double* n = &normals[k * 3];
                double out = 0;
                for (size_t c = 0; c < 3; ++c)
                    out += (w[c] * n[0] + w[4 + c] * n[1] + w[8 + c] * n[2]) * (s->posed[k][c] - mean[c]);
                EXPECT_EQ(out > 0, radius > 0) << look << " radius " << radius << " vertex " << k;
            }
        }
        EXPECT_EQ(spheres, 3);
    }
}
