// gltf_buffers.cpp: counts, lays out and fills the binary buffer of a glTF export.
#include "exchange/gltf_buffers.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "exchange/colour.h"
#include "exchange/gltf_format.h"
#include "exchange/json_text.h"
#include "exchange/unit_sphere.h"

// The buffer takes host floats and integers as they are; glTF's are little-endian.
static_assert(std::endian::native == std::endian::little, "the glTF writer assumes a little-endian host");

namespace {

std::array<float, 3> unit(double x, double y, double z, std::array<float, 3> fallback)
{
    const double n = std::sqrt(x * x + y * y + z * z);
    if (!(n > 1e-9)) return fallback;
    return {static_cast<float>(x / n), static_cast<float>(y / n), static_cast<float>(z / n)};
}

// Newell's normal over the bind pose: counter-clockwise faces point it outwards.
std::array<float, 3> faceNormal(const PosedBody& body, const PosedElement& e)
{
    double x = 0, y = 0, z = 0;
    for (size_t k = 0; k < e.points.size(); ++k) {
        const Point16& a = body.bindPoints[e.points[k]];
        const Point16& b = body.bindPoints[e.points[(k + 1) % e.points.size()]];
        x += (static_cast<double>(a.y) - b.y) * (static_cast<double>(a.z) + b.z);
        y += (static_cast<double>(a.z) - b.z) * (static_cast<double>(a.x) + b.x);
        z += (static_cast<double>(a.x) - b.x) * (static_cast<double>(a.y) + b.y);
    }
    return unit(x, y, z, {0, 1, 0});
}

std::array<float, 3> recordNormal(const PosedBody& body, int number, const std::array<float, 3>& fallback)
{
    if (number < 0 || static_cast<size_t>(number) >= body.normalRecords.size()) return fallback;
    const NormalRecord& n = body.normalRecords[static_cast<size_t>(number)];
    return unit(n.x, n.y, n.z, fallback);
}

void put(uint8_t* at, const void* value, size_t bytes) { std::memcpy(at, value, bytes); }

// Writes the skinned mesh's vertices and indices, group by group, one vertex after another.
class MeshFiller {
public:
    MeshFiller(const GltfPlan& plan, uint8_t* bin) : plan_(plan), bin_(bin) {}

    void vertex(int g, uint16_t point, uint8_t colour, const std::array<float, 3>& normal)
    {
        const GltfGroup& group = plan_.groups[g];
        const size_t v = next_[g]++;
        put(bin_ + group.position + v * 12, scaledPoint(plan_.body.bindPoints[point]).data(), 12);
        if (group.normals) put(bin_ + group.normal + v * 12, normal.data(), 12);
        const uint8_t* display = plan_.options.palette[colour];
        const float c[3] = {plan_.linear[display[0]], plan_.linear[display[1]], plan_.linear[display[2]]};
        put(bin_ + group.colour + v * 12, c, 12);
        const auto joint = static_cast<uint16_t>(plan_.body.pointJoint[point]);
        put(bin_ + group.joint + v * 8, &joint, 2);  // the other three stay 0
        bin_[group.weight + v * 4] = 255;
        const auto p = static_cast<float>(point);
        put(bin_ + group.point + v * 4, &p, 4);
        put(bin_ + group.uv + v * 8, &p, 4);  // v stays 0
    }

    void index(int g, uint8_t colour, size_t value)
    {
        const GltfGroup& group = plan_.groups[g];
        const size_t at = plan_.colourFirstIndex[g][colour] + nextIndex_[g][colour]++;
        if (group.wideIndices()) {
            const auto i = static_cast<uint32_t>(value);
            put(bin_ + group.index + 4 * at, &i, 4);
        } else {
            const auto i = static_cast<uint16_t>(value);
            put(bin_ + group.index + 2 * at, &i, 2);
        }
    }

