// gltf_drops.h: what a glTF file holds that a body cannot: animations, morph targets, cameras,
// lights, texture coordinate sets beyond the one a texture is baked from, and textures other
// than the base colour. One note each, with its count.
#pragma once

#include <string>
#include <vector>

#include "exchange/gltf_document.h"

std::vector<std::string> gltfDropNotes(const GltfDocument& doc);
