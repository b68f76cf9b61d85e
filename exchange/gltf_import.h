// gltf_import.h: a glTF document as a posed, skinned mesh for bodyFromMesh: the scene's meshes
// with their nodes' transforms, the first skin's joints (parents first), vertex colours or the
// material's base colour.
#pragma once

#include "exchange/body_from_mesh.h"
#include "exchange/gltf_reader.h"

// Vertices of all primitives together are limited so that a hostile count cannot exhaust memory.
inline constexpr int64_t importVertexLimit = 1000000;

Fault meshSceneFromGltf(const GltfDocument& doc, MeshScene* out);

// The nodes' world matrices (column-major 4 x 4, as glTF stores them), checked for cycles,
// shared parents and non-finite numbers.
Fault gltfWorldMatrices(const GltfDocument& doc, std::vector<std::array<double, 16>>* world, std::vector<int>* parent);
