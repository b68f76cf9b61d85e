// edited_gltf_file.cpp: reads an edited export's mesh and skeleton for the import against a base.
#include "exchange/edited_gltf_file.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <string>

#include "exchange/geometry.h"
#include "exchange/gltf_structure.h"
#include "exchange/mesh_scene.h"

namespace {

int paletteOfMaterial(const GltfDocument& doc, int64_t material, bool* translucent)
{
    const GltfJson* m = gltfItem(doc, "materials", material);
    const GltfJson* name = m != nullptr ? gltfField(*m, "name") : nullptr;
    const GltfJson* mode = m != nullptr ? gltfField(*m, "alphaMode") : nullptr;
    *translucent = mode != nullptr && mode->is_string() && mode->get<std::string>() == "BLEND";
    if (name == nullptr || !name->is_string()) return -1;
    const std::string& s = name->get_ref<const std::string&>();
    if (s.size() < 11 || s.compare(0, 8, "palette_") != 0) return -1;
    int value = 0;
    for (size_t k = 8; k < 11; ++k) {
        if (s[k] < '0' || s[k] > '9') return -1;
        value = value * 10 + (s[k] - '0');
    }
    return value <= 255 && (s.size() == 11 || s[11] == '_' || s[11] == '.') ? value : -1;
}

int64_t skinnedNode(const GltfDocument& doc, int64_t* mesh, int64_t* skin)
{
    const GltfJson* nodes = gltfArray(doc.json, "nodes");
    for (size_t n = 0; nodes != nullptr && n < nodes->size(); ++n) {
        if (gltfInteger((*nodes)[n], "skin", skin) && gltfInteger((*nodes)[n], "mesh", mesh))
            return static_cast<int64_t>(n);
    }
    return -1;
}

// Appends the vertices of one set of accessors: positions, the points they name (-1: none), joints.
Fault readVertices(const GltfDocument& doc, const std::array<int64_t, 3>& accessors, double scale, FileMesh* out)
{
    AccessorValues positions, ids;
    if (const Fault f = readAccessor(doc, accessors[0], {3}, &positions)) return f;
    if (static_cast<int64_t>(out->vertices.size()) + positions.count > importVertexLimit)
        return faultOf("more than %lld vertices", static_cast<long long>(importVertexLimit));
    if (accessors[1] >= 0) {
        if (const Fault f = readAccessor(doc, accessors[1], {1, 2}, &ids)) return f;
    }
    const bool named = accessors[1] >= 0 && ids.count == positions.count;
    std::vector<uint32_t> joints;
    int jointComponents = 0;
    if (accessors[2] >= 0) {
        if (const Fault f = readIndexAccessor(doc, accessors[2], {4}, &joints, &jointComponents)) return f;
    }
    for (int64_t v = 0; v < positions.count; ++v) {
        FileVertex fv;
        for (int c = 0; c < 3; ++c) {
            const double q = positions.at(v, c) * scale;
            if (!(q >= -32768.5 && q < 32767.5))
                return faultOf("vertex %lld lies outside the 16-bit range at this scale", static_cast<long long>(v));
            fv.position[static_cast<size_t>(c)] = static_cast<int32_t>(std::lround(q));
        }
        if (named) fv.id = ids.at(v, 0);
        if (static_cast<size_t>(v) * 4 < joints.size()) fv.joint = static_cast<int>(joints[static_cast<size_t>(v) * 4]);
        out->vertices.push_back(fv);
    }
    return noFault();
}

// The point `w` taken back through the affine `m`; false when `m` is singular.
bool undo(const Mat4& m, const Vec3& w, Vec3* out)
{
    const Mat3 q = mat4Linear(m);
    const double det = mat3Determinant(q);
    if (!(std::fabs(det) > 1e-12) || !std::isfinite(det)) return false;
    const Vec3 d = {w[0] - m[12], w[1] - m[13], w[2] - m[14]};
    // inverse = adjugate / det
    const Mat3 adj = {q[4] * q[8] - q[5] * q[7], q[2] * q[7] - q[1] * q[8], q[1] * q[5] - q[2] * q[4],
                      q[5] * q[6] - q[3] * q[8], q[0] * q[8] - q[2] * q[6], q[2] * q[3] - q[0] * q[5],
                      q[3] * q[7] - q[4] * q[6], q[1] * q[6] - q[0] * q[7], q[0] * q[4] - q[1] * q[3]};
    const Vec3 r = mat3Apply(adj, d);
    *out = {r[0] / det, r[1] / det, r[2] / det};
    return true;
}

// The segments of every line primitive outside the skinned mesh. A mesh under a joint (at any
// depth) holds lines that move with it: its places are taken back to the bind pose through that
// joint's skin matrix. A mesh under no joint holds posed lines: its places are the world's.
Fault readLineMeshes(const GltfDocument& doc, double scale, int64_t skinIndex, FileMesh* out)
{
    const GltfJson* nodes = gltfArray(doc.json, "nodes");
    if (nodes == nullptr) return noFault();
    std::vector<Mat4> world;
    std::vector<int> parent;
    if (const Fault f = gltfWorldMatrices(doc, &world, &parent)) return f;
    const GltfJson* skin = gltfItem(doc, "skins", skinIndex < 0 ? 0 : skinIndex);
    const GltfJson* joints = skin != nullptr ? gltfArray(*skin, "joints") : nullptr;
    AccessorValues inverse;
    int64_t inverseAccessor = -1;
    if (skin != nullptr && gltfInteger(*skin, "inverseBindMatrices", &inverseAccessor)) {
        if (const Fault f = readAccessor(doc, inverseAccessor, {16}, &inverse)) return f;
    }
    std::map<int64_t, size_t> jointOfNode;
    for (size_t k = 0; joints != nullptr && k < joints->size(); ++k) {
        if ((*joints)[k].is_number_integer()) jointOfNode.emplace((*joints)[k].get<int64_t>(), k);
    }
    int64_t lineVertices = 0;
    for (size_t n = 0; n < nodes->size() && n < world.size(); ++n) {
        int64_t meshIndex = -1, ignored = -1;
        if (gltfInteger((*nodes)[n], "skin", &ignored) || !gltfInteger((*nodes)[n], "mesh", &meshIndex)) continue;
        const GltfJson* mesh = gltfItem(doc, "meshes", meshIndex);
        const GltfJson* list = mesh != nullptr ? gltfArray(*mesh, "primitives") : nullptr;
        // The skin matrix of the nearest joint above, which takes the bind pose to the world.
        bool posed = true;
        Mat4 toWorld = mat4Identity();
        for (int up = parent[n]; up >= 0; up = parent[static_cast<size_t>(up)]) {
            const auto it = jointOfNode.find(up);
            if (it == jointOfNode.end()) continue;
            Mat4 bind = mat4Identity();
            if (static_cast<int64_t>(it->second) < inverse.count) {
                for (int c = 0; c < 16; ++c)
                    bind[static_cast<size_t>(c)] = inverse.at(static_cast<int64_t>(it->second), c);
            }
            toWorld = mat4Multiply(world[static_cast<size_t>(up)], bind);
            posed = false;
            break;
        }
        for (size_t p = 0; list != nullptr && p < list->size(); ++p) {
            const GltfJson& prim = (*list)[p];
            const GltfJson* attributes = gltfField(prim, "attributes");
            int64_t accessor = -1, mode = 4;
            gltfInteger(prim, "mode", &mode);
            if (mode != 1 || attributes == nullptr || !gltfInteger(*attributes, "POSITION", &accessor)) continue;
            const std::string where = "mesh " + std::to_string(meshIndex);
            AccessorValues positions;
            if (const Fault f = readAccessor(doc, accessor, {3}, &positions)) return withContext(where.c_str(), f);
            lineVertices += positions.count;
            if (lineVertices > importVertexLimit)
                return faultOf("more than %lld line vertices", static_cast<long long>(importVertexLimit));
            std::vector<Position> places;
            for (int64_t v = 0; v < positions.count; ++v) {
                const Vec3 w = mat4Apply(world[n], {positions.at(v, 0), positions.at(v, 1), positions.at(v, 2)});
                Vec3 at = w;
                if (!posed && !undo(toWorld, w, &at))
                    return faultOf("%s: its joint's skin matrix is singular", where.c_str());
                Position q{};
                for (size_t c = 0; c < 3; ++c) {
                    const double u = at[c] * scale;
                    if (!(u >= -32768.5 && u < 32767.5))
                        return faultOf("%s: a line vertex lies outside the 16-bit range at this scale", where.c_str());
                    q[c] = static_cast<int32_t>(std::lround(u));
                }
                places.push_back(q);
            }
            std::vector<uint32_t> indices;
            if (gltfInteger(prim, "indices", &accessor)) {
                if (const Fault f = readIndexAccessor(doc, accessor, {1}, &indices))
                    return withContext(where.c_str(), f);
            } else {
                for (size_t i = 0; i < places.size(); ++i) indices.push_back(static_cast<uint32_t>(i));
            }
            for (size_t i = 0; i + 1 < indices.size(); i += 2) {
                if (indices[i] >= places.size() || indices[i + 1] >= places.size())
                    return faultOf("%s: an index beyond its vertices", where.c_str());
                out->segments.push_back({places[indices[i]], places[indices[i + 1]], posed});
            }
        }
    }
    return noFault();
}

}  // namespace

