// gltf_mesh_scene.h: a glTF document as a posed, skinned mesh for bodyFromMesh: the scene's
// meshes with their nodes' transforms, the first skin's joints (parents first), vertex colours
// or the material's base colour.
#pragma once

#include "exchange/gltf_document.h"
#include "exchange/mesh_scene.h"

Fault meshSceneFromGltf(const GltfDocument& doc, MeshScene* out);

// The nodes' world matrices (column-major 4 x 4, as glTF stores them), checked for cycles,
// shared parents and non-finite numbers.
Fault gltfWorldMatrices(const GltfDocument& doc, std::vector<Mat4>* world, std::vector<int>* parent);
