// gltf_scene.h: the JSON of a glTF export, one function per kind of object: meshes, materials,
// nodes (the joints, the skinned mesh, the spheres), the skin, the scene with its extras, and
// the accessors, views and buffer the plan laid out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exchange/gltf_buffers.h"

// The whole JSON text; with `embedded`, the buffer goes in it as a data URI.
std::string gltfJson(const GltfPlan& plan, const std::vector<uint8_t>* embedded);
