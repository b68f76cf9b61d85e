// face_look.h: how one piece of an imported face looks: its colour (the corners' colours, times
// the texture's mean over the piece when the face is textured) and its shading (unlit, flat or
// smooth, from the corners' normals).
#pragma once

#include "exchange/mesh_scene.h"
#include "exchange/face_shading.h"

// Display colour, 0..255 a channel, of the piece of `face` with corners `corners` (vertices).
Vec3 pieceColour(const MeshScene& scene, const MeshFace& face, const std::vector<uint32_t>& corners);

// Unlit when the face is or `flat` is asked for; otherwise by the corners' normals.
FaceShading pieceShading(const MeshScene& scene, const MeshFace& face, const std::vector<uint32_t>& corners, bool flat);