    void polygon(const PosedElement& e, size_t first)
    {
        const int g = GltfPlan::groupOf(e);
        const bool lit = plan_.lit();
        const std::array<float, 3> face = lit ? faceNormal(plan_.body, e) : std::array<float, 3>{};
        for (size_t k = 0; k < e.points.size(); ++k) {
            uint8_t colour = static_cast<uint8_t>(e.colour);
            std::array<float, 3> normal = face;
            if (lit) {
                if (e.type >= renderTypeVertexShaded)
                    normal = recordNormal(plan_.body, e.normals[k], face);
                else if (e.type >= renderTypeShaded)
                    normal = recordNormal(plan_.body, e.polygonNormal, face);
            } else {
                colour = e.smooth() ? static_cast<uint8_t>(e.vertexColours[k]) : e.paletteIndex();
            }
            vertex(g, e.points[k], colour, normal);
        }
        const auto stored = static_cast<uint8_t>(e.colour);
        for (size_t k = 1; k + 1 < e.points.size(); ++k) {
            index(g, stored, first);
            index(g, stored, first + k);
            index(g, stored, first + k + 1);
        }
    }

private:
    const GltfPlan& plan_;
    uint8_t* bin_;
    size_t next_[2] = {0, 0};
    size_t nextIndex_[2][256] = {};
};

// Writes a line mesh's vertex: the bind pose under a joint, the frame's pose at the root.
void lineVertex(const GltfPlan& plan, uint8_t* bin, const GltfLineMesh& lines, size_t v, uint16_t point, uint8_t colour)
{
    const Point16& at = lines.joint >= 0 ? plan.body.bindPoints[point] : plan.body.framePoints[point];
    put(bin + lines.position + v * 12, scaledPoint(at).data(), 12);
    const uint8_t* display = plan.options.palette[colour];
    const float c[3] = {plan.linear[display[0]], plan.linear[display[1]], plan.linear[display[2]]};
    put(bin + lines.colour + v * 12, c, 12);
    const auto p = static_cast<float>(point);
    put(bin + lines.point + v * 4, &p, 4);
    put(bin + lines.uv + v * 8, &p, 4);  // v stays 0
}

}  // namespace

std::array<float, 3> scaledPoint(const Point16& p)
{
    return {static_cast<float>(p.x) * exportScale, static_cast<float>(p.y) * exportScale,
            static_cast<float>(p.z) * exportScale};
}

bool GltfGroup::empty() const { return mode == gltfTriangles ? indices == 0 : vertices == 0; }

GltfPlan::GltfPlan(const PosedBody& b, const ExportOptions& o)
    : body(b), options(o),
      linear(linearFromDisplayTable()), groups{{"polygons", gltfTriangles, false}, {"translucent", gltfTriangles, true}}
{
    count();
    layOut();
}

