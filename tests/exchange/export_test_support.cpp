// export_test_support.cpp: archives of test bodies, the tool as a process, and glTF read-back.
#include "tests/exchange/export_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <fstream>

#include "testkit/full_room_body.h"

std::vector<TestBody> testBodies()
{
    std::vector<TestBody> bodies;
    const auto box = [](BodyBuilder& b, int16_t x, int16_t y, int16_t z, int16_t size) {
        const int first = static_cast<int>(b.points.size());
        for (int i = 0; i < 4; ++i) {
            b.addPoint(static_cast<int16_t>(x + (i & 1 ? size : 0)), static_cast<int16_t>(y + (i & 2 ? size : 0)), z);
        }
        return first;
    };
    {
        // Bone 1 names bone 2, later in the table, as its parent.
        BodyBuilder b;
        const int a = box(b, -50, 0, 0, 100), c = box(b, 0, 40, 10, 60), d = box(b, 10, 80, -20, 50);
        b.addBone(a, 4, 0, -1);
        b.addBone(c, 4, d + 1, 2, 100, 200);
        b.addBone(d, 4, a + 3, 0, 30, 50);
        b.addPolygon(1, 20, {a, a + 1, a + 3, a + 2});
        b.addPolygon(2, 40, {c, c + 1, c + 3, c + 2});
        b.addPolygon(3, 60, {d, d + 1, d + 3, d + 2});
        bodies.push_back({"later parent", b, b.build()});
    }
    {
        // Bone 1 is skipped (type 2): its points stay where a fresh viewer has them.
        BodyBuilder b;
        const int a = box(b, 0, 0, 0, 100), c = box(b, 20, 20, 30, 40), d = box(b, 0, 100, 0, 70);
        b.addBone(a, 4, 0, -1);
        b.addBone(c, 4, a, 0, 0, 0, 2);
        b.addBone(d, 4, a + 2, 0, 64, 0);
        b.addPolygon(1, 20, {a, a + 1, a + 3, a + 2});
        b.addPolygon(1, 40, {c, c + 1, c + 3, c + 2});
        b.addPolygon(1, 60, {d, d + 1, d + 3, d + 2});
        bodies.push_back({"skipped bone", b, b.build()});
    }
    {
        // Every colour path: translucent, shaded flat, smooth, flat beyond 10, and degenerate polygons.
        BodyBuilder b;
        const int a = box(b, 0, 0, 0, 100), c = box(b, 0, 0, 50, 100);
        b.addBone(a, 8, 0, -1);
        const int n0 = b.addNormal(0, 0, 100, 400);
        const int n1 = b.addNormal(0, 100, 0, 200);
        b.addPolygon(5, 17, {a, a + 1, a + 3, a + 2});
        b.addShadedPolygon(7, 48, static_cast<int16_t>(n0), {c, c + 1, c + 3, c + 2});
        b.addVertexShadedPolygon(9, 250, {{n0, a}, {n1, a + 1}, {n0, c + 1}});
        b.addVertexShadedPolygon(12, 99, {{n1, c}, {n1, c + 2}, {n1, a + 2}});
        b.addPolygon(1, 5, {a, a + 1});
        bodies.push_back({"translucent and colours", b, b.build()});
    }
    {
        BodyBuilder b;
        const int a = box(b, -30, 0, 0, 60), c = box(b, 0, 60, 0, 30);
        b.addBone(a, 4, 0, -1);
        b.addBone(c, 4, a + 3, 0, 0, 300);
        for (int i = 0; i < 4; ++i) b.addLine(static_cast<uint8_t>(30 + i), a + i, c + (i + 1) % 4);
        bodies.push_back({"lines only", b, b.build()});
    }
    {
        BodyBuilder b;
        const int a = box(b, 0, 0, 0, 100);
        b.addBone(a, 4, 0, -1);
        b.addBone(a + 2, 2, a + 1, 0, 200, 0);
        b.addSphere(70, 40, a);
        b.addSphere(80, -25, a + 2);
        b.addSphere(90, 0, a + 3);
        bodies.push_back({"spheres only", b, b.build()});
    }
    bodies.push_back({"full room", BodyBuilder{}, fullRoomBody(1)});
    return bodies;
}

