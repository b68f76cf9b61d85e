// orvane_extras.h: the Orvane extras of an exported glTF (scene.extras.orvane), written and read
// here alone: every stored field that geometry cannot carry (bone records, render types, colour
// indices, normal records, bytes never examined) and where each element's geometry lies.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exchange/gltf_document.h"
#include "exchange/posed_body.h"
#include "exchange/stored_records.h"
#include "support/fault.h"

// Format 2 differs from 1 only in its spheres: each is a node of its own (the element names it)
// instead of vertices in a `spheres` primitive. Format 3 moves the lines out of the skinned mesh
// into line meshes (`lineNodes`), numbered as primitives after the skinned mesh's. All three are
// read; 3 is written.
inline constexpr int orvaneExtrasFormat = 3;

// Where an element's geometry lies in the glTF.
struct ElementPlace {
    int primitive =
        -1;  // polygon, line (and format 1 sphere): its primitive (skinned mesh's, then line meshes'); -1 none
    int64_t firstVertex = 0;  // its first vertex there
    int64_t sphereNode = -1;  // format 2 sphere: its node
};

// The extras' fields besides the records.
struct ExtrasHead {
    int format = orvaneExtrasFormat;
    std::string archive;  // written for the reader's information; not read back
    int entry = 0;
    int32_t autoAngle = 0;
    bool lit = false;
    std::vector<uint8_t> header, tail;  // the body's bytes before its points and after its elements
    int pointCount = 0;
    int64_t pointAccessor = -1;  // the bind pose point table, -1 none
    int16_t normalTotal = 0;
    // The primitives: the skinned mesh's ("polygons", "translucent"; before format 3 "lines", format 1
    // "spheres"), then one per line mesh ("lines" under a joint, "posed lines" at the root).
    std::vector<std::string> roles;
    std::vector<int64_t> lineNodes;  // the line meshes' nodes, in primitive order
};

struct OrvaneExtras : ExtrasHead {
    std::vector<BoneRecord> bones;
    std::vector<int> boneJoint;  // each bone's skin joint, -1 none
    std::vector<NormalRecord> normals;
    std::vector<StoredElement> elements;
    std::vector<ElementPlace> places;  // one per element
};

// Appends the extras object for `head` and the body's records.
void appendOrvaneExtras(std::string& s, const ExtrasHead& head, const std::vector<BoneRecord>& bones,
                        const std::vector<int>& boneJoint, const std::vector<NormalRecord>& normals,
                        const std::vector<PosedElement>& elements, const std::vector<ElementPlace>& places);

// Reads the extras of the document's scene. *present says whether the scene has Orvane extras at
// all; the fault says why they cannot be used.
Fault readOrvaneExtras(const GltfDocument& doc, OrvaneExtras* out, bool* present);