void GltfPlan::count()
{
    for (int& m : sphereMaterial) m = -1;
    for (auto& m : sphereMesh) m[0] = m[1] = -1;
    places.resize(body.elements.size());
    const auto take = [](float* low, float* high, const Point16& at) {
        const std::array<float, 3> p = scaledPoint(at);
        for (size_t c = 0; c < 3; ++c) {
            low[c] = std::min(low[c], p[c]);
            high[c] = std::max(high[c], p[c]);
        }
    };
    std::vector<int> lineMeshOfJoint(body.joints.size(), -1);
    int posedLines = -1;
    std::vector<int> lineMeshOf(body.elements.size(), -1);
    for (size_t i = 0; i < body.elements.size(); ++i) {
        const PosedElement& e = body.elements[i];
        ElementPlace& place = places[i];
        if (e.kind == PosedElement::sphere) {
            const uint8_t colour = e.paletteIndex();
            const bool mirror = e.radius < 0;
            if (sphereMaterial[colour] < 0) {
                sphereMaterial[colour] = static_cast<int>(sphereColours.size());
                sphereColours.push_back(colour);
            }
            if (sphereMesh[colour][mirror] < 0) {
                sphereMesh[colour][mirror] = static_cast<int>(sphereMeshes.size());
                sphereMeshes.emplace_back(colour, mirror);
            }
            anyMirror |= mirror;
            anyPlain |= !mirror;
            place.sphereNode = static_cast<int64_t>(spheres++);  // counted from the first sphere node, for now
            continue;
        }
        if (e.kind == PosedElement::line) {
            const int joint = body.pointJoint[e.points[0]];
            const bool own = body.pointJoint[e.points[1]] == joint;
            int& mesh = own ? lineMeshOfJoint[static_cast<size_t>(joint)] : posedLines;
            if (mesh < 0) {
                mesh = static_cast<int>(lineMeshes.size());
                lineMeshes.emplace_back().joint = own ? joint : -1;
            }
            GltfLineMesh& lines = lineMeshes[static_cast<size_t>(mesh)];
            lineMeshOf[i] = mesh;
            place.firstVertex = static_cast<int64_t>(lines.vertices);
            for (uint16_t point : e.points)
                take(lines.low, lines.high, own ? body.bindPoints[point] : body.framePoints[point]);
            lines.vertices += e.points.size();
            continue;
        }
        // A polygon of fewer than three vertices draws nothing: no geometry, the record only.
        if (e.points.size() < 3) continue;
        const int g = groupOf(e);
        GltfGroup& group = groups[g];
        place.primitive = g;  // the group, for now
        place.firstVertex = static_cast<int64_t>(group.vertices);
        for (uint16_t point : e.points) take(group.low, group.high, body.bindPoints[point]);
        group.vertices += e.points.size();
        group.indices += 3 * (e.points.size() - 2);
        colourIndices[g][static_cast<uint8_t>(e.colour)] += 3 * (e.points.size() - 2);
    }
    for (int g = 0; g < 2; ++g) {
        if (groups[g].empty()) continue;
        groups[g].normals = lit();
        planSlots(g);
    }
    const auto firstSphere = static_cast<int64_t>(firstSphereNode());
    for (size_t i = 0; i < places.size(); ++i) {
        ElementPlace& place = places[i];
        if (lineMeshOf[i] >= 0)
            place.primitive = primitives + lineMeshOf[i];
        else if (place.primitive >= 0)
            place.primitive = colourSlot[place.primitive][static_cast<uint8_t>(body.elements[i].colour)];
        if (place.sphereNode >= 0) place.sphereNode += firstSphere;
    }
    for (int c = 0; c < 3; ++c) {
        pointLow[c] = std::numeric_limits<float>::max();
        pointHigh[c] = std::numeric_limits<float>::lowest();
    }
    for (int i = 0; i < body.pointCount; ++i) {
        const std::array<float, 3> p = scaledPoint(body.bindPoints[static_cast<size_t>(i)]);
        for (size_t c = 0; c < 3; ++c) {
            pointLow[c] = std::min(pointLow[c], p[c]);
            pointHigh[c] = std::max(pointHigh[c], p[c]);
        }
    }
}

// The group's primitives: one per colour its triangles have.
void GltfPlan::planSlots(int g)
{
    slot[g] = primitives;
    size_t first = 0;
    for (int colour = 0; colour < 256; ++colour) {
        colourSlot[g][colour] = -1;
        if (colourIndices[g][colour] == 0) continue;
        colourFirstIndex[g][colour] = first;
        first += colourIndices[g][colour];
        colourSlot[g][colour] = primitives++;
        char name[32];
        std::snprintf(name, sizeof name, groups[g].translucent ? "palette_%03d_translucent" : "palette_%03d", colour);
        slotRole.emplace_back(groups[g].role);
        slotMaterial.emplace_back(name);
        slotTranslucent.push_back(groups[g].translucent);
    }
}

// A new view of `bytes` at the buffer's end (4-byte aligned); returns its index.
int GltfPlan::view(size_t bytes, int target, size_t* offset)
{
    binSize = (binSize + 3) & ~size_t{3};
    *offset = binSize;
    if (viewCount > 0) views += ',';
    views += "{\"buffer\":0,\"byteOffset\":";
    appendInt(views, static_cast<long long>(binSize));
    views += ",\"byteLength\":";
    appendInt(views, static_cast<long long>(bytes));
    if (target != 0) {
        views += ",\"target\":";
        appendInt(views, target);
    }
    views += '}';
    binSize += bytes;
    return viewCount++;
}

int GltfPlan::accessor(int viewIndex, int componentType, size_t count, const char* type, bool normalized,
                       const float* low, const float* high, int components, size_t byteOffset)
{
    if (accessorCount > 0) accessors += ',';
    accessors += "{\"bufferView\":";
    appendInt(accessors, viewIndex);
    if (byteOffset != 0) {
        accessors += ",\"byteOffset\":";
        appendInt(accessors, static_cast<long long>(byteOffset));
    }
    accessors += ",\"componentType\":";
    appendInt(accessors, componentType);
    if (normalized) accessors += ",\"normalized\":true";
    accessors += ",\"count\":";
    appendInt(accessors, static_cast<long long>(count));
    accessors += ",\"type\":\"";
    accessors += type;
    accessors += '"';
    if (low != nullptr) {
        accessors += ",\"min\":";
        appendFloats(accessors, low, components);
        accessors += ",\"max\":";
        appendFloats(accessors, high, components);
    }
    accessors += '}';
    return accessorCount++;
}

