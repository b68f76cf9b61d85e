// mesh_scene.h: a model read from another tool's file (glTF or OBJ), as one posed, skinned mesh
// that bodyFromMesh turns into a body.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exchange/geometry.h"
#include "exchange/texture_image.h"

// Vertices (and faces) of a whole file are limited so that a hostile count cannot exhaust memory.
inline constexpr int64_t importVertexLimit = 1000000;

struct MeshJoint {
    int parent = -1;  // an earlier joint, or -1: hangs from the body's root
    Mat3 linear{};    // world linear part (rotation, maybe scaled), posed
    Vec3 origin{};    // world position, file units, posed
};

struct MeshVertex {
    Vec3 position{};  // world position, file units, posed
    int joint = -1;   // owning joint (highest weight), -1 for the root
    Vec3 colour{};    // display space, 0..255
    Vec3 normal{};    // world, posed; zero when the file gives none
    TexCoord uv{};    // for the face's texture, v = 0 at the picture's top
};

struct MeshFace {
    std::vector<uint32_t> vertices;  // two for a line, three or more for a polygon (counter-clockwise)
    bool translucent = false;
    bool unlit = false;  // shown in its colour whatever the light
    int texture = -1;    // its base colour texture in MeshScene::textures, -1 for none
};

struct MeshTexture {
    TextureImage image;
    TextureSampler sampler;
};

struct MeshScene {
    std::vector<MeshJoint> joints;  // parents before children
    std::vector<MeshVertex> vertices;
    std::vector<MeshFace> faces;
    std::vector<MeshTexture> textures;
    std::vector<std::string> notes;  // what the reader dropped, one line each
};