TestArchive::TestArchive(const std::vector<std::vector<uint8_t>>& entries)
{
    archive = folder.file("body.ZRK");
    palette = folder.file("palette.dmp");
    EXPECT_TRUE(folder.write("body.ZRK", archiveOf(entries)));
    EXPECT_TRUE(folder.write("palette.dmp", testPalette()));
}

std::map<int, nlohmann::json> dumpFrames(const std::string& archive, int entry, const std::vector<int>& frames,
                                         bool autoRotate)
{
    int last = 0;
    for (int f : frames) last = std::max(last, f);
    const CommandRun run = runTool("dump '" + archive + "' " + std::to_string(entry) + " --frames " +
                                   std::to_string(last) + (autoRotate ? " --auto-rotate" : ""));
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = linesOf(run.out);
    std::map<int, nlohmann::json> out;
    for (const int frame : frames)
        if (frame >= 1 && static_cast<size_t>(frame) <= lines.size())
            out[frame] = nlohmann::json::parse(lines[frame - 1]);
    return out;
}

std::vector<double> accessorValues(const tinygltf::Model& model, int index)
{
    const tinygltf::Accessor& a = model.accessors.at(static_cast<size_t>(index));
    const tinygltf::BufferView& view = model.bufferViews.at(static_cast<size_t>(a.bufferView));
    const tinygltf::Buffer& buffer = model.buffers.at(static_cast<size_t>(view.buffer));
    const int components = tinygltf::GetNumComponentsInType(static_cast<uint32_t>(a.type));
    const int size = tinygltf::GetComponentSizeInBytes(static_cast<uint32_t>(a.componentType));
    const int stride = a.ByteStride(view);
    std::vector<double> out;
    for (size_t i = 0; i < a.count; ++i) {
        const size_t at = view.byteOffset + a.byteOffset + i * static_cast<size_t>(stride);
        for (int c = 0; c < components; ++c) {
            const size_t p = at + static_cast<size_t>(c * size);
            if (p + static_cast<size_t>(size) > buffer.data.size()) {
                ADD_FAILURE() << "accessor " << index << " reads past its buffer";
                return out;
            }
            const unsigned char* b = &buffer.data[p];
            switch (a.componentType) {
            case TINYGLTF_COMPONENT_TYPE_FLOAT: {
                float f;
                std::memcpy(&f, b, 4);
                out.push_back(f);
                break;
            }
            case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
                out.push_back(b[0] | (b[1] << 8));
                break;
            case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
                out.push_back(b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24));
                break;
            case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
                out.push_back(a.normalized ? b[0] / 255.0 : b[0]);
                break;
            default:
                ADD_FAILURE() << "unexpected component type " << a.componentType;
                return out;
            }
        }
    }
    return out;
}