// One primitive of the skinned mesh, attribute by attribute.
void GltfPlan::layOutGroup(int g)
{
    GltfGroup& group = groups[g];
    const size_t n = group.vertices;
    std::string& p = primitiveText[g];
    p = "{\"attributes\":{\"POSITION\":";
    appendInt(p, accessor(view(n * 12, gltfArrayBuffer, &group.position), gltfFloat, n, "VEC3", false, group.low,
                          group.high, 3));
    if (group.normals) {
        p += ",\"NORMAL\":";
        appendInt(p, accessor(view(n * 12, gltfArrayBuffer, &group.normal), gltfFloat, n, "VEC3"));
    }
    p += ",\"COLOR_0\":";
    appendInt(p, accessor(view(n * 12, gltfArrayBuffer, &group.colour), gltfFloat, n, "VEC3"));
    p += ",\"JOINTS_0\":";
    appendInt(p, accessor(view(n * 8, gltfArrayBuffer, &group.joint), gltfUnsignedShort, n, "VEC4"));
    // One joint with weight 1 (255 normalised) a vertex.
    p += ",\"WEIGHTS_0\":";
    appendInt(p, accessor(view(n * 4, gltfArrayBuffer, &group.weight), gltfUnsignedByte, n, "VEC4", true));
    p += ",\"_POINT\":";
    appendInt(p, accessor(view(n * 4, gltfArrayBuffer, &group.point), gltfFloat, n, "SCALAR"));
    // Each vertex's point again as a whole u: editors keep texture coordinates.
    p += ",\"TEXCOORD_0\":";
    appendInt(p, accessor(view(n * 8, gltfArrayBuffer, &group.uv), gltfFloat, n, "VEC2"));
    p += "},\"mode\":";
    appendInt(p, gltfTriangles);
    const std::string attributes = std::move(p);
    p.clear();
    const bool wide = group.wideIndices();
    const size_t indexBytes = wide ? 4 : 2;
    const int indexView = view(group.indices * indexBytes, gltfElementArrayBuffer, &group.index);
    for (int colour = 0; colour < 256; ++colour) {
        if (colourSlot[g][colour] < 0) continue;
        if (!p.empty()) p += ',';
        p += attributes;
        p += ",\"material\":";
        appendInt(p, colourSlot[g][colour]);
        p += ",\"indices\":";
        appendInt(p, accessor(indexView, wide ? gltfUnsignedInt : gltfUnsignedShort, colourIndices[g][colour], "SCALAR",
                              false, nullptr, nullptr, 0, colourFirstIndex[g][colour] * indexBytes));
        p += '}';
    }
}

// A line mesh's one primitive: no skin, no normals (lines are drawn unlit in either look).
void GltfPlan::layOutLineMesh(GltfLineMesh& lines)
{
    const size_t n = lines.vertices;
    std::string& p = lines.primitiveText;
    p = "{\"attributes\":{\"POSITION\":";
    appendInt(p, accessor(view(n * 12, gltfArrayBuffer, &lines.position), gltfFloat, n, "VEC3", false, lines.low,
                          lines.high, 3));
    p += ",\"COLOR_0\":";
    appendInt(p, accessor(view(n * 12, gltfArrayBuffer, &lines.colour), gltfFloat, n, "VEC3"));
    p += ",\"_POINT\":";
    appendInt(p, accessor(view(n * 4, gltfArrayBuffer, &lines.point), gltfFloat, n, "SCALAR"));
    p += ",\"TEXCOORD_0\":";
    appendInt(p, accessor(view(n * 8, gltfArrayBuffer, &lines.uv), gltfFloat, n, "VEC2"));
    p += "},\"mode\":";
    appendInt(p, gltfLines);
    p += ",\"material\":";
    appendInt(p, lineMaterial());
    p += '}';
}

