// model_import.cpp: picks the reader by format, prefers the Orvane extras when a glTF has them,
// and refuses a result the viewer could not show.
#include "exchange/model_import.h"

#include <algorithm>
#include <cctype>

#include "body/body.h"
#include "body/body_check.h"
#include "exchange/edited_gltf_import.h"
#include "exchange/gltf_document.h"
#include "exchange/gltf_mesh_scene.h"
#include "exchange/gltf_structure.h"
#include "exchange/obj_mesh_scene.h"
#include "exchange/orvane_gltf_import.h"
#include "support/file_io.h"

ModelFormat modelFormatOf(const std::string& path)
{
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return ModelFormat::none;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == "glb") return ModelFormat::glb;
    if (ext == "gltf") return ModelFormat::gltf;
    if (ext == "obj") return ModelFormat::obj;
    return ModelFormat::none;
}

namespace {

// A glTF read against `base` when it is an export of it, else with its extras, else as a foreign model.
Fault gltfBody(const std::vector<uint8_t>& bytes, const std::string& folder, const MeshBodyOptions& options,
               const ImportBase& base, GltfDocument* doc, std::vector<uint8_t>* body, ModelImport* out)
{
    if (const Fault f = readGltf(bytes, folder, doc)) return f;
    if (const Fault f = checkGltfStructure(*doc)) return f;
    bool handled = false;
    if (base.body != nullptr) {
        handled = out->fromBase = gltfMatchesBase(*doc, *base.body);
        if (!handled && base.required)
            return faultOf("its joints are not those of %s: not an export of it", base.name.c_str());
        if (handled) return bodyFromEditedGltf(*doc, *base.body, options, body, &out->notes);
        out->notes.push_back("not an export of " + base.name + " (its joints differ): imported on its own");
    }
    if (const Fault f = bodyFromOrvaneGltf(*doc, options, &handled, body, &out->notes)) return f;
    out->fromOrvane = handled;
    if (handled) return noFault();
    MeshScene scene;
    if (const Fault f = meshSceneFromGltf(*doc, &scene)) return f;
    out->notes.insert(out->notes.end(), scene.notes.begin(), scene.notes.end());
    return bodyFromMesh(scene, options, body, &out->notes);
}

Fault importInto(const std::vector<uint8_t>& bytes, ModelFormat format, const std::string& folder,
                 const MeshBodyOptions& options, ModelImport* out, const ImportBase& base)
{
    if (options.palette == nullptr) return faultOf("no palette");
    if (!(options.scale > 0) || options.scale > 1e9) return faultOf("scale must be a positive number");
    std::vector<uint8_t> body;
    if (base.body != nullptr && base.required && format == ModelFormat::obj)
        return faultOf("an OBJ cannot be read against %s: export a glTF", base.name.c_str());
    if (format == ModelFormat::obj) {
        MeshScene scene;
        // A library or picture is read whole, within what the importer holds for the model and its files.
        int64_t held = static_cast<int64_t>(bytes.size());
        const MtlLoader loader = [&](const std::string& name, std::vector<uint8_t>* file) {
            if (folder.empty()) return false;
            std::string path;
            const bool read =
                !readWholeFileInFolder(folder, name, static_cast<size_t>(gltfFileSizeLimit - held), file, &path);
            if (!path.empty()) out->files.push_back(path);
            held += static_cast<int64_t>(file->size());
            return read;
        };
        const Fault read = meshSceneFromObj(bytes, loader, &scene);
        out->notes = scene.notes;
        if (read) return read;
        if (const Fault f = bodyFromMesh(scene, options, &body, &out->notes)) return f;
    } else if (format == ModelFormat::glb || format == ModelFormat::gltf) {
        GltfDocument doc;
        const Fault fault = gltfBody(bytes, folder, options, base, &doc, &body, out);
        out->files = doc.files;  // pictures too, read on the way
        if (fault) return fault;
    } else {
        return faultOf("not a model file (.glb, .gltf or .obj)");
    }

    // The viewer's own checks, on the body as it will be loaded and prepared.
    if (const Fault f = checkBodyForPreparation(body.data(), body.size())) return withContext("the imported body", f);
    std::vector<uint8_t> prepared = body;
    prepareBody(prepared.data());
    const char* fatal = nullptr;
    if (const Fault f = checkBodyForFrames(prepared.data(), prepared.size(), &fatal))
        return withContext("the imported body", f);
    if (fatal != nullptr) return faultOf("the imported body would stop the viewer: %s", fatal);
    out->body = std::move(body);
    return noFault();
}

}  // namespace

Fault importModel(const std::vector<uint8_t>& bytes, ModelFormat format, const std::string& folder,
                  const MeshBodyOptions& options, ModelImport* out, const ImportBase& base)
{
    *out = ModelImport{};
    const Fault fault = importInto(bytes, format, folder, options, out, base);
    if (fault) out->body.clear();
    return fault;
}