namespace {

using Mat4 = std::array<double, 16>;  // column-major, as glTF

Mat4 multiply(const Mat4& a, const Mat4& b)
{
    Mat4 r{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k)
                r[static_cast<size_t>(col * 4 + row)] +=
                    a[static_cast<size_t>(k * 4 + row)] * b[static_cast<size_t>(col * 4 + k)];
    return r;
}

Mat4 localMatrix(const tinygltf::Node& node)
{
    if (node.matrix.size() == 16) {
        Mat4 m;
        for (size_t i = 0; i < 16; ++i) m[i] = node.matrix[i];
        return m;
    }
    double x = 0, y = 0, z = 0, w = 1;
    if (node.rotation.size() == 4) {
        x = node.rotation[0];
        y = node.rotation[1];
        z = node.rotation[2];
        w = node.rotation[3];
    }
    Mat4 m = {1 - 2 * (y * y + z * z),
              2 * (x * y + z * w),
              2 * (x * z - y * w),
              0,
              2 * (x * y - z * w),
              1 - 2 * (x * x + z * z),
              2 * (y * z + x * w),
              0,
              2 * (x * z + y * w),
              2 * (y * z - x * w),
              1 - 2 * (x * x + y * y),
              0,
              0,
              0,
              0,
              1};
    if (node.scale.size() == 3) {
        for (size_t c = 0; c < 3; ++c)
            for (size_t r = 0; r < 3; ++r) m[c * 4 + r] *= node.scale[c];
    }
    if (node.translation.size() == 3) {
        m[12] = node.translation[0];
        m[13] = node.translation[1];
        m[14] = node.translation[2];
    }
    return m;
}

// The skinned mesh's primitives: each vertex moved by its joint.
void readSkinned(const tinygltf::Model& m, ReadBack* out, const std::vector<Mat4>& jointMatrix,
                 const std::vector<double>& inverse)
{
    for (const tinygltf::Primitive& p : m.meshes[static_cast<size_t>(out->skinnedMesh)].primitives) {
        const std::vector<double> pos = accessorValues(m, p.attributes.at("POSITION"));
        const std::vector<double> joints = accessorValues(m, p.attributes.at("JOINTS_0"));
        const std::vector<double> weights = accessorValues(m, p.attributes.at("WEIGHTS_0"));
        const std::vector<double> points = accessorValues(m, p.attributes.at("_POINT"));
        std::vector<std::array<double, 3>> posed, bind;
        std::vector<int> vertexJoints, vertexPoints;
        std::vector<double> reach;
        for (size_t v = 0; v < pos.size() / 3; ++v) {
            EXPECT_EQ(weights[v * 4], 1.0);
            const auto j = static_cast<size_t>(joints[v * 4]);
            const Mat4& jm = jointMatrix.at(j);
            const double x = pos[v * 3], y = pos[v * 3 + 1], z = pos[v * 3 + 2];
            posed.push_back({jm[0] * x + jm[4] * y + jm[8] * z + jm[12], jm[1] * x + jm[5] * y + jm[9] * z + jm[13],
                             jm[2] * x + jm[6] * y + jm[10] * z + jm[14]});
            bind.push_back({x, y, z});
            reach.push_back((std::fabs(x + inverse[j * 16 + 12]) + std::fabs(y + inverse[j * 16 + 13]) +
                             std::fabs(z + inverse[j * 16 + 14])) /
                            0.0025);
            vertexJoints.push_back(static_cast<int>(j));
            vertexPoints.push_back(static_cast<int>(points[v]));
        }
        out->posed.push_back(std::move(posed));
        out->bind.push_back(std::move(bind));
        out->joints.push_back(std::move(vertexJoints));
        out->points.push_back(std::move(vertexPoints));
        out->reach.push_back(std::move(reach));
    }
}

}  // namespace

