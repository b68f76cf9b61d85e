// gltf_material.cpp: materials and their base colour textures; an image comes from a buffer
// view, a data URI or a file beside the model, and is refused above the importer's sizes.
#include "exchange/gltf_material.h"

#include <cmath>

namespace {

bool factor(const GltfJson& pbr, double* out)
{
    const GltfJson* a = gltfField(pbr, "baseColorFactor");
    if (a == nullptr) return true;
    if (!a->is_array() || a->size() != 4) return false;
    for (size_t i = 0; i < 4; ++i) {
        if (!(*a)[i].is_number()) return false;
        out[i] = (*a)[i].get<double>();
        if (!std::isfinite(out[i])) return false;
    }
    return true;
}

TextureWrap wrapOf(const GltfJson& sampler, const char* name)
{
    int64_t mode = 10497;
    gltfInteger(sampler, name, &mode);
    return mode == 33071 ? TextureWrap::clampToEdge : mode == 33648 ? TextureWrap::mirroredRepeat : TextureWrap::repeat;
}

// The bytes of image `index`: its buffer view, or its URI.
Fault imageBytes(const GltfDocument& doc, int64_t index, std::vector<uint8_t>* out, std::string* name)
{
    const GltfJson* image = gltfItem(doc, "images", index);
    if (image == nullptr) return faultOf("image %lld does not exist", static_cast<long long>(index));
    int64_t view = 0;
    if (gltfInteger(*image, "bufferView", &view)) {
        *name = "embedded";
        const uint8_t* bytes = nullptr;
        int64_t length = 0;
        if (const Fault f = gltfBufferView(doc, view, &bytes, &length)) return f;
        out->assign(bytes, bytes + length);
        return noFault();
    }
    const GltfJson* uri = gltfField(*image, "uri");
    if (uri == nullptr || !uri->is_string())
        return faultOf("image %lld: neither a bufferView nor a uri", static_cast<long long>(index));
    const std::string& text = uri->get_ref<const std::string&>();
    *name = text.rfind("data:", 0) == 0 ? "a data URI" : "'" + text.substr(0, 60) + "'";
    return gltfUriBytes(doc, text, out);
}

}  // namespace

Fault GltfMaterials::of(const GltfDocument& doc, const GltfJson& primitive, MeshScene* scene, GltfFaceMaterial* out)
{
    *out = GltfFaceMaterial{};
    int64_t index = 0;
    if (!gltfInteger(primitive, "material", &index)) return noFault();
    const GltfJson* m = gltfItem(doc, "materials", index);
    if (m == nullptr) return faultOf("material %lld does not exist", static_cast<long long>(index));
    const std::string where = "material " + std::to_string(index);
    const GltfJson* pbr = gltfField(*m, "pbrMetallicRoughness");
    if (pbr != nullptr && !factor(*pbr, out->colour)) return faultOf("%s: bad baseColorFactor", where.c_str());
    const GltfJson* mode = gltfField(*m, "alphaMode");
    out->translucent = mode != nullptr && mode->is_string() && mode->get_ref<const std::string&>() == "BLEND";
    const GltfJson* extensions = gltfField(*m, "extensions");
    out->unlit = extensions != nullptr && gltfField(*extensions, "KHR_materials_unlit") != nullptr;

    const GltfJson* use = pbr != nullptr ? gltfField(*pbr, "baseColorTexture") : nullptr;
    int64_t texture = 0;
    if (use == nullptr || !gltfInteger(*use, "index", &texture)) return noFault();
    if (gltfField(*use, "texCoord") != nullptr &&
        (!gltfInteger(*use, "texCoord", &out->texCoord) || out->texCoord < 0 || out->texCoord > 7)) {
        return faultOf("%s: bad texCoord", where.c_str());
    }
    const auto known = sceneTexture_.find(texture);
    if (known != sceneTexture_.end()) {
        out->texture = known->second;
        return noFault();
    }
    const GltfJson* t = gltfItem(doc, "textures", texture);
    int64_t source = 0, sampler = 0;
    if (t == nullptr || !gltfInteger(*t, "source", &source))
        return faultOf("%s: texture %lld has no image", where.c_str(), static_cast<long long>(texture));
    MeshTexture decoded;
    if (gltfInteger(*t, "sampler", &sampler)) {
        const GltfJson* s = gltfItem(doc, "samplers", sampler);
        if (s == nullptr)
            return faultOf("texture %lld: sampler %lld does not exist", static_cast<long long>(texture),
                           static_cast<long long>(sampler));
        decoded.sampler = {wrapOf(*s, "wrapS"), wrapOf(*s, "wrapT")};
    }
    std::vector<uint8_t> bytes;
    std::string name;
    const std::string context = "texture " + std::to_string(texture);
    if (const Fault f = imageBytes(doc, source, &bytes, &name)) return withContext(context.c_str(), f);
    if (const Fault f = decodeTexture(bytes, &decoded.image))
        return withContext((context + " (" + name + ")").c_str(), f);
    scene->notes.push_back(context + " (" + name + ", " + std::to_string(decoded.image.width) + " x " +
                           std::to_string(decoded.image.height) +
                           ") baked into face colours: each face takes the palette colour nearest its mean");
    out->texture = static_cast<int>(scene->textures.size());
    sceneTexture_.emplace(texture, out->texture);
    scene->textures.push_back(std::move(decoded));
    return noFault();
}
