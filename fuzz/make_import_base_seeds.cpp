// make_import_base_seeds.cpp: writes seed inputs of the import_base fuzz harness: each demo body's
// export read against that body (picked by the first byte), a few sample bodies given inline as
// the base, and edits the import accepts (a point moved or added, faces recoloured or deleted, a
// bone turned, the extras stripped as editors strip them), so that fuzzing starts from accepted paths.
// usage: make_import_base_seeds DIR
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "demo/demo_data.h"
#include "exchange/glb.h"
#include "exchange/gltf_export.h"
#include "support/file_io.h"
#include "testkit/sample_bodies.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Json = nlohmann::json;

// A GLB taken apart for editing.
struct Glb {
    Json json;
    Bytes bin;

    explicit Glb(const Bytes& glb)
    {
        bool haveBin = false;
        const auto onJson = [&](const uint8_t* text, size_t size) {
            json = Json::parse(text, text + size);
            return noFault();
        };
        if (readGlb(glb, onJson, &bin, &haveBin)) std::abort();
    }
    Bytes bytes() const
    {
        std::string text = json.dump();
        Bytes out;
        uint8_t* at = frameGlb(text, (bin.size() + 3) & ~size_t{3}, &out);
        std::memcpy(at, bin.data(), bin.size());
        return out;
    }
    // Component `component` of element `element` of a float accessor, read or written in place.
    void editFloat(int accessor, int64_t element, int component, const std::function<void(float&)>& edit)
    {
        const Json& a = json["accessors"][accessor];
        const Json& view = json["bufferViews"][a["bufferView"].get<int>()];
        const int64_t components = a["type"] == "SCALAR" ? 1 : a["type"] == "VEC2" ? 2 : 3;
        const int64_t stride = view.value("byteStride", components * 4);
        const auto at = static_cast<size_t>(view.value("byteOffset", int64_t{0}) + a.value("byteOffset", int64_t{0}) +
                                            element * stride + component * 4);
        float value;
        std::memcpy(&value, &bin[at], 4);
        edit(value);
        std::memcpy(&bin[at], &value, 4);
    }
};

Bytes exportOf(const Bytes& body, bool json = false)
{
    static uint8_t palette[256][3];
    const Bytes paletteBytes = demoPalette();
    for (size_t i = 0; i < paletteBytes.size() && i < 768; ++i) palette[i / 3][i % 3] = paletteBytes[i];
    PosedBody posed;
    if (poseBody(body.data(), body.size(), 0, &posed)) return {};
    ExportOptions options;
    options.archiveName = "body.ZRK";
    options.palette = palette;
    if (!json) return writeGlb(posed, options);
    const std::string text = writeGltf(posed, options);
    return Bytes(text.begin(), text.end());
}

// Every vertex of the skinned mesh that names the point the first one names, moved along x.
void movePoint(Glb& g)
{
    int point = -1;
    std::set<int> done;  // primitives may share their vertices
    for (const Json& p : g.json["meshes"][0]["primitives"]) {
        if (!p["attributes"].contains("TEXCOORD_0") || !done.insert(p["attributes"]["POSITION"].get<int>()).second)
            continue;
        const int positions = p["attributes"]["POSITION"].get<int>(), ids = p["attributes"]["TEXCOORD_0"].get<int>();
        for (int64_t v = 0; v < g.json["accessors"][positions]["count"].get<int64_t>(); ++v) {
            bool named = false;
            g.editFloat(ids, v, 0, [&](float& u) {
                if (point < 0) point = static_cast<int>(u);
                named = u == static_cast<float>(point);
            });
            if (named) g.editFloat(positions, v, 0, [](float& x) { x += 0.01f; });
        }
    }
}

// The first vertex names a point between two: a new point on its joint, where it is.
void newPoint(Glb& g)
{
    const Json& p = g.json["meshes"][0]["primitives"][0];
    if (p["attributes"].contains("TEXCOORD_0"))
        g.editFloat(p["attributes"]["TEXCOORD_0"].get<int>(), 0, 0, [](float& u) { u += 0.5f; });
}

void recolour(Glb& g)
{
    g.json["materials"].push_back({{"name", "palette_077"}});
    g.json["meshes"][0]["primitives"][0]["material"] = g.json["materials"].size() - 1;
}

void deleteFaces(Glb& g)
{
    Json& primitives = g.json["meshes"][0]["primitives"];
    if (primitives.size() > 1) primitives.erase(primitives.size() - 1);
}

// The first joint under the root turned a quarter about its parent's x.
void turnBone(Glb& g)
{
    for (Json& n : g.json["nodes"]) {
        const std::string name = n.value("name", "");
        if (!n.contains("rotation") || !name.starts_with("bone_") || name == "bone_0") continue;
        const Json& r = n["rotation"];
        const double h = std::sqrt(0.5), x = r[0], y = r[1], z = r[2], w = r[3];
        n["rotation"] = {h * (w + x), h * (y - z), h * (z + y), h * (w - x)};
        return;
    }
}

// What an editor that keeps only standard data writes again.
void strip(Glb& g)
{
    g.json["scenes"][0].erase("extras");
    for (Json& m : g.json["meshes"]) {
        for (Json& p : m["primitives"]) p["attributes"].erase("_POINT");
    }
}

bool writeSeed(const std::filesystem::path& path, const Bytes& head, const Bytes& model)
{
    Bytes bytes = head;
    bytes.insert(bytes.end(), model.begin(), model.end());
    return !model.empty() && !writeFileBytes(path.string(), bytes);
}

// The header that gives the base inline.
Bytes inlineBase(const Bytes& base)
{
    Bytes head = {0x80, static_cast<uint8_t>(base.size()), static_cast<uint8_t>(base.size() >> 8)};
    head.insert(head.end(), base.begin(), base.end());
    return head;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_import_base_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = std::filesystem::path(argv[1]) / "import_base";
    std::filesystem::create_directories(dir);
    const std::vector<DemoBody> bodies = demoBodies();
    if (bodies.empty()) return 1;
    const std::vector<std::pair<const char*, std::function<void(Glb&)>>> edits = {
        {"moved", movePoint},     {"new_point", newPoint}, {"recoloured", recolour},
        {"deleted", deleteFaces}, {"turned", turnBone},    {"stripped", strip},
    };
    bool ok = true;
    for (size_t i = 0; i < bodies.size(); ++i) {
        const std::string name = "demo" + std::to_string(i);
        const Bytes head = {static_cast<uint8_t>(i)};
        const Bytes glb = exportOf(bodies[i].bytes);
        ok &= writeSeed(dir / (name + ".glb"), head, glb);
        for (const auto& [edit, apply] : edits) {
            Glb g(glb);
            apply(g);
            ok &= writeSeed(dir / (name + "_" + edit + ".glb"), head, g.bytes());
        }
    }
    ok &= writeSeed(dir / "demo3.gltf", {3}, exportOf(bodies[3].bytes, true));
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        const Bytes body = sampleBody(seed);
        if (body.size() > 0xFFFF) continue;
        const Bytes glb = exportOf(body);
        ok &= writeSeed(dir / ("sample" + std::to_string(seed) + ".glb"), inlineBase(body), glb);
        Glb g(glb);
        movePoint(g);
        recolour(g);
        ok &= writeSeed(dir / ("sample" + std::to_string(seed) + "_edited.glb"), inlineBase(body), g.bytes());
    }
    return ok ? 0 : 1;
}
