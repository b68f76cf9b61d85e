// model_import.cpp: picks the reader by format, prefers the Orvane extras when a glTF has them,
// and refuses a result the viewer could not show.
#include "exchange/model_import.h"

#include <algorithm>
#include <cctype>

#include "body/body.h"
#include "body/body_check.h"
#include "exchange/edited_gltf_import.h"
#include "exchange/gltf_mesh_scene.h"
#include "exchange/obj_mesh_scene.h"
#include "exchange/orvane_gltf_import.h"
#include "support/file_io.h"

ModelFormat modelFormatOf(const std::string& path)
{
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return ModelFormat::none;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == "glb") return ModelFormat::glb;
    if (ext == "gltf") return ModelFormat::gltf;
    if (ext == "obj") return ModelFormat::obj;
    return ModelFormat::none;
}

Fault importModel(const std::vector<uint8_t>& bytes, ModelFormat format, const std::string& folder, const MeshBodyOptions& options,
                  ModelImport* out, const ImportBase& base)
{
    *out = ModelImport{};
    if (options.palette == nullptr) return faultOf("no palette");
    if (!(options.scale > 0) || options.scale > 1e9) return faultOf("scale must be a positive number");
    std::vector<uint8_t> body;
    if (base.body != nullptr && base.required && format == ModelFormat::obj) return faultOf("an OBJ cannot be read against %s: export a glTF", base.name.c_str());
    if (format == ModelFormat::obj) {
        MeshScene scene;
        const MtlLoader loader = [&](const std::string& name, std::vector<uint8_t>* mtl) {
            return !folder.empty() && !readFileBytes(folder + "/" + name, mtl);
        };
        if (const Fault f = meshSceneFromObj(bytes, loader, &scene)) return f;
        out->notes = scene.notes;
        if (const Fault f = bodyFromMesh(scene, options, &body, &out->notes)) return f;
    } else if (format == ModelFormat::glb || format == ModelFormat::gltf) {
        GltfDocument doc;
        if (const Fault f = readGltf(bytes, folder, &doc)) return f;
        bool handled = false;
        if (base.body != nullptr) {
            handled = out->fromBase = gltfMatchesBase(doc, *base.body);
            if (!handled && base.required) return faultOf("its joints are not those of %s: not an export of it", base.name.c_str());
            if (!handled) out->notes.push_back("not an export of " + base.name + " (its joints differ): imported on its own");
            if (handled) {
                if (const Fault f = bodyFromEditedGltf(doc, *base.body, options, &body, &out->notes)) return f;
            }
        }
        if (!handled) {
            if (const Fault f = bodyFromOrvaneGltf(doc, options, &handled, &body, &out->notes)) return f;
        }
        out->fromOrvane = handled && !out->fromBase;
        if (!handled) {
            MeshScene scene;
            if (const Fault f = meshSceneFromGltf(doc, &scene)) return f;
            out->notes.insert(out->notes.end(), scene.notes.begin(), scene.notes.end());
            if (const Fault f = bodyFromMesh(scene, options, &body, &out->notes)) return f;
        }
    } else {
        return faultOf("not a model file (.glb, .gltf or .obj)");
    }

    // The viewer's own checks, on the body as it will be loaded and prepared.
    if (const Fault f = checkBodyForPreparation(body.data(), body.size())) return withContext("the imported body", f);
    std::vector<uint8_t> prepared = body;
    prepareBody(prepared.data());
    const char* fatal = nullptr;
    if (const Fault f = checkBodyForFrames(prepared.data(), prepared.size(), &fatal)) return withContext("the imported body", f);
    if (fatal != nullptr) return faultOf("the imported body would stop the viewer: %s", fatal);
    out->body = std::move(body);
    return noFault();
}