bool readBack(const std::string& path, ReadBack* out)
{
    tinygltf::TinyGLTF loader;
    std::string err, warn;
    const bool binary = path.size() > 4 && path.substr(path.size() - 4) == ".glb";
    const bool ok = binary ? loader.LoadBinaryFromFile(&out->model, &err, &warn, path)
                           : loader.LoadASCIIFromFile(&out->model, &err, &warn, path);
    EXPECT_TRUE(ok) << path << ": " << err;
    EXPECT_EQ(warn, "") << path;
    if (!ok) return false;
    const tinygltf::Model& m = out->model;
    {
        // tinygltf keeps extras as its own values; the JSON is easier to walk from the file itself.
        std::ifstream file(path, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        std::string json = bytes;
        if (binary) {
            uint32_t length = 0;
            std::memcpy(&length, bytes.data() + 12, 4);
            json = bytes.substr(20, length);
        }
        out->extras = nlohmann::json::parse(json)["scenes"][0]["extras"]["orvane"];
    }

    // World matrices from the scene's roots down.
    std::vector<Mat4> world(m.nodes.size());
    std::vector<int> parent(m.nodes.size(), -1);
    for (size_t n = 0; n < m.nodes.size(); ++n)
        for (int c : m.nodes[n].children) parent[static_cast<size_t>(c)] = static_cast<int>(n);
    std::vector<bool> done(m.nodes.size(), false);
    std::function<void(size_t)> place = [&](size_t n) {
        if (done[n]) return;
        if (parent[n] >= 0) {
            place(static_cast<size_t>(parent[n]));
            world[n] = multiply(world[static_cast<size_t>(parent[n])], localMatrix(m.nodes[n]));
        } else {
            world[n] = localMatrix(m.nodes[n]);
        }
        done[n] = true;
    };
    for (size_t n = 0; n < m.nodes.size(); ++n) place(n);

    const tinygltf::Skin& skin = m.skins.at(0);
    const std::vector<double> inverse = accessorValues(m, skin.inverseBindMatrices);
    std::vector<Mat4> jointMatrix;
    for (size_t j = 0; j < skin.joints.size(); ++j) {
        Mat4 ibm;
        for (size_t i = 0; i < 16; ++i) ibm[i] = inverse[j * 16 + i];
        jointMatrix.push_back(multiply(world[static_cast<size_t>(skin.joints[j])], ibm));
        int depth = 0;
        for (int n = skin.joints[j]; n >= 0; n = parent[static_cast<size_t>(n)]) ++depth;
        out->jointDepth.push_back(depth);
    }
    std::vector<size_t> lineNodes;  // read after the skinned mesh: their primitives are numbered after its
    std::vector<int> jointOfNode(m.nodes.size(), -1);
    for (size_t j = 0; j < skin.joints.size(); ++j)
        jointOfNode.at(static_cast<size_t>(skin.joints[j])) = static_cast<int>(j);
    for (size_t n = 0; n < m.nodes.size(); ++n) {
        const tinygltf::Node& node = m.nodes[n];
        if (node.mesh < 0) continue;
        if (node.skin >= 0) {
            EXPECT_EQ(out->skinnedMesh, -1) << "one skinned mesh";
            out->skinnedMesh = node.mesh;
            continue;
        }
        if (node.name.rfind("lines_", 0) == 0) {
            lineNodes.push_back(n);
            continue;
        }
        SphereBack s;
        s.node = static_cast<int>(n);
        s.mesh = node.mesh;
        s.joint = parent[n] >= 0 ? jointOfNode[static_cast<size_t>(parent[n])] : -1;
        s.world = world[n];
        const std::vector<double> pos =
            accessorValues(m, m.meshes.at(static_cast<size_t>(node.mesh)).primitives.at(0).attributes.at("POSITION"));
        const Mat4& w = world[n];
        for (size_t v = 0; v + 2 < pos.size(); v += 3) {
            const double x = pos[v], y = pos[v + 1], z = pos[v + 2];
            s.posed.push_back({w[0] * x + w[4] * y + w[8] * z + w[12], w[1] * x + w[5] * y + w[9] * z + w[13],
                               w[2] * x + w[6] * y + w[10] * z + w[14]});
        }
        out->spheres.push_back(std::move(s));
    }
    if (out->skinnedMesh >= 0) readSkinned(m, out, jointMatrix, inverse);
    // A line mesh under a joint holds bind positions, moved by its node and the joint; the posed
    // one at the root holds the frame's points as they are.
    for (const size_t n : lineNodes) {
        const tinygltf::Primitive& p = m.meshes.at(static_cast<size_t>(m.nodes[n].mesh)).primitives.at(0);
        EXPECT_EQ(p.mode, TINYGLTF_MODE_LINE);
        const std::vector<double> pos = accessorValues(m, p.attributes.at("POSITION"));
        const std::vector<double> points = accessorValues(m, p.attributes.at("_POINT"));
        const int joint = parent[n] >= 0 ? jointOfNode[static_cast<size_t>(parent[n])] : 0;
        const Mat4& w = world[n];
        std::vector<std::array<double, 3>> posed, bind;
        std::vector<int> vertexJoints, vertexPoints;
        std::vector<double> reach;
        for (size_t v = 0; v < pos.size() / 3; ++v) {
            const double x = pos[v * 3], y = pos[v * 3 + 1], z = pos[v * 3 + 2];
            posed.push_back({w[0] * x + w[4] * y + w[8] * z + w[12], w[1] * x + w[5] * y + w[9] * z + w[13],
                             w[2] * x + w[6] * y + w[10] * z + w[14]});
            bind.push_back({x, y, z});
            const auto j = static_cast<size_t>(joint) * 16;
            reach.push_back(parent[n] < 0 ? 0.0
                                          : (std::fabs(x + inverse[j + 12]) + std::fabs(y + inverse[j + 13]) +
                                             std::fabs(z + inverse[j + 14])) /
                                                0.0025);
            vertexJoints.push_back(joint);
            vertexPoints.push_back(static_cast<int>(points[v]));
        }
        out->posed.push_back(std::move(posed));
        out->bind.push_back(std::move(bind));
        out->joints.push_back(std::move(vertexJoints));
        out->points.push_back(std::move(vertexPoints));
        out->reach.push_back(std::move(reach));
    }
    return true;
}

const SphereBack* ReadBack::sphereAt(int node) const
{
    for (const SphereBack& s : spheres) {
        if (s.node == node) return &s;
    }
    ADD_FAILURE() << "no sphere node " << node;
    return nullptr;
}
