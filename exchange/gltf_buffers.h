// gltf_buffers.h: the binary buffer of one glTF export, planned before anything is written: how
// many vertices each primitive of the skinned mesh and each line mesh takes, where every attribute, the unit sphere,
// the inverse bind matrices and the point table lie, and the JSON of the views and accessors
// that describe them. The buffer is then filled in place, once.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "exchange/export_options.h"
#include "exchange/orvane_extras.h"
#include "exchange/posed_body.h"

// The vertices of one primitive of the skinned mesh, counted before they are written.
struct GltfGroup {
    const char* role;
    int mode;
    bool translucent;
    size_t vertices = 0, indices = 0;
    float low[3] = {std::numeric_limits<float>::max(), std::numeric_limits<float>::max(),
                    std::numeric_limits<float>::max()};
    float high[3] = {std::numeric_limits<float>::lowest(), std::numeric_limits<float>::lowest(),
                     std::numeric_limits<float>::lowest()};
    bool normals = false;
    // Where each attribute starts in the buffer.
    size_t position = 0, normal = 0, colour = 0, joint = 0, weight = 0, point = 0, uv = 0, index = 0;
    bool wideIndices() const { return vertices > 65535; }
    bool empty() const;
};

// The lines go in meshes of their own, since a glTF client may skin only triangles: the lines
// whose two points one joint moves hang under that joint (their vertices the bind pose, the node
// undoing the joint's bind origin, as the skin does), and the lines across joints go in one mesh
// at the scene's root with their vertices posed. Every client then draws them where the viewer does.
struct GltfLineMesh {
    int joint = -1;  // the joint it hangs under; -1 for the posed lines at the root
    size_t vertices = 0;
    float low[3] = {std::numeric_limits<float>::max(), std::numeric_limits<float>::max(),
                    std::numeric_limits<float>::max()};
    float high[3] = {std::numeric_limits<float>::lowest(), std::numeric_limits<float>::lowest(),
                     std::numeric_limits<float>::lowest()};
    size_t position = 0, colour = 0, point = 0, uv = 0;  // where each attribute starts in the buffer
    std::string primitiveText;
    const char* role() const { return joint >= 0 ? "lines" : "posed lines"; }
};

struct GltfPlan {
    GltfPlan(const PosedBody& body, const ExportOptions& options);

    const PosedBody& body;
    const ExportOptions& options;
    const float* linear;     // a palette component's linear value
    GltfGroup groups[2];     // polygons, translucent polygons
    int slot[2] = {-1, -1};  // each group's first place among the mesh's primitives
    int primitives = 0;
    // Triangles go in a primitive per stored colour with its own material `palette_NNN`, so that
    // a colour survives an editor that keeps materials but not vertex attributes; a group's
    // primitives share its vertices. Per group and colour: indices, first index, place.
    size_t colourIndices[2][256] = {};
    size_t colourFirstIndex[2][256] = {};
    int colourSlot[2][256];
    // Per primitive of the skinned mesh: its role (the extras' name for its group) and its material.
    std::vector<std::string> slotRole, slotMaterial;
    std::vector<bool> slotTranslucent;
    std::vector<GltfLineMesh> lineMeshes;  // each one primitive, numbered after the skinned mesh's
    // Each element's place in the glTF: its primitive (a colour of a group, or a line mesh's
    // numbered after the skinned mesh's) and first vertex, or its node.
    std::vector<ElementPlace> places;
    // Spheres: a mesh per colour and side (plain, mirrored), a material per colour.
    int sphereMesh[256][2];
    int sphereMaterial[256];
    std::vector<std::pair<uint8_t, bool>> sphereMeshes;  // colour and side, in mesh order
    std::vector<uint8_t> sphereColours;                  // in material order
    bool anyPlain = false, anyMirror = false;
    size_t spheres = 0;
    float pointLow[3], pointHigh[3];

    // The buffer's layout, and the accessor and view text that describes it.
    size_t binSize = 0;
    std::string views, accessors;
    int viewCount = 0, accessorCount = 0;
    std::string primitiveText[2];  // a group's primitives, comma-separated
    size_t sphereView[5] = {};     // positions, normals, mirror normals, indices, mirror indices
    int spherePosition = -1, sphereNormal = -1, sphereMirrorNormal = -1, sphereIndex = -1, sphereMirrorIndex = -1;
    size_t inverseBindView = 0, pointView = 0;
    int inverseBindAccessor = -1, pointAccessor = -1;

    bool lit() const { return options.look == ExportLook::base; }
    bool skinnedMesh() const { return primitives > 0; }
    // The materials coloured by their vertices: the skinned mesh's and the line meshes'.
    bool vertexColoured() const { return skinnedMesh() || !lineMeshes.empty(); }
    // The line meshes' one material, after the skinned mesh's; then the spheres'.
    int lineMaterial() const { return primitives; }
    int firstSphereMaterial() const { return primitives + (lineMeshes.empty() ? 0 : 1); }
    size_t firstLineMesh() const { return skinnedMesh() ? 1 : 0; }
    size_t firstSphereMesh() const { return firstLineMesh() + lineMeshes.size(); }
    size_t firstSphereNode() const { return body.joints.size() + (skinnedMesh() ? 1 : 0); }
    size_t firstLineNode() const { return firstSphereNode() + spheres; }
    // The group a polygon goes into.
    static int groupOf(const PosedElement& e) { return e.translucent() ? 1 : 0; }

private:
    void count();
    void layOut();
    void layOutGroup(int g);
    void layOutLineMesh(GltfLineMesh& lines);
    int view(size_t bytes, int target, size_t* offset);
    int accessor(int view, int componentType, size_t count, const char* type, bool normalized = false,
                 const float* low = nullptr, const float* high = nullptr, int components = 0, size_t byteOffset = 0);
    void planSlots(int g);
};

// Writes every view into `bin` (plan.binSize bytes, zeroed).
void fillGltfBuffer(const GltfPlan& plan, uint8_t* bin);

// A point in OpenGL units: each product in single precision, as the viewer scales its vertices.
std::array<float, 3> scaledPoint(const Point16& p);
