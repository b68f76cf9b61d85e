// gltf_mesh_scene.h: a glTF document as a posed, skinned mesh for bodyFromMesh: the scene's
// meshes with their nodes' transforms, the first skin's joints (parents first), vertex colours
// or the material's base colour.
#pragma once

#include "exchange/gltf_document.h"
#include "exchange/mesh_scene.h"

Fault meshSceneFromGltf(const GltfDocument& doc, MeshScene* out);
