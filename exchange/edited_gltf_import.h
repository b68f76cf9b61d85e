// edited_gltf_import.h: a glTF exported from a body and edited in another tool (Blender, say),
// read against that body: the base. The edit is read from what editors keep (each vertex's
// point index as its first UV's u, a face's colour as its material `palette_NNN`, the joints'
// turns, the sphere nodes by name); every other stored field is the base's, byte for byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exchange/body_from_mesh.h"
#include "exchange/gltf_document.h"

// True when `doc` came from `base`'s export: its skin's joints are the base's joints, named as
// the exporter names them. A body that cannot be posed does not match.
bool gltfMatchesBase(const GltfDocument& doc, const std::vector<uint8_t>& base);

// The base with the file's edits applied, into *out; what was changed, added, removed or could
// not be held goes to *notes, one line each. Nothing is written to *out on refusal.
Fault bodyFromEditedGltf(const GltfDocument& doc, const std::vector<uint8_t>& base, const MeshBodyOptions& options,
                         std::vector<uint8_t>* out, std::vector<std::string>* notes);
