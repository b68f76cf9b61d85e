// gltf_structure.cpp: the node tree's matrices and the checks every glTF gets before it is read.
#include "exchange/gltf_structure.h"

#include <cmath>

#include "exchange/geometry.h"
#include "exchange/gltf_format.h"

namespace {

bool numbers(const GltfJson& node, const char* name, size_t count, double* out)
{
    const GltfJson* a = gltfField(node, name);
    if (a == nullptr) return true;
    if (!a->is_array() || a->size() != count) return false;
    for (size_t i = 0; i < count; ++i) {
        if (!(*a)[i].is_number()) return false;
        out[i] = (*a)[i].get<double>();
        if (!std::isfinite(out[i])) return false;
    }
    return true;
}

Fault localMatrix(const GltfJson& node, size_t index, Mat4* out)
{
    Mat4 m = mat4Identity();
    if (gltfField(node, "matrix") != nullptr) {
        if (!numbers(node, "matrix", 16, m.data())) return faultOf("node %zu: bad matrix", index);
        *out = m;
        return noFault();
    }
    double t[3] = {0, 0, 0}, r[4] = {0, 0, 0, 1}, s[3] = {1, 1, 1};
    if (!numbers(node, "translation", 3, t) || !numbers(node, "rotation", 4, r) || !numbers(node, "scale", 3, s)) {
        return faultOf("node %zu: bad translation, rotation or scale", index);
    }
    Mat3 rot;
    if (!rotationOf(r, &rot)) return faultOf("node %zu: zero rotation quaternion", index);
    for (size_t c = 0; c < 3; ++c)
        for (size_t row = 0; row < 3; ++row) m[c * 4 + row] = rot[row * 3 + c] * s[c];
    m[12] = t[0];
    m[13] = t[1];
    m[14] = t[2];
    *out = m;
    return noFault();
}

}  // namespace

Fault gltfWorldMatrices(const GltfDocument& doc, std::vector<Mat4>* world, std::vector<int>* parent)
{
    const GltfJson* nodes = gltfField(doc.json, "nodes");
    if (nodes != nullptr && !nodes->is_array()) return faultOf("nodes is not an array");
    const size_t count = nodes != nullptr ? nodes->size() : 0;
    if (count > 100000) return faultOf("%zu nodes, more than the importer's limit 100000", count);
    std::vector<Mat4> local(count);
    parent->assign(count, -1);
    for (size_t i = 0; i < count; ++i) {
        const GltfJson& node = (*nodes)[i];
        if (!node.is_object()) return faultOf("node %zu is not an object", i);
        if (const Fault f = localMatrix(node, i, &local[i])) return f;
        if (const GltfJson* children = gltfField(node, "children")) {
            if (!children->is_array()) return faultOf("node %zu: children is not an array", i);
            for (const GltfJson& c : *children) {
                if (!c.is_number_integer() || c.get<int64_t>() < 0 || static_cast<size_t>(c.get<int64_t>()) >= count) {
                    return faultOf("node %zu: a child names no node", i);
                }
                const auto child = static_cast<size_t>(c.get<int64_t>());
                if (child == i) return faultOf("node hierarchy has a cycle (node %zu is its own child)", i);
                if ((*parent)[child] != -1) return faultOf("node %zu has two parents", child);
                (*parent)[child] = static_cast<int>(i);
            }
        }
    }
    // World matrices along each node's chain of parents; a chain longer than the node count
    // goes round a cycle.
    world->assign(count, mat4Identity());
    std::vector<int> state(count, 0);  // 0 not done, 1 done
    for (size_t i = 0; i < count; ++i) {
        if (state[i] != 0) continue;
        std::vector<size_t> chain;
        size_t at = i;
        for (;;) {
            chain.push_back(at);
            if (chain.size() > count) return faultOf("node hierarchy has a cycle (through node %zu)", i);
            const int up = (*parent)[at];
            if (up < 0 || state[static_cast<size_t>(up)] != 0) break;
            at = static_cast<size_t>(up);
        }
        for (size_t k = chain.size(); k-- > 0;) {
            const size_t n = chain[k];
            const int up = (*parent)[n];
            (*world)[n] = up < 0 ? local[n] : mat4Multiply((*world)[static_cast<size_t>(up)], local[n]);
            state[n] = 1;
        }
    }
    return noFault();
}

Fault checkGltfStructure(const GltfDocument& doc)
{
    std::vector<Mat4> world;
    std::vector<int> parent;
    if (const Fault f = gltfWorldMatrices(doc, &world, &parent)) return f;
    if (const GltfJson* skins = gltfArray(doc.json, "skins")) {
        for (size_t s = 0; s < skins->size(); ++s) {
            const GltfJson* joints = gltfArray((*skins)[s], "joints");
            if (joints == nullptr) return faultOf("skin %zu: no joints", s);
            for (const GltfJson& j : *joints) {
                if (!j.is_number_integer() || j.get<int64_t>() < 0 ||
                    static_cast<size_t>(j.get<int64_t>()) >= world.size())
                    return faultOf("skin %zu: a joint names no node", s);
            }
        }
    }
    if (const GltfJson* meshes = gltfArray(doc.json, "meshes")) {
        for (size_t m = 0; m < meshes->size(); ++m) {
            const GltfJson* primitives = gltfArray((*meshes)[m], "primitives");
            for (size_t p = 0; primitives != nullptr && p < primitives->size(); ++p) {
                int64_t mode = gltfTriangles;
                if (gltfField((*primitives)[p], "mode") != nullptr &&
                    (!gltfInteger((*primitives)[p], "mode", &mode) || mode < gltfPoints || mode > gltfTriangleFan))
                    return faultOf("mesh %zu primitive %zu: bad mode", m, p);
            }
        }
    }
    return noFault();
}
