// orvane_gltf_import.h: a glTF written by `orvane export`, rebuilt into the body it came from.
// The geometry (points, polygons, lines, the bones' turns) is read from the glTF; the scene's
// extras fill in only what geometry cannot carry (bone types, render types, colour indices,
// normal records, bytes never examined) and only where they still match the geometry.
#pragma once

#include "exchange/body_from_mesh.h"
#include "exchange/gltf_document.h"

// *handled is false when the file carries no usable Orvane extras: import it as a foreign model.
Fault bodyFromOrvaneGltf(const GltfDocument& doc, const MeshBodyOptions& options, bool* handled,
                         std::vector<uint8_t>* out, std::vector<std::string>* notes);
