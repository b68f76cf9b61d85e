// foreign_models.cpp: the sample-style models, buffer by buffer, with min and max on positions
// and a sampler on every texture as the sample models have them.
#include "foreign_models.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "import_test_support.h"
#include "tests/support/run_command.h"

namespace {

using Json = nlohmann::json;

struct Mesh {
    std::vector<std::array<float, 3>> positions, normals;
    std::vector<std::array<float, 2>> uvs;
    std::vector<int> face;  // per vertex: its face (box) or its band (ball)
    std::vector<uint16_t> indices;
};

// The box: 1 unit across, four corners per face, each with the face's normal; face f's texture
// coordinates inside the middle of texel f % 4 of a 2 x 2 picture.
Mesh box()
{
    Mesh m;
    const int axes[6][3] = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    for (int f = 0; f < 6; ++f) {
        const std::array<float, 3> n = {float(axes[f][0]), float(axes[f][1]), float(axes[f][2])};
        // Two directions across the face, u x v = n, so the corners run counter-clockwise about n.
        const std::array<float, 3> u = {std::fabs(n[0]) > 0 ? 0.f : 1.f, std::fabs(n[0]) > 0 ? 1.f : 0.f, 0};
        const std::array<float, 3> v = {n[1] * u[2] - n[2] * u[1], n[2] * u[0] - n[0] * u[2],
                                        n[0] * u[1] - n[1] * u[0]};
        const float tu = (f % 2) * 0.5f + 0.25f, tv = ((f % 4) / 2) * 0.5f + 0.25f;
        const int base = static_cast<int>(m.positions.size());
        for (const auto& [a, b] : {std::pair{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}) {
            m.positions.push_back({0.5f * (n[0] + a * u[0] + b * v[0]), 0.5f * (n[1] + a * u[1] + b * v[1]),
                                   0.5f * (n[2] + a * u[2] + b * v[2])});
            m.normals.push_back(n);
            m.uvs.push_back({tu + a * 0.1f, tv + b * 0.1f});
            m.face.push_back(f);
        }
        for (const int k : {0, 1, 2, 0, 2, 3}) m.indices.push_back(static_cast<uint16_t>(base + k));
    }
    return m;
}

// The ball: 8 slices, 5 rings and two poles, each vertex shared by its faces, normal = position.
Mesh ball()
{
    Mesh m;
    const double pi = 3.141592653589793;
    m.positions.push_back({0, 0.5f, 0});
    for (int ring = 1; ring <= 5; ++ring) {
        for (int s = 0; s < 8; ++s) {
            const double t = pi * ring / 6, p = 2 * pi * s / 8;
            m.positions.push_back({float(0.5 * std::sin(t) * std::cos(p)), float(0.5 * std::cos(t)),
                                   float(-0.5 * std::sin(t) * std::sin(p))});
        }
    }
    m.positions.push_back({0, -0.5f, 0});
    for (const auto& p : m.positions) {
        m.normals.push_back({2 * p[0], 2 * p[1], 2 * p[2]});
        m.uvs.push_back({0.25f, 0.25f});
        m.face.push_back(0);
    }
    const auto at = [](int ring, int s) { return static_cast<uint16_t>(1 + (ring - 1) * 8 + s % 8); };
    for (int s = 0; s < 8; ++s) {
        for (const uint16_t i : {uint16_t(0), at(1, s), at(1, s + 1)}) m.indices.push_back(i);
        for (int ring = 1; ring < 5; ++ring) {
            for (const uint16_t i :
                 {at(ring, s), at(ring + 1, s), at(ring + 1, s + 1), at(ring, s), at(ring + 1, s + 1), at(ring, s + 1)})
                m.indices.push_back(i);
        }
        for (const uint16_t i : {uint16_t(41), at(5, s + 1), at(5, s)}) m.indices.push_back(i);
    }
    return m;
}

double linearOf(int entry, size_t c)
{
    const double d = demoPaletteColours()[entry][c] / 255.0;
    return d <= 0.04045 ? d / 12.92 : std::pow((d + 0.055) / 1.055, 2.4);
}

// A picture of 2 x 2 blocks of `side` pixels in sampleColours (or white), by ImageMagick.
Bytes picture(const TempDir& dir, const char* name, int side, bool white)
{
    std::string blocks[4];
    for (int i = 0; i < 4; ++i) {
        const uint8_t* c = demoPaletteColours()[sampleColours[i]];
        blocks[i] =
            white ? "xc:white"
                  : "'xc:rgb(" + std::to_string(c[0]) + "," + std::to_string(c[1]) + "," + std::to_string(c[2]) + ")'";
    }
    const std::string size = std::to_string(side) + "x" + std::to_string(side);
    const CommandRun run = runCommand("cd '" + dir.path() + "' && convert -size " + size + " \\( " + blocks[0] + " " +
                                      blocks[1] + " +append \\) \\( " + blocks[2] + " " + blocks[3] +
                                      " +append \\) -append -quality 100 "
                                      "-sampling-factor 1x1 " +
                                      name);
    if (run.status != 0) return {};
    return dir.read(name);
}

// Appends `bytes` as a buffer view (4-byte aligned); returns its index.
int addView(Json& j, Bytes& bin, const Bytes& bytes)
{
    while (bin.size() % 4 != 0) bin.push_back(0);
    j["bufferViews"].push_back({{"buffer", 0}, {"byteOffset", bin.size()}, {"byteLength", bytes.size()}});
    bin.insert(bin.end(), bytes.begin(), bytes.end());
    return static_cast<int>(j["bufferViews"].size()) - 1;
}

template <size_t N>
int addFloats(Json& j, Bytes& bin, const std::vector<std::array<float, N>>& values, bool bounds = false)
{
    Bytes bytes;
    std::array<float, N> lo = values[0], hi = values[0];
    for (const auto& v : values) {
        for (size_t k = 0; k < N; ++k) {
            putFloats(bytes, {v[k]});
            lo[k] = std::min(lo[k], v[k]);
            hi[k] = std::max(hi[k], v[k]);
        }
    }
    const char* type = N == 16 ? "MAT4" : N == 4 ? "VEC4" : N == 3 ? "VEC3" : N == 2 ? "VEC2" : "SCALAR";
    Json a = {
        {"bufferView", addView(j, bin, bytes)}, {"componentType", 5126}, {"count", values.size()}, {"type", type}};
    if (bounds) {
        a["min"] = lo;
        a["max"] = hi;
    }
    j["accessors"].push_back(a);
    return static_cast<int>(j["accessors"].size()) - 1;
}

}  // namespace

std::string writeSampleModel(const TempDir& dir, const SampleModel& model)
{
    Mesh m = model.ball ? ball() : box();
    Json j = {{"asset", {{"version", "2.0"}, {"generator", "orvane tests, after the glTF sample models"}}},
              {"scene", 0},
              {"scenes", {{{"nodes", {0}}}}},
              {"bufferViews", Json::array()},
              {"accessors", Json::array()}};
    Bytes bin;
    std::vector<std::array<float, 3>> positions = m.positions;
    if (model.sparse) {
        for (auto& p : positions) p[1] = std::min(p[1], 0.5f);
    }
    Json attributes = {{"POSITION", addFloats(j, bin, positions, true)},
                       {"NORMAL", addFloats(j, bin, m.normals)},
                       {"TEXCOORD_0", addFloats(j, bin, m.uvs)}};
    if (model.sparse) {
        // As the sparse sample does: indices and values in their own views, the dense data below.
        Bytes indices, values;
        for (size_t v = 0; v < m.positions.size(); ++v) {
            if (m.face[v] != 4 || model.ball) continue;
            putU16s(indices, {static_cast<uint16_t>(v)});
            putFloats(values, {m.positions[v][0], 1.0f, m.positions[v][2]});
        }
        Json& a = j["accessors"][attributes["POSITION"].get<int>()];
        a["max"][1] = 1.0;
        a["sparse"] = {{"count", indices.size() / 2},
                       {"indices", {{"bufferView", addView(j, bin, indices)}, {"componentType", 5123}}},
                       {"values", {{"bufferView", addView(j, bin, values)}}}};
    }
    if (model.vertexColours) {
        std::vector<std::array<float, 4>> colours;
        for (const int f : m.face) {
            const int e = sampleColours[f % 4];
            colours.push_back({float(linearOf(e, 0)), float(linearOf(e, 1)), float(linearOf(e, 2)), 1});
        }
        attributes["COLOR_0"] = addFloats(j, bin, colours);
    }
    if (model.extras) attributes["TEXCOORD_1"] = attributes["TEXCOORD_0"];
    Bytes indexBytes;
    for (const uint16_t i : m.indices) putU16s(indexBytes, {i});
    j["accessors"].push_back({{"bufferView", addView(j, bin, indexBytes)},
                              {"componentType", 5123},
                              {"count", m.indices.size()},
                              {"type", "SCALAR"}});
    Json primitive = {{"attributes", attributes}, {"indices", j["accessors"].size() - 1}, {"material", 0}, {"mode", 4}};

    Json material = {{"name", "sample"}, {"pbrMetallicRoughness", {{"metallicFactor", 0}}}};
    if (model.factor >= 0)
        material["pbrMetallicRoughness"]["baseColorFactor"] = {linearOf(model.factor, 0), linearOf(model.factor, 1),
                                                               linearOf(model.factor, 2), 1};
    if (model.unlit) {
        material["extensions"] = {{"KHR_materials_unlit", Json::object()}};
        j["extensionsUsed"].push_back("KHR_materials_unlit");
    }
    const bool gltf = model.texture == SampleTexture::jpegBeside;
    if (model.texture != SampleTexture::none) {
        material["pbrMetallicRoughness"]["baseColorTexture"] = {{"index", 0}};
        j["samplers"] = {{{"magFilter", 9728}, {"minFilter", 9986}, {"wrapS", 10497}, {"wrapT", 10497}}};
        j["textures"] = {{{"sampler", 0}, {"source", 0}}};
        if (gltf) {
            picture(dir, "texture.jpg", 16, model.whiteTexture);
            j["images"] = {{{"uri", "texture.jpg"}}};
        } else {
            j["images"] = {{{"bufferView", addView(j, bin, picture(dir, "texture.png", 1, model.whiteTexture))},
                            {"mimeType", "image/png"}}};
        }
    }
    j["materials"] = {material};

    Json mesh = {{"name", "sample"}, {"primitives", {primitive}}};
    j["nodes"] = {{{"name", "model"}, {"mesh", 0}}};
    if (model.skinned) {
        // RiggedSimple's way: the mesh node beside its joints; the top face (the ball's top half) on joint 1.
        std::vector<std::array<float, 4>> joints, weights;
        for (size_t v = 0; v < m.positions.size(); ++v) {
            joints.push_back({(model.ball ? m.positions[v][1] > 0 : m.face[v] == 4) ? 1.f : 0.f, 0, 0, 0});
            weights.push_back({1, 0, 0, 0});
        }
        Bytes jointBytes;
        for (const auto& jt : joints) putU16s(jointBytes, {static_cast<uint16_t>(jt[0]), 0, 0, 0});
        j["accessors"].push_back({{"bufferView", addView(j, bin, jointBytes)},
                                  {"componentType", 5123},
                                  {"count", joints.size()},
                                  {"type", "VEC4"}});
        mesh["primitives"][0]["attributes"]["JOINTS_0"] = j["accessors"].size() - 1;
        mesh["primitives"][0]["attributes"]["WEIGHTS_0"] = addFloats(j, bin, weights);
        std::vector<std::array<float, 16>> inverse = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},
                                                      {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
        const float s = std::sqrt(0.5f);
        j["nodes"] = {{{"name", "model"}, {"mesh", 0}, {"skin", 0}},
                      {{"name", "hip"}, {"children", {2}}},
                      {{"name", "turned"}, {"rotation", {s, 0, 0, s}}}};
        j["scenes"][0]["nodes"] = {0, 1};
        j["skins"] = {{{"joints", {1, 2}}, {"inverseBindMatrices", addFloats(j, bin, inverse)}}};
    }
    j["meshes"] = {mesh};
    if (model.extras) {
        j["meshes"][0]["primitives"][0]["targets"] = {{{"POSITION", attributes["POSITION"]}}};
        // Two animations that hold the node still: a key at 0 and 1 s, both unturned.
        const std::vector<std::array<float, 1>> times = {{0}, {1}};
        const int input = addFloats(j, bin, times, true);
        const int output = addFloats(j, bin, std::vector<std::array<float, 4>>{{0, 0, 0, 1}, {0, 0, 0, 1}});
        const Json still = {{"channels", {{{"sampler", 0}, {"target", {{"node", 0}, {"path", "rotation"}}}}}},
                            {"samplers", {{{"input", input}, {"output", output}}}}};
        j["animations"] = {still, still};
        j["cameras"] = {{{"type", "perspective"}, {"perspective", {{"yfov", 0.8}, {"znear", 0.1}}}}};
        j["extensionsUsed"].push_back("KHR_lights_punctual");
        j["extensions"] = {
            {"KHR_lights_punctual",
             {{"lights",
               {{{"type", "point"}}, {{"type", "spot"}, {"spot", Json::object()}}, {{"type", "directional"}}}}}}};
    }
    while (bin.size() % 4 != 0) bin.push_back(0);
    if (gltf) {
        j["buffers"] = {{{"byteLength", bin.size()}, {"uri", "model.bin"}}};
        dir.write("model.bin", bin);
        const std::string text = j.dump(1);
        dir.write("model.gltf", Bytes(text.begin(), text.end()));
        return dir.file("model.gltf");
    }
    j["buffers"] = {{{"byteLength", bin.size()}}};
    dir.write("model.glb", glbOf(j.dump(), bin));
    return dir.file("model.glb");
}
