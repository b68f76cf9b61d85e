// gltf_drops.cpp: counts over the document's JSON only; nothing here reads a buffer.
#include "exchange/gltf_drops.h"

#include <set>

namespace {

size_t arraySize(const GltfJson& object, const char* name)
{
    const GltfJson* a = gltfArray(object, name);
    return a != nullptr ? a->size() : 0;
}

std::string counted(size_t n, const char* one, const char* many, const char* rest)
{
    return std::to_string(n) + " " + (n == 1 ? one : many) + " dropped" + rest;
}

// The texture coordinate set a material's base colour is sampled with (0 when it has none).
int64_t baseColourSet(const GltfDocument& doc, const GltfJson& primitive)
{
    int64_t material = 0, set = 0;
    if (!gltfInteger(primitive, "material", &material)) return 0;
    const GltfJson* m = gltfItem(doc, "materials", material);
    const GltfJson* pbr = m != nullptr ? gltfField(*m, "pbrMetallicRoughness") : nullptr;
    const GltfJson* texture = pbr != nullptr ? gltfField(*pbr, "baseColorTexture") : nullptr;
    return texture != nullptr && gltfInteger(*texture, "texCoord", &set) ? set : 0;
}

}  // namespace

std::vector<std::string> gltfDropNotes(const GltfDocument& doc)
{
    std::vector<std::string> notes;
    if (const size_t n = arraySize(doc.json, "animations"))
        notes.push_back(counted(n, "animation", "animations", ": the body keeps the pose the file is in"));
    size_t targets = 0, extraSets = 0;
    if (const GltfJson* meshes = gltfArray(doc.json, "meshes")) {
        for (const GltfJson& mesh : *meshes) {
            const GltfJson* primitives = gltfArray(mesh, "primitives");
            if (primitives == nullptr) continue;
            for (const GltfJson& p : *primitives) {
                targets += arraySize(p, "targets");
                const GltfJson* attributes = gltfField(p, "attributes");
                if (attributes == nullptr || !attributes->is_object()) continue;
                const int64_t used = baseColourSet(doc, p);
                for (const auto& item : attributes->items()) {
                    if (item.key().rfind("TEXCOORD_", 0) == 0 && item.key() != "TEXCOORD_" + std::to_string(used))
                        ++extraSets;
                }
            }
        }
    }
    if (targets > 0) notes.push_back(counted(targets, "morph target", "morph targets", ": the base shape is kept"));
    if (const size_t n = arraySize(doc.json, "cameras")) notes.push_back(counted(n, "camera", "cameras", ""));
    const GltfJson* extensions = gltfField(doc.json, "extensions");
    const GltfJson* lights = extensions != nullptr ? gltfField(*extensions, "KHR_lights_punctual") : nullptr;
    if (const size_t n = lights != nullptr ? arraySize(*lights, "lights") : 0)
        notes.push_back(counted(n, "light", "lights", ": the viewer has one fixed light"));
    if (extraSets > 0)
        notes.push_back(counted(extraSets, "texture coordinate set", "texture coordinate sets",
                                " (no base colour texture reads them)"));
    // Maps other than the base colour: normal, occlusion, emissive, metal and roughness.
    std::set<int64_t> others;
    if (const GltfJson* materials = gltfArray(doc.json, "materials")) {
        for (const GltfJson& m : *materials) {
            int64_t index = 0;
            for (const char* name : {"normalTexture", "occlusionTexture", "emissiveTexture"}) {
                const GltfJson* t = gltfField(m, name);
                if (t != nullptr && gltfInteger(*t, "index", &index)) others.insert(index);
            }
            const GltfJson* pbr = gltfField(m, "pbrMetallicRoughness");
            const GltfJson* t = pbr != nullptr ? gltfField(*pbr, "metallicRoughnessTexture") : nullptr;
            if (t != nullptr && gltfInteger(*t, "index", &index)) others.insert(index);
        }
    }
    if (!others.empty())
        notes.push_back(counted(others.size(), "texture", "textures",
                                " that are not base colours (normal, occlusion, emissive, metal and roughness maps)"));
    return notes;
}
