// gltf_structure.h: a glTF document's node tree and the structure every glTF is checked for,
// whichever way it is then read.
#pragma once

#include <vector>

#include "exchange/geometry.h"
#include "exchange/gltf_document.h"

// The nodes' world matrices (column-major 4 x 4, as glTF stores them), checked for cycles,
// shared parents and non-finite numbers.
Fault gltfWorldMatrices(const GltfDocument& doc, std::vector<Mat4>* world, std::vector<int>* parent);

// The checks every glTF gets, whichever way it is then read: a node tree without cycles or
// nodes of two parents, transforms that are numbers (no zero quaternion), skins whose joints
// name nodes, primitive modes glTF defines.
Fault checkGltfStructure(const GltfDocument& doc);
