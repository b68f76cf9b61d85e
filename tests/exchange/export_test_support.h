// export_test_support.h: archives of test bodies, the tool run as a process, and an exported
// file read back through tinygltf with its skin evaluated here, independently of the exporter.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>
#include <tiny_gltf.h>

#include "body/body_builder.h"
#include "tests/support/run_command.h"
#include "tests/support/scratch_dir.h"

// The bodies the tests export beside the demo's, by name, each a case the exporter must carry.
struct TestBody {
    std::string name;
    BodyBuilder builder;  // empty bones for the generated full-room body
    std::vector<uint8_t> bytes;
};
std::vector<TestBody> testBodies();

// A folder holding palette.dmp (the test palette) and body.ZRK with `entries`.
struct TestArchive {
    TempDir folder;
    std::string archive, palette;
    explicit TestArchive(const std::vector<std::vector<uint8_t>>& entries);
};

// The wanted frames of one 'orvane dump' run (up to the last of them), by frame number.
std::map<int, nlohmann::json> dumpFrames(const std::string& archive, int entry, const std::vector<int>& frames,
                                         bool autoRotate);

// A sphere node read back: its mesh's vertices placed by the node's world matrix.
struct SphereBack {
    int node = 0, joint = 0, mesh = 0;  // joint: the skin joint it hangs on
    std::array<double, 16> world{};     // column-major
    std::vector<std::array<double, 3>> posed;
};

// An exported glTF read back, with every vertex of every primitive placed by the skin.
struct ReadBack {
    tinygltf::Model model;
    nlohmann::json extras;  // the scene's extras.orvane
    int skinnedMesh = -1;   // the skinned mesh's index (-1: none)
    // Per primitive of the skinned mesh, then per line mesh: posed positions, bind positions
    // (POSITION), joint per vertex, _POINT per vertex.
    std::vector<std::vector<std::array<double, 3>>> posed, bind;
    std::vector<std::vector<int>> joints, points;
    std::vector<std::vector<double>> reach;  // |x| + |y| + |z| of the vertex from its joint's bind origin, model units
    std::vector<int> jointDepth;             // per skin joint: joints from the root down, itself included
    std::vector<SphereBack> spheres;         // the nodes with a sphere's mesh, in node order
    const SphereBack* sphereAt(int node) const;
};
// Loads `path` (.glb or .gltf); fails the test (and returns false) when tinygltf refuses it.
bool readBack(const std::string& path, ReadBack* out);

// Float values of an accessor, `components` per element.
std::vector<double> accessorValues(const tinygltf::Model& model, int accessor);