Fault readEditedMesh(const GltfDocument& doc, double scale, FileMesh* out)
{
    int64_t meshIndex = -1, skinIndex = -1;
    if (skinnedNode(doc, &meshIndex, &skinIndex) < 0)
        return readLineMeshes(doc, scale, -1, out);  // no faces: spheres and lines alone
    const GltfJson* mesh = gltfItem(doc, "meshes", meshIndex);
    const GltfJson* list = mesh != nullptr ? gltfArray(*mesh, "primitives") : nullptr;
    std::map<std::array<int64_t, 3>, std::pair<uint32_t, uint32_t>> vertexSets;  // first vertex and count
    for (size_t p = 0; list != nullptr && p < list->size(); ++p) {
        const GltfJson& prim = (*list)[p];
        const GltfJson* attributes = gltfField(prim, "attributes");
        int64_t accessor = 0, mode = 4, material = -1;
        if (attributes == nullptr || !gltfInteger(*attributes, "POSITION", &accessor))
            return faultOf("primitive %zu: no POSITION", p);
        gltfInteger(prim, "mode", &mode);
        gltfInteger(prim, "material", &material);
        // A colour's primitives share their group's vertices: each set is read once.
        int64_t named = -1, jointAccessor = -1;
        if (!gltfInteger(*attributes, "TEXCOORD_0", &named)) gltfInteger(*attributes, "_POINT", &named);
        gltfInteger(*attributes, "JOINTS_0", &jointAccessor);
        const std::array<int64_t, 3> key = {accessor, named, jointAccessor};
        auto seen = vertexSets.find(key);
        if (seen == vertexSets.end()) {
            const auto start = static_cast<uint32_t>(out->vertices.size());
            if (const Fault f = readVertices(doc, key, scale, out))
                return withContext(("primitive " + std::to_string(p)).c_str(), f);
            seen = vertexSets.emplace(key, std::make_pair(start, static_cast<uint32_t>(out->vertices.size()) - start))
                       .first;
        }
        const uint32_t first = seen->second.first, count = seen->second.second;
        std::vector<uint32_t> indices;
        if (gltfInteger(prim, "indices", &accessor)) {
            if (const Fault f = readIndexAccessor(doc, accessor, {1}, &indices)) return f;
        } else {
            for (uint32_t i = 0; i < count; ++i) indices.push_back(i);
        }
        for (uint32_t& i : indices) {
            if (i >= count) return faultOf("primitive %zu: index %u beyond its %u vertices", p, i, count);
            i += first;
        }
        if (mode == 4) {
            FileTriangle t{};
            t.colour = material >= 0 ? paletteOfMaterial(doc, material, &t.translucent) : -1;
            for (size_t i = 0; i + 2 < indices.size(); i += 3) {
                std::copy(indices.begin() + static_cast<std::ptrdiff_t>(i),
                          indices.begin() + static_cast<std::ptrdiff_t>(i + 3), t.v);
                out->triangles.push_back(t);
            }
        } else if (mode == 1) {  // lines in the skinned mesh, as an older export has them: the bind pose
            for (size_t i = 0; i + 1 < indices.size(); i += 2)
                out->segments.push_back(
                    {out->vertices[indices[i]].position, out->vertices[indices[i + 1]].position, false});
        }
    }
    return readLineMeshes(doc, scale, skinIndex, out);
}

