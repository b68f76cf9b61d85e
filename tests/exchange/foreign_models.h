// foreign_models.h: glTF files written the way the glTF sample models are (a box with a face
// normal per corner, a ball with shared normals, textures embedded in a GLB or beside a .gltf,
// skins, vertex colours, unlit materials, sparse accessors), and pictures made by ImageMagick.
#pragma once

#include <string>

#include "tests/support/scratch_dir.h"

// Palette entries whose exact colours the models use (each its own nearest entry).
inline constexpr int sampleColours[4] = {72, 140, 200, 40};

enum class SampleTexture { none, embeddedPng, jpegBeside };

struct SampleModel {
    bool ball = false;  // a ball of shared vertices and normals; else a box, a face normal per corner
    SampleTexture texture = SampleTexture::none;  // four texels of sampleColours, face f reads texel f % 4
    bool whiteTexture = false;                    // every texel white: the colour comes from the factor
    int factor = -1;             // baseColorFactor: the linear colour of this palette entry (-1: white)
    bool vertexColours = false;  // face f's corners in sampleColours[f % 4]
    bool unlit = false;          // KHR_materials_unlit
    bool sparse = false;         // the top face raised by 0.5 through a sparse accessor
    bool skinned = false;        // two joints; the top face on the second, turned a quarter about x
    bool extras = false;         // 2 animations, a camera, 3 lights, TEXCOORD_1 and a morph target
};

// Writes the model into `dir` (model.glb, or model.gltf with model.bin and texture.jpg beside
// it) and returns its path.
std::string writeSampleModel(const TempDir& dir, const SampleModel& model);
