// gltf_material.h: what a glTF primitive's material gives a face: its base colour factor,
// translucency, whether it is unlit, and its base colour texture, decoded once per texture into
// the scene for the faces to be baked from.
#pragma once

#include <map>

#include "exchange/mesh_scene.h"
#include "exchange/gltf_document.h"

struct GltfFaceMaterial {
    double colour[4] = {1, 1, 1, 1};  // linear
    bool translucent = false;
    bool unlit = false;    // KHR_materials_unlit
    int texture = -1;      // in MeshScene::textures, -1 for none
    int64_t texCoord = 0;  // the TEXCOORD_n set the texture is sampled with
};

class GltfMaterials {
public:
    // The material of `primitive`; a texture seen for the first time is decoded into
    // scene->textures and noted once in scene->notes.
    Fault of(const GltfDocument& doc, const GltfJson& primitive, MeshScene* scene, GltfFaceMaterial* out);

private:
    std::map<int64_t, int> sceneTexture_;  // glTF texture index -> scene texture
};
