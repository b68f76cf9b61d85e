// edited_gltf_file.h: what an export edited in another tool says, read for an import against
// its base body: the skinned mesh's vertices with the points they name, its triangles with their
// `palette_NNN` colours, the segments of the line meshes; the base's joints found by name, and the
// turn each skins by.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "exchange/gltf_document.h"
#include "exchange/posed_body.h"

using Position = std::array<int32_t, 3>;

struct FileVertex {
    Position position{};
    double id = -1;  // the point the vertex names; -1: none
    int joint = 0;   // the joint it follows (its first)
};
struct FileTriangle {
    uint32_t v[3];
    int colour = -1;  // from a palette_NNN material, else -1
    bool translucent = false;
};

// A segment by its ends' places: the bind pose for the lines under a joint, the exported frame's
// pose for the lines at the root. An editor keeps no texture coordinates on a loose edge, so the
// places are all that names its points.
struct FileSegment {
    Position a{}, b{};
    bool posed = false;
};

struct FileMesh {
    std::vector<FileVertex> vertices;
    std::vector<FileTriangle> triangles;
    std::vector<FileSegment> segments;
};

// The skinned mesh's primitives together (none when the file has no skinned mesh), and the
// segments of every other mesh's line primitives; positions times `scale` rounded to model units.
Fault readEditedMesh(const GltfDocument& doc, double scale, FileMesh* out);

// The node of each of the base's joints, by the name the exporter gave it (-1: gone).
std::vector<int64_t> jointNodes(const GltfDocument& doc, const PosedBody& p);
// Each of the file's skin joints as a joint of the base (-1 for one the base does not have).
std::vector<int> skinJoints(const GltfDocument& doc, const std::vector<int64_t>& nodes);

// Each base joint's world turn as the file skins it: the rotation of its node's world matrix
// times its inverse bind matrix. An editor may turn a joint's frame and its bind matrix alike
// (Blender turns some by half a turn), which changes nothing. found[j] is false for a joint the
// file lacks.
Fault skinTurns(const GltfDocument& doc, const std::vector<int>& fileJoint, size_t jointCount, std::vector<Mat3>* turn,
                std::vector<bool>* found);