std::vector<int64_t> jointNodes(const GltfDocument& doc, const PosedBody& p)
{
    std::map<std::string, int64_t> byName;
    const GltfJson* nodes = gltfArray(doc.json, "nodes");
    for (size_t n = 0; nodes != nullptr && n < nodes->size(); ++n) {
        const GltfJson* name = gltfField((*nodes)[n], "name");
        if (name != nullptr && name->is_string()) byName.emplace(name->get<std::string>(), static_cast<int64_t>(n));
    }
    std::vector<int64_t> out;
    for (const PosedBone& j : p.joints) {
        const auto it = byName.find("bone_" + std::to_string(j.index));
        out.push_back(it == byName.end() ? -1 : it->second);
    }
    return out;
}

std::vector<int> skinJoints(const GltfDocument& doc, const std::vector<int64_t>& nodes)
{
    int64_t mesh = -1, skin = -1;
    std::vector<int> out;
    if (skinnedNode(doc, &mesh, &skin) < 0) return out;
    const GltfJson* s = gltfItem(doc, "skins", skin);
    const GltfJson* joints = s != nullptr ? gltfArray(*s, "joints") : nullptr;
    for (size_t k = 0; joints != nullptr && k < joints->size(); ++k) {
        const auto at =
            std::find(nodes.begin(), nodes.end(), (*joints)[k].is_number_integer() ? (*joints)[k].get<int64_t>() : -2);
        out.push_back(at == nodes.end() ? -1 : static_cast<int>(at - nodes.begin()));
    }
    return out;
}

