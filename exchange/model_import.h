// model_import.h: one model file (.glb, .gltf or .obj) in, one body out: the entry point that
// the tool's import, pack and replace commands share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exchange/body_from_mesh.h"

enum class ModelFormat { none, glb, gltf, obj };

// The format named by a path's extension (case does not matter); none for anything else.
ModelFormat modelFormatOf(const std::string& path);

struct ModelImport {
    std::vector<uint8_t> body;       // the bytes of one archive entry, unpacked
    std::vector<std::string> notes;  // what was baked or dropped, one line each
    bool fromOrvane = false;         // rebuilt with the extras `orvane export` wrote
    bool fromBase = false;           // read as an edit of the base body
    std::vector<std::string> files;  // the files beside the model that were read (buffers, libraries)
};

// The body an edited export came from. A glTF that matches it (its joints are the base's) is
// read as an edit of it; one that does not is refused when `required`, else imported without it.
struct ImportBase {
    const std::vector<uint8_t>* body = nullptr;
    bool required = false;
    std::string name;  // for the note or the refusal: "body.ZRK entry 3"
};

// Imports `bytes`, read from a file of `format`. Buffers and material libraries named by the
// model are read from `folder` (plain file names only, never leaving it through a link); an
// empty folder refuses them. The body is checked as the viewer will walk it before it is
// handed back. On failure, out->notes and out->files still say what was met on the way.
Fault importModel(const std::vector<uint8_t>& bytes, ModelFormat format, const std::string& folder,
                  const MeshBodyOptions& options, ModelImport* out, const ImportBase& base = {});
