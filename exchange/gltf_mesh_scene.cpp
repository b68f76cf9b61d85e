// gltf_mesh_scene.cpp: walks a glTF scene into a MeshScene: nodes' world transforms, the first
// skin's joints reordered parents first, skinned vertices posed by their joints' weights.
#include "exchange/gltf_mesh_scene.h"

#include <cmath>
#include <map>

#include "exchange/body_from_mesh.h"
#include "exchange/colour.h"
#include "exchange/gltf_drops.h"
#include "exchange/gltf_format.h"
#include "exchange/gltf_material.h"
#include "exchange/gltf_structure.h"

namespace {

struct Skin {
    std::vector<int64_t> joints;  // node indices
    std::vector<Mat4> inverseBinds;
};

Fault skinOf(const GltfDocument& doc, int64_t index, Skin* out)
{
    const GltfJson* s = gltfItem(doc, "skins", index);
    if (s == nullptr) return faultOf("skin %lld does not exist", static_cast<long long>(index));
    const GltfJson* joints = gltfArray(*s, "joints");
    if (joints == nullptr || joints->empty()) return faultOf("skin %lld: no joints", static_cast<long long>(index));
    if (joints->size() > static_cast<size_t>(importBoneLimit)) {
        return faultOf("skin %lld: %zu joints, more than the viewer's %d bones", static_cast<long long>(index),
                       joints->size(), importBoneLimit);
    }
    const size_t nodes = gltfArray(doc.json, "nodes") != nullptr ? gltfArray(doc.json, "nodes")->size() : 0;
    out->joints.clear();
    for (const GltfJson& j : *joints) {
        if (!j.is_number_integer() || j.get<int64_t>() < 0 || static_cast<size_t>(j.get<int64_t>()) >= nodes) {
            return faultOf("skin %lld: a joint names no node", static_cast<long long>(index));
        }
        out->joints.push_back(j.get<int64_t>());
    }
    out->inverseBinds.assign(out->joints.size(), mat4Identity());
    int64_t accessor = 0;
    if (gltfInteger(*s, "inverseBindMatrices", &accessor)) {
        AccessorValues values;
        if (const Fault f = readAccessor(doc, accessor, {16}, &values)) return withContext("inverse bind matrices", f);
        if (values.count < static_cast<int64_t>(out->joints.size()))
            return faultOf("skin %lld: fewer inverse bind matrices than joints", static_cast<long long>(index));
        for (size_t j = 0; j < out->joints.size(); ++j) {
            for (size_t k = 0; k < 16; ++k)
                out->inverseBinds[j][k] = values.at(static_cast<int64_t>(j), static_cast<int>(k));
        }
    }
    return noFault();
}

// What the walk over the scene's nodes shares.
struct SceneWalk {
    SceneWalk(const GltfDocument& d, MeshScene* o) : doc(d), out(o) {}
    const GltfDocument& doc;
    MeshScene* out;
    std::vector<Mat4> world;
    std::vector<int> parent;
    std::vector<bool> inScene;
    std::vector<int> jointOfNode;   // each node's joint in the scene, -1 none
    Skin first;                     // the first skin
    std::map<int64_t, Skin> skins;  // the others, as read
    int64_t skippedPoints = 0;
    int otherSkins = 0;
    GltfMaterials materials;
};

// The scene's nodes: the default scene's, else the first scene's, else every root node, and
// everything below them.
Fault findSceneNodes(SceneWalk& w)
{
    const size_t nodeCount = w.world.size();
    std::vector<int64_t> roots;
    int64_t sceneIndex = 0;
    const bool named = gltfInteger(w.doc.json, "scene", &sceneIndex);
    const GltfJson* scene = gltfItem(w.doc, "scenes", named ? sceneIndex : 0);
    if (named && scene == nullptr) return faultOf("scene %lld does not exist", static_cast<long long>(sceneIndex));
    if (scene != nullptr) {
        if (const GltfJson* list = gltfArray(*scene, "nodes")) {
            for (const GltfJson& n : *list) {
                if (!n.is_number_integer() || n.get<int64_t>() < 0 ||
                    static_cast<size_t>(n.get<int64_t>()) >= nodeCount) {
                    return faultOf("the scene names no such node");
                }
                roots.push_back(n.get<int64_t>());
            }
        }
    } else {
        for (size_t i = 0; i < nodeCount; ++i) {
            if (w.parent[i] < 0) roots.push_back(static_cast<int64_t>(i));
        }
    }
    w.inScene.assign(nodeCount, false);
    std::vector<int64_t> stack = roots;
    while (!stack.empty()) {
        const auto n = static_cast<size_t>(stack.back());
        stack.pop_back();
        if (w.inScene[n]) continue;
        w.inScene[n] = true;
        if (const GltfJson* children = gltfArray((*gltfArray(w.doc.json, "nodes"))[n], "children")) {
            for (const GltfJson& c : *children) stack.push_back(c.get<int64_t>());
        }
    }
    return noFault();
}

// The first skin's joints, parents first; a joint's parent is its nearest joint ancestor.
Fault takeFirstSkin(SceneWalk& w)
{
    const size_t nodeCount = w.world.size();
    w.jointOfNode.assign(nodeCount, -1);
    if (gltfItem(w.doc, "skins", 0) == nullptr) return noFault();
    if (const Fault f = skinOf(w.doc, 0, &w.first)) return f;
    std::vector<int> tableIndex(nodeCount, -1);
    for (size_t j = 0; j < w.first.joints.size(); ++j) {
        const auto node = static_cast<size_t>(w.first.joints[j]);
        if (tableIndex[node] >= 0) return faultOf("skin 0 lists node %zu twice", node);
        tableIndex[node] = static_cast<int>(j);
    }
    const auto jointParent = [&](size_t node) {
        for (int up = w.parent[node]; up >= 0; up = w.parent[static_cast<size_t>(up)]) {
            if (tableIndex[static_cast<size_t>(up)] >= 0) return static_cast<int64_t>(up);
        }
        return int64_t{-1};
    };
    // Each joint after its ancestors, otherwise in table order.
    for (const int64_t node : w.first.joints) {
        std::vector<int64_t> chain;
        for (int64_t at = node; at >= 0 && w.jointOfNode[static_cast<size_t>(at)] < 0;
             at = jointParent(static_cast<size_t>(at)))
            chain.push_back(at);
        for (size_t k = chain.size(); k-- > 0;) {
            const auto n = static_cast<size_t>(chain[k]);
            MeshJoint joint;
            const int64_t up = jointParent(n);
            joint.parent = up >= 0 ? w.jointOfNode[static_cast<size_t>(up)] : -1;
            joint.linear = mat4Linear(w.world[n]);
            joint.origin = {w.world[n][12], w.world[n][13], w.world[n][14]};
            w.jointOfNode[n] = static_cast<int>(w.out->joints.size());
            w.out->joints.push_back(joint);
        }
    }
    bool reordered = false;
    for (size_t j = 0; j < w.first.joints.size(); ++j)
        reordered |= w.jointOfNode[static_cast<size_t>(w.first.joints[j])] != static_cast<int>(j);
    if (reordered) w.out->notes.push_back("joints reordered so that parents come before their children");
    return noFault();
}

// One primitive's attributes, read and checked against each other.
struct PrimitiveData {
    AccessorValues positions, colours, weights, normals, uvs;
    bool haveColours = false, haveSkin = false, haveNormals = false, haveUvs = false;
    std::vector<uint32_t> joints;
    GltfFaceMaterial material;
};

// An attribute of one element per vertex, when the primitive has it.
Fault readPerVertex(const GltfDocument& doc, const GltfJson& attributes, const std::string& name,
                    std::initializer_list<int> allowed, const std::string& where, int64_t vertices, AccessorValues* out,
                    bool* have)
{
    int64_t accessor = 0;
    *have = gltfInteger(attributes, name.c_str(), &accessor);
    if (!*have) return noFault();
    if (const Fault f = readAccessor(doc, accessor, allowed, out)) return withContext(where.c_str(), f);
    // A longer one would only be read for nothing.
    if (out->count != vertices) return faultOf("%s: %s and positions differ in count", where.c_str(), name.c_str());
    return noFault();
}

Fault readAttributes(SceneWalk& w, const GltfJson& prim, const std::string& where, bool skinned, PrimitiveData* d)
{
    const GltfDocument& doc = w.doc;
    const GltfJson& attributes = *gltfField(prim, "attributes");
    int64_t colourAccessor = 0;
    d->haveColours = gltfInteger(attributes, "COLOR_0", &colourAccessor);
    if (d->haveColours) {
        if (const Fault f = readAccessor(doc, colourAccessor, {3, 4}, &d->colours))
            return withContext(where.c_str(), f);
        // Every attribute has one element per vertex; a longer one would only be read for nothing.
        if (d->colours.count != d->positions.count)
            return faultOf("%s: colours and positions differ in count", where.c_str());
    }
    int64_t jointsAccessor = 0, weightsAccessor = 0;
    d->haveSkin = skinned && gltfInteger(attributes, "JOINTS_0", &jointsAccessor) &&
                  gltfInteger(attributes, "WEIGHTS_0", &weightsAccessor);
    if (d->haveSkin) {
        if (const Fault f = readIndexAccessor(doc, jointsAccessor, {4}, &d->joints))
            return withContext(where.c_str(), f);
        if (const Fault f = readAccessor(doc, weightsAccessor, {4}, &d->weights)) return withContext(where.c_str(), f);
        if (static_cast<int64_t>(d->joints.size()) != d->positions.count * 4 ||
            d->weights.count != d->positions.count) {
            return faultOf("%s: joints or weights and positions differ in count", where.c_str());
        }
    }
    if (const Fault f = w.materials.of(doc, prim, w.out, &d->material)) return withContext(where.c_str(), f);
    if (const Fault f =
            readPerVertex(doc, attributes, "NORMAL", {3}, where, d->positions.count, &d->normals, &d->haveNormals))
        return f;
    if (d->material.texture < 0) return noFault();
    return readPerVertex(doc, attributes, "TEXCOORD_" + std::to_string(d->material.texCoord), {2}, where,
                         d->positions.count, &d->uvs, &d->haveUvs);
}

// The primitive's vertices, posed by their node or by their joints' weights.
Fault addVertices(SceneWalk& w, size_t node, const Skin& skin, const PrimitiveData& d, const std::string& where)
{
    for (int64_t v = 0; v < d.positions.count; ++v) {
        MeshVertex vertex;
        const Vec3 local = {d.positions.at(v, 0), d.positions.at(v, 1), d.positions.at(v, 2)};
        Vec3 posed = mat4Apply(w.world[node], local);
        Mat3 turn = mat4Linear(w.world[node]);
        if (d.haveSkin) {
            Vec3 sum{};
            Mat3 blend{};
            double total = 0, best = -1;
            for (int k = 0; k < 4; ++k) {
                const double weight = d.weights.at(v, k);
                const uint32_t j = d.joints[static_cast<size_t>(v * 4 + k)];
                if (weight == 0) continue;
                if (j >= skin.joints.size())
                    return faultOf("%s: vertex %lld names joint %u of %zu", where.c_str(), static_cast<long long>(v), j,
                                   skin.joints.size());
                const auto jointNode = static_cast<size_t>(skin.joints[j]);
                const Vec3 q = mat4Apply(mat4Multiply(w.world[jointNode], skin.inverseBinds[j]), local);
                for (size_t c = 0; c < 3; ++c) sum[c] += weight * q[c];
                const Mat3 joint = mat4Linear(mat4Multiply(w.world[jointNode], skin.inverseBinds[j]));
                for (size_t c = 0; c < 9; ++c) blend[c] += weight * joint[c];
                total += weight;
                if (weight > best) {
                    best = weight;
                    vertex.joint = w.jointOfNode[jointNode];
                }
            }
            if (total > 0) {
                for (size_t c = 0; c < 3; ++c) posed[c] = sum[c] / total;
                turn = blend;
            }
        }
        for (size_t c = 0; c < 3; ++c) {
            if (!std::isfinite(posed[c]))
                return faultOf("%s: vertex %lld is not at a finite position", where.c_str(), static_cast<long long>(v));
        }
        vertex.position = posed;
        if (d.haveNormals) {
            // Turned as the surface turns: by the cofactors (the inverse transpose, scaled) of the linear part.
            const Mat3& m = turn;
            const Mat3 cofactors = {m[4] * m[8] - m[5] * m[7], m[5] * m[6] - m[3] * m[8], m[3] * m[7] - m[4] * m[6],
                                    m[2] * m[7] - m[1] * m[8], m[0] * m[8] - m[2] * m[6], m[1] * m[6] - m[0] * m[7],
                                    m[1] * m[5] - m[2] * m[4], m[2] * m[3] - m[0] * m[5], m[0] * m[4] - m[1] * m[3]};
            vertex.normal = mat3Apply(cofactors, {d.normals.at(v, 0), d.normals.at(v, 1), d.normals.at(v, 2)});
        }
        if (d.haveUvs) vertex.uv = {d.uvs.at(v, 0), d.uvs.at(v, 1)};
        for (int c = 0; c < 3; ++c) {
            const double linear = d.material.colour[c] * (d.haveColours ? d.colours.at(v, c) : 1.0);
            vertex.colour[static_cast<size_t>(c)] = displayFromLinear(linear);
        }
        w.out->vertices.push_back(vertex);
    }
    return noFault();
}

// The primitive's faces by its mode, over vertices from `base` on.
Fault addFaces(SceneWalk& w, const GltfJson& prim, int64_t mode, int64_t base, const PrimitiveData& d,
               const std::string& where)
{
    std::vector<uint32_t> indices;
    int64_t indexAccessor = 0;
    if (gltfInteger(prim, "indices", &indexAccessor)) {
        if (const Fault f = readIndexAccessor(w.doc, indexAccessor, {1}, &indices))
            return withContext(where.c_str(), f);
        for (const uint32_t i : indices) {
            if (i >= d.positions.count)
                return faultOf("%s: index %u beyond the %lld vertices", where.c_str(), i,
                               static_cast<long long>(d.positions.count));
        }
    } else {
        for (int64_t i = 0; i < d.positions.count; ++i) indices.push_back(static_cast<uint32_t>(i));
    }
    const auto at = [&](size_t i) { return static_cast<uint32_t>(base + indices[i]); };
    const auto face = [&](std::vector<uint32_t> v) {
        MeshFace f;
        f.vertices = std::move(v);
        f.translucent = d.material.translucent;
        f.unlit = d.material.unlit;
        f.texture = d.material.texture;
        w.out->faces.push_back(std::move(f));
    };
    const size_t count = indices.size();
    switch (mode) {
    case gltfPoints:
        w.skippedPoints += static_cast<int64_t>(count);
        break;
    case gltfLines:
        for (size_t i = 0; i + 1 < count; i += 2) face({at(i), at(i + 1)});
        break;
    case gltfLineLoop:
        for (size_t i = 0; i + 1 < count; ++i) face({at(i), at(i + 1)});
        if (count > 2) face({at(count - 1), at(0)});
        break;
    case gltfLineStrip:
        for (size_t i = 0; i + 1 < count; ++i) face({at(i), at(i + 1)});
        break;
    case gltfTriangles:
        for (size_t i = 0; i + 2 < count; i += 3) face({at(i), at(i + 1), at(i + 2)});
        break;
    case gltfTriangleStrip:
        for (size_t i = 0; i + 2 < count; ++i) {
            if (i % 2 == 0)
                face({at(i), at(i + 1), at(i + 2)});
            else
                face({at(i + 1), at(i), at(i + 2)});
        }
        break;
    default:
        for (size_t i = 1; i + 1 < count; ++i) face({at(0), at(i), at(i + 1)});
        break;
    }
    if (w.out->faces.size() > static_cast<size_t>(importVertexLimit))
        return faultOf("more than %lld faces in all", static_cast<long long>(importVertexLimit));
    return noFault();
}

// A node's mesh: every primitive's vertices and faces.
Fault addNodeMesh(SceneWalk& w, size_t n)
{
    const GltfJson* nodes = gltfArray(w.doc.json, "nodes");
    int64_t meshIndex = 0;
    if (!gltfInteger((*nodes)[n], "mesh", &meshIndex)) return noFault();
    const GltfJson* mesh = gltfItem(w.doc, "meshes", meshIndex);
    if (mesh == nullptr) return faultOf("node %zu: mesh %lld does not exist", n, static_cast<long long>(meshIndex));
    const GltfJson* primitives = gltfArray(*mesh, "primitives");
    if (primitives == nullptr) return faultOf("mesh %lld: no primitives", static_cast<long long>(meshIndex));
    int64_t skinIndex = -1;
    // Each skin's matrices are read once and shared, however many nodes use it.
    static const Skin noSkin;
    const Skin* skin = &noSkin;
    if (gltfInteger((*nodes)[n], "skin", &skinIndex)) {
        if (skinIndex == 0) {
            skin = &w.first;
        } else {
            auto known = w.skins.find(skinIndex);
            if (known == w.skins.end()) {
                Skin read;
                if (const Fault f = skinOf(w.doc, skinIndex, &read)) return f;
                known = w.skins.emplace(skinIndex, std::move(read)).first;
            }
            skin = &known->second;
            ++w.otherSkins;
        }
    }
    for (size_t p = 0; p < primitives->size(); ++p) {
        const GltfJson& prim = (*primitives)[p];
        const std::string where = "mesh " + std::to_string(meshIndex) + " primitive " + std::to_string(p);
        const GltfJson* attributes = gltfField(prim, "attributes");
        int64_t positionAccessor = 0, mode = gltfTriangles;
        if (attributes == nullptr || !gltfInteger(*attributes, "POSITION", &positionAccessor))
            return faultOf("%s: no POSITION", where.c_str());
        if (gltfField(prim, "mode") != nullptr &&
            (!gltfInteger(prim, "mode", &mode) || mode < gltfPoints || mode > gltfTriangleFan)) {
            return faultOf("%s: bad mode", where.c_str());
        }
        PrimitiveData d;
        if (const Fault f = readAccessor(w.doc, positionAccessor, {3}, &d.positions))
            return withContext(where.c_str(), f);
        const auto base = static_cast<int64_t>(w.out->vertices.size());
        if (base + d.positions.count > importVertexLimit) {
            return faultOf("more than %lld vertices in all: more than the importer reads",
                           static_cast<long long>(importVertexLimit));
        }
        if (const Fault f = readAttributes(w, prim, where, skinIndex >= 0, &d)) return f;
        if (const Fault f = addVertices(w, n, *skin, d, where)) return f;
        if (const Fault f = addFaces(w, prim, mode, base, d, where)) return f;
    }
    return noFault();
}

}  // namespace

Fault meshSceneFromGltf(const GltfDocument& doc, MeshScene* out)
{
    *out = MeshScene{};
    SceneWalk w(doc, out);
    if (const Fault f = gltfWorldMatrices(doc, &w.world, &w.parent)) return f;
    if (const Fault f = findSceneNodes(w)) return f;
    if (const Fault f = takeFirstSkin(w)) return f;
    for (size_t n = 0; n < w.world.size(); ++n) {
        if (!w.inScene[n]) continue;
        if (const Fault f = addNodeMesh(w, n)) return f;
    }
    for (std::string& note : gltfDropNotes(doc)) out->notes.push_back(std::move(note));
    if (w.skippedPoints > 0)
        out->notes.push_back(std::to_string(w.skippedPoints) + " points of POINTS primitives dropped");
    if (w.otherSkins > 0)
        out->notes.push_back("meshes of skins other than the first: their vertices go to the root unless their joints "
                             "are the first skin's");
    return noFault();
}