Fault skinTurns(const GltfDocument& doc, const std::vector<int>& fileJoint, size_t jointCount, std::vector<Mat3>* turn,
                std::vector<bool>* found)
{
    turn->assign(jointCount, Mat3{1, 0, 0, 0, 1, 0, 0, 0, 1});
    found->assign(jointCount, false);
    std::vector<std::array<double, 16>> world;
    std::vector<int> parent;
    int64_t meshIndex = -1, skinIndex = -1;
    if (skinnedNode(doc, &meshIndex, &skinIndex) < 0) return noFault();
    if (const Fault f = gltfWorldMatrices(doc, &world, &parent)) return f;
    const GltfJson* skin = gltfItem(doc, "skins", skinIndex);
    const GltfJson* joints = skin != nullptr ? gltfArray(*skin, "joints") : nullptr;
    int64_t inverseAccessor = -1;
    AccessorValues inverse;
    if (skin != nullptr && gltfInteger(*skin, "inverseBindMatrices", &inverseAccessor)) {
        if (const Fault f = readAccessor(doc, inverseAccessor, {16}, &inverse)) return f;
    }
    for (size_t k = 0; joints != nullptr && k < joints->size() && k < fileJoint.size(); ++k) {
        const int j = fileJoint[k];
        const int64_t node = (*joints)[k].is_number_integer() ? (*joints)[k].get<int64_t>() : -1;
        if (j < 0 || node < 0 || static_cast<size_t>(node) >= world.size()) continue;
        const std::array<double, 16>& w = world[static_cast<size_t>(node)];
        Mat3& r = (*turn)[static_cast<size_t>(j)];
        for (size_t row = 0; row < 3; ++row) {
            for (size_t col = 0; col < 3; ++col) {
                double v = 0;
                for (size_t m = 0; m < 3; ++m) {
                    const double ib = static_cast<int64_t>(k) < inverse.count
                                          ? inverse.at(static_cast<int64_t>(k), static_cast<int>(col * 4 + m))
                                          : (m == col);
                    v += w[m * 4 + row] * ib;
                }
                r[row * 3 + col] = v;
            }
        }
        (*found)[static_cast<size_t>(j)] = true;
    }
    return noFault();
}