void GltfPlan::layOut()
{
    for (int g = 0; g < 2; ++g) {
        if (slot[g] >= 0) layOutGroup(g);
    }
    for (GltfLineMesh& lines : lineMeshes) layOutLineMesh(lines);

    // The one unit sphere every sphere node shows.
    if (spheres > 0) {
        const UnitSphere& s = unitSphere();
        spherePosition = accessor(view(sizeof s.positions, gltfArrayBuffer, &sphereView[0]), gltfFloat, sphereVertices,
                                  "VEC3", false, s.low, s.high, 3);
        if (lit() && anyPlain) {
            sphereNormal =
                accessor(view(sizeof s.normals, gltfArrayBuffer, &sphereView[1]), gltfFloat, sphereVertices, "VEC3");
        }
        if (lit() && anyMirror) {
            sphereMirrorNormal = accessor(view(sizeof s.mirrorNormals, gltfArrayBuffer, &sphereView[2]), gltfFloat,
                                          sphereVertices, "VEC3");
        }
        if (anyPlain) {
            sphereIndex = accessor(view(sizeof s.indices, gltfElementArrayBuffer, &sphereView[3]), gltfUnsignedShort,
                                   sphereIndices, "SCALAR");
        }
        if (anyMirror) {
            sphereMirrorIndex = accessor(view(sizeof s.mirrorIndices, gltfElementArrayBuffer, &sphereView[4]),
                                         gltfUnsignedShort, sphereIndices, "SCALAR");
        }
    }

    inverseBindAccessor =
        accessor(view(body.joints.size() * 64, 0, &inverseBindView), gltfFloat, body.joints.size(), "MAT4");
    // The body's points in the bind pose, in point order, for an import to read back.
    if (body.pointCount > 0) {
        pointAccessor = accessor(view(static_cast<size_t>(body.pointCount) * 12, 0, &pointView), gltfFloat,
                                 static_cast<size_t>(body.pointCount), "VEC3", false, pointLow, pointHigh, 3);
    }
    binSize = (binSize + 3) & ~size_t{3};
}

void fillGltfBuffer(const GltfPlan& plan, uint8_t* bin)
{
    const PosedBody& body = plan.body;
    MeshFiller mesh(plan, bin);
    for (size_t i = 0; i < body.elements.size(); ++i) {
        const PosedElement& e = body.elements[i];
        const ElementPlace& place = plan.places[i];
        if (e.kind == PosedElement::polygon) {
            if (place.primitive >= 0) mesh.polygon(e, static_cast<size_t>(place.firstVertex));
        } else if (e.kind == PosedElement::line) {
            const GltfLineMesh& lines = plan.lineMeshes[static_cast<size_t>(place.primitive - plan.primitives)];
            for (size_t k = 0; k < e.points.size(); ++k)
                lineVertex(plan, bin, lines, static_cast<size_t>(place.firstVertex) + k, e.points[k], e.paletteIndex());
        }
    }

    if (plan.spheres > 0) {
        const UnitSphere& s = unitSphere();
        put(bin + plan.sphereView[0], s.positions, sizeof s.positions);
        if (plan.sphereNormal >= 0) put(bin + plan.sphereView[1], s.normals, sizeof s.normals);
        if (plan.sphereMirrorNormal >= 0) put(bin + plan.sphereView[2], s.mirrorNormals, sizeof s.mirrorNormals);
        if (plan.sphereIndex >= 0) put(bin + plan.sphereView[3], s.indices, sizeof s.indices);
        if (plan.sphereMirrorIndex >= 0) put(bin + plan.sphereView[4], s.mirrorIndices, sizeof s.mirrorIndices);
    }

    // The bind pose holds every joint unturned at its bind origin.
    for (size_t j = 0; j < body.joints.size(); ++j) {
        const PosedBone& joint = body.joints[j];
        const float m[16] = {1,
                             0,
                             0,
                             0,
                             0,
                             1,
                             0,
                             0,
                             0,
                             0,
                             1,
                             0,
                             -static_cast<float>(joint.bindOrigin[0]) * exportScale,
                             -static_cast<float>(joint.bindOrigin[1]) * exportScale,
                             -static_cast<float>(joint.bindOrigin[2]) * exportScale,
                             1};
        put(bin + plan.inverseBindView + j * 64, m, 64);
    }
    for (int i = 0; i < body.pointCount; ++i) {
        put(bin + plan.pointView + static_cast<size_t>(i) * 12,
            scaledPoint(body.bindPoints[static_cast<size_t>(i)]).data(), 12);
    }
}
