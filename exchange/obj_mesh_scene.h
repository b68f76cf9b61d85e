// obj_mesh_scene.h: an OBJ file (and its MTL beside it) as a mesh for bodyFromMesh: one bone, faces
// as polygons, 'l' records as lines, colours from the materials' Kd (linear light, as Blender
// writes it) or from vertex colours written after the position ("v x y z r g b"), normals from
// 'vn', and a material's map_Kd picture beside the model, sampled with 'vt', baked into colours.
// The same loader reads material libraries and pictures.
#pragma once

#include <functional>

#include "exchange/mesh_scene.h"
#include "support/fault.h"

// Reads a material library named by the OBJ (a plain file name in the model's folder); false
// when it cannot be read. Empty: material libraries are ignored.
using MtlLoader = std::function<bool(const std::string& name, std::vector<uint8_t>* bytes)>;

Fault meshSceneFromObj(const std::vector<uint8_t>& bytes, const MtlLoader& loadMtl, MeshScene* out);
