// gltf_scene.cpp: the glTF JSON of a planned export, written as text.
#include "exchange/gltf_scene.h"

#include "exchange/base64.h"
#include "exchange/json_text.h"
#include "exchange/unit_sphere.h"

namespace {

void appendMaterial(std::string& s, const GltfPlan& plan, const char* name, const float colour[3], bool translucent)
{
    constexpr float translucentAlpha = 80.0f / 255.0f;
    s += "{\"name\":\"";
    s += name;
    s += "\",\"pbrMetallicRoughness\":{\"baseColorFactor\":";
    const float factor[4] = {colour[0], colour[1], colour[2], translucent ? translucentAlpha : 1.0f};
    appendFloats(s, factor, 4);
    s += ",\"metallicFactor\":0,\"roughnessFactor\":1}";
    if (translucent) s += ",\"alphaMode\":\"BLEND\"";
    if (!plan.lit()) s += ",\"extensions\":{\"KHR_materials_unlit\":{}}";
    s += '}';
}

// The skinned mesh, the line meshes, then one per sphere colour and side.
void appendMeshes(std::string& s, const GltfPlan& plan, const std::string& name)
{
    s += ",\"meshes\":[";
    bool first = true;
    if (plan.skinnedMesh()) {
        s += "{\"name\":";
        s += name;
        s += ",\"primitives\":[";
        for (int g = 0, n = 0; g < 2; ++g) {
            if (plan.slot[g] < 0) continue;
            if (n++ > 0) s += ',';
            s += plan.primitiveText[g];
        }
        s += "]}";
        first = false;
    }
    for (const GltfLineMesh& lines : plan.lineMeshes) {
        if (!first) s += ',';
        first = false;
        s += lines.joint >= 0 ? "{\"name\":\"lines_bone_" : "{\"name\":\"lines_posed";
        if (lines.joint >= 0) appendInt(s, plan.body.joints[static_cast<size_t>(lines.joint)].index);
        s += "\",\"primitives\":[";
        s += lines.primitiveText;
        s += "]}";
    }
    const int firstSphereMaterial = plan.firstSphereMaterial();
    for (const auto& [colour, mirror] : plan.sphereMeshes) {
        if (!first) s += ',';
        first = false;
        s += "{\"name\":\"sphere_";
        appendInt(s, colour);
        if (mirror) s += "_mirrored";
        s += "\",\"primitives\":[{\"attributes\":{\"POSITION\":";
        appendInt(s, plan.spherePosition);
        if (plan.lit()) {
            s += ",\"NORMAL\":";
            appendInt(s, mirror ? plan.sphereMirrorNormal : plan.sphereNormal);
        }
        s += "},\"mode\":4,\"material\":";
        appendInt(s, firstSphereMaterial + plan.sphereMaterial[colour]);
        s += ",\"indices\":";
        appendInt(s, mirror ? plan.sphereMirrorIndex : plan.sphereIndex);
        s += "}]}";
    }
    s += ']';
}

// White for the skinned mesh and the lines (their colours are the vertices'), a colour per sphere colour.
void appendMaterials(std::string& s, const GltfPlan& plan)
{
    s += ",\"materials\":[";
    bool first = true;
    const float white[3] = {1, 1, 1};
    for (size_t m = 0; m < plan.slotMaterial.size(); ++m) {
        if (!first) s += ',';
        first = false;
        appendMaterial(s, plan, plan.slotMaterial[m].c_str(), white, plan.slotTranslucent[m]);
    }
    if (!plan.lineMeshes.empty()) {
        if (!first) s += ',';
        first = false;
        appendMaterial(s, plan, "lines", white, false);
    }
    for (uint8_t colour : plan.sphereColours) {
        if (!first) s += ',';
        first = false;
        const uint8_t* display = plan.options.palette[colour];
        const float c[3] = {plan.linear[display[0]], plan.linear[display[1]], plan.linear[display[2]]};
        const std::string sphereName = "sphere_" + std::to_string(colour);
        appendMaterial(s, plan, sphereName.c_str(), c, false);
    }
    s += ']';
}

void appendJointNode(std::string& s, const PosedBody& body, size_t j, const std::vector<size_t>& children)
{
    const PosedBone& joint = body.joints[j];
    if (j > 0) s += ',';
    s += "{\"name\":\"bone_";
    appendInt(s, joint.index);
    s += '"';
    Vec3 offset = joint.origin;
    if (joint.parentJoint >= 0) {
        const PosedBone& up = body.joints[static_cast<size_t>(joint.parentJoint)];
        offset = mat3Apply(mat3Transpose(up.world), {joint.origin[0] - up.origin[0], joint.origin[1] - up.origin[1],
                                                     joint.origin[2] - up.origin[2]});
    }
    if (offset[0] != 0 || offset[1] != 0 || offset[2] != 0) {
        const float t[3] = {static_cast<float>(offset[0] * exportScale), static_cast<float>(offset[1] * exportScale),
                            static_cast<float>(offset[2] * exportScale)};
        s += ",\"translation\":";
        appendFloats(s, t, 3);
    }
    const std::array<float, 4> q = quaternionOf(joint.local);
    if (q[0] != 0 || q[1] != 0 || q[2] != 0) {
        s += ",\"rotation\":";
        appendFloats(s, q.data(), 4);
    }
    if (!children.empty()) {
        s += ",\"children\":";
        appendInts(s, children);
    }
    s += '}';
}

// A sphere hangs on its centre point's joint, at the centre's place relative to the joint's bind
// origin: exactly where the skin puts that point. Its scale is the radius.
void appendSphereNode(std::string& s, const GltfPlan& plan, const PosedElement& e, size_t n)
{
    const PosedBody& body = plan.body;
    const Point16& centre = body.bindPoints[e.points[0]];
    const PosedBone& joint = body.joints[static_cast<size_t>(body.pointJoint[e.points[0]])];
    s += ",{\"name\":\"sphere_";
    appendInt(s, static_cast<long long>(n));
    s += "\",\"mesh\":";
    appendInt(s, static_cast<long long>(plan.firstSphereMesh()) + plan.sphereMesh[e.paletteIndex()][e.radius < 0]);
    const int32_t d[3] = {centre.x - static_cast<int32_t>(joint.bindOrigin[0]),
                          centre.y - static_cast<int32_t>(joint.bindOrigin[1]),
                          centre.z - static_cast<int32_t>(joint.bindOrigin[2])};
    if (d[0] != 0 || d[1] != 0 || d[2] != 0) {
        const float t[3] = {static_cast<float>(d[0]) * exportScale, static_cast<float>(d[1]) * exportScale,
                            static_cast<float>(d[2]) * exportScale};
        s += ",\"translation\":";
        appendFloats(s, t, 3);
    }
    const float r = static_cast<float>(e.radius) * exportScale;
    const float scale[3] = {r, r, r};
    s += ",\"scale\":";
    appendFloats(s, scale, 3);
    s += '}';
}

// A line mesh's node: under its joint, moved back by the joint's bind origin as the skin moves
// each vertex; the posed lines at the root, as they are.
void appendLineNode(std::string& s, const GltfPlan& plan, size_t k)
{
    const GltfLineMesh& lines = plan.lineMeshes[k];
    s += ",{\"name\":\"lines_";
    if (lines.joint >= 0) {
        const PosedBone& joint = plan.body.joints[static_cast<size_t>(lines.joint)];
        s += "bone_";
        appendInt(s, joint.index);
        if (joint.bindOrigin[0] != 0 || joint.bindOrigin[1] != 0 || joint.bindOrigin[2] != 0) {
            const float t[3] = {-static_cast<float>(joint.bindOrigin[0]) * exportScale,
                                -static_cast<float>(joint.bindOrigin[1]) * exportScale,
                                -static_cast<float>(joint.bindOrigin[2]) * exportScale};
            s += "\",\"translation\":";
            appendFloats(s, t, 3);
        } else {
            s += '"';
        }
    } else {
        s += "posed\"";
    }
    s += ",\"mesh\":";
    appendInt(s, static_cast<long long>(plan.firstLineMesh() + k));
    s += '}';
}

// A joint per processed bone (the frame's turns on them), the skinned mesh, the spheres, the lines.
void appendNodes(std::string& s, const GltfPlan& plan, const std::string& name)
{
    const PosedBody& body = plan.body;
    std::vector<std::vector<size_t>> children(body.joints.size());
    for (size_t j = 1; j < body.joints.size(); ++j) {
        const int up = body.joints[j].parentJoint;
        if (up >= 0) children[static_cast<size_t>(up)].push_back(j);
    }
    size_t node = plan.firstSphereNode();
    for (const PosedElement& e : body.elements) {
        if (e.kind == PosedElement::sphere)
            children[static_cast<size_t>(body.pointJoint[e.points[0]])].push_back(node++);
    }
    for (const GltfLineMesh& lines : plan.lineMeshes) {
        if (lines.joint >= 0) children[static_cast<size_t>(lines.joint)].push_back(node);
        ++node;
    }
    s += ",\"nodes\":[";
    for (size_t j = 0; j < body.joints.size(); ++j) appendJointNode(s, body, j, children[j]);
    if (plan.skinnedMesh()) {
        s += ",{\"name\":";
        s += name;
        s += ",\"mesh\":0,\"skin\":0}";
    }
    size_t n = 0;
    for (const PosedElement& e : body.elements) {
        if (e.kind == PosedElement::sphere) appendSphereNode(s, plan, e, n++);
    }
    for (size_t k = 0; k < plan.lineMeshes.size(); ++k) appendLineNode(s, plan, k);
    s += ']';
}

void appendSkin(std::string& s, const GltfPlan& plan, const std::string& name)
{
    s += ",\"skins\":[{\"name\":";
    s += name;
    s += ",\"inverseBindMatrices\":";
    appendInt(s, plan.inverseBindAccessor);
    s += ",\"skeleton\":0,\"joints\":[";
    for (size_t j = 0; j < plan.body.joints.size(); ++j) {
        if (j > 0) s += ',';
        appendInt(s, static_cast<long long>(j));
    }
    s += "]}]";
}

void appendScene(std::string& s, const GltfPlan& plan, const std::string& name)
{
    const PosedBody& body = plan.body;
    s += ",\"scenes\":[{\"name\":";
    s += name;
    s += ",\"nodes\":[0";
    if (plan.skinnedMesh()) {
        s += ',';
        appendInt(s, static_cast<long long>(body.joints.size()));
    }
    for (size_t k = 0; k < plan.lineMeshes.size(); ++k) {
        if (plan.lineMeshes[k].joint >= 0) continue;
        s += ',';
        appendInt(s, static_cast<long long>(plan.firstLineNode() + k));
    }
    ExtrasHead head;
    head.archive = plan.options.archiveName;
    head.entry = plan.options.entry;
    head.autoAngle = body.autoAngle;
    head.lit = plan.lit();
    head.header = body.header;
    head.tail = body.tail;
    head.pointCount = body.pointCount;
    head.pointAccessor = plan.pointAccessor;
    head.normalTotal = body.normalTotal;
    head.roles = plan.slotRole;
    for (size_t k = 0; k < plan.lineMeshes.size(); ++k) {
        head.roles.emplace_back(plan.lineMeshes[k].role());
        head.lineNodes.push_back(static_cast<int64_t>(plan.firstLineNode() + k));
    }
    s += "],\"extras\":{\"orvane\":";
    appendOrvaneExtras(s, head, body.bones, body.boneJoint, body.normalRecords, body.elements, plan.places);
    s += "}}]";
}

void appendBuffers(std::string& s, const GltfPlan& plan, const std::vector<uint8_t>* embedded)
{
    s += ",\"accessors\":[";
    s += plan.accessors;
    s += "],\"bufferViews\":[";
    s += plan.views;
    s += "],\"buffers\":[{\"byteLength\":";
    appendInt(s, static_cast<long long>(plan.binSize));
    if (embedded != nullptr) {
        // One self-contained file: the buffer rides along as a data URI.
        s += ",\"uri\":\"";
        appendBase64DataUri(s, *embedded);
        s += '"';
    }
    s += "}]";
}

}  // namespace

std::string gltfJson(const GltfPlan& plan, const std::vector<uint8_t>* embedded)
{
    const PosedBody& body = plan.body;
    std::string name;
    appendString(name, plan.options.archiveName + "#" + std::to_string(plan.options.entry));
    std::string s;
    s.reserve(4096 + plan.views.size() + plan.accessors.size() + body.elements.size() * 72 + body.bones.size() * 200 +
              body.normalRecords.size() * 24 + plan.spheres * 120 +
              (embedded != nullptr ? embedded->size() / 3 * 4 + 64 : 0));

    s += "{\"asset\":{\"version\":\"2.0\",\"generator\":\"Orvane ";
    s += orvaneVersion;
    s += "\"}";
    if (!plan.lit()) s += ",\"extensionsUsed\":[\"KHR_materials_unlit\"]";
    s += ",\"scene\":0";
    if (plan.vertexColoured() || plan.spheres > 0) {
        appendMeshes(s, plan, name);
        appendMaterials(s, plan);
    }
    appendNodes(s, plan, name);
    appendSkin(s, plan, name);
    appendScene(s, plan, name);
    appendBuffers(s, plan, embedded);
    s += '}';
    return s;
}
