// gltf_export.cpp: a posed body as glTF 2.0: one joint per processed bone over the bind pose,
// the frame's turns on the joints, the polygons and lines as drawn in a skinned mesh, each
// sphere a node on its centre point's joint, and the stored fields geometry cannot carry in the
// scene's extras (see the README).
//
// A batch export writes hundreds of megabytes, so the writer counts first, lays the binary
// buffer out, writes the JSON as text and then fills the buffer in place, once.
#include "exchange/gltf_export.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "exchange/json_text.h"
#include "support/little_endian.h"

// The buffer takes host floats and integers as they are; glTF's are little-endian.
static_assert(std::endian::native == std::endian::little, "the glTF writer assumes a little-endian host");

namespace {

constexpr int componentFloat = 5126;
constexpr int componentUnsignedByte = 5121;
constexpr int componentUnsignedShort = 5123;
constexpr int componentUnsignedInt = 5125;
constexpr int targetArray = 34962;
constexpr int targetElements = 34963;
constexpr int modeLines = 1;
constexpr int modeTriangles = 4;
constexpr float translucentAlpha = 80.0f / 255.0f;
constexpr int sphereSlices = 10;  // as the viewer's spheres
constexpr int sphereStacks = 10;
constexpr int sphereVertices = 2 + (sphereStacks - 1) * sphereSlices;
constexpr int sphereIndices = 6 * sphereSlices * (sphereStacks - 1);

std::array<float, 4> quaternion(const Mat3& m)
{
    double x, y, z, w;
    const double trace = m[0] + m[4] + m[8];
    if (trace > 0) {
        const double s = std::sqrt(trace + 1.0) * 2;
        w = 0.25 * s;
        x = (m[7] - m[5]) / s;
        y = (m[2] - m[6]) / s;
        z = (m[3] - m[1]) / s;
    } else if (m[0] > m[4] && m[0] > m[8]) {
        const double s = std::sqrt(1.0 + m[0] - m[4] - m[8]) * 2;
        w = (m[7] - m[5]) / s;
        x = 0.25 * s;
        y = (m[1] + m[3]) / s;
        z = (m[2] + m[6]) / s;
    } else if (m[4] > m[8]) {
        const double s = std::sqrt(1.0 + m[4] - m[0] - m[8]) * 2;
        w = (m[2] - m[6]) / s;
        x = (m[1] + m[3]) / s;
        y = 0.25 * s;
        z = (m[5] + m[7]) / s;
    } else {
        const double s = std::sqrt(1.0 + m[8] - m[0] - m[4]) * 2;
        w = (m[3] - m[1]) / s;
        x = (m[2] + m[6]) / s;
        y = (m[5] + m[7]) / s;
        z = 0.25 * s;
    }
    const double n = std::sqrt(x * x + y * y + z * z + w * w);
    return {static_cast<float>(x / n), static_cast<float>(y / n), static_cast<float>(z / n), static_cast<float>(w / n)};
}

std::array<float, 3> scaled(const Point16& p)
{
    // Each product in single precision, as the viewer scales its vertices.
    return {static_cast<float>(p.x) * exportScale, static_cast<float>(p.y) * exportScale,
            static_cast<float>(p.z) * exportScale};
}

std::array<float, 3> unit(double x, double y, double z, std::array<float, 3> fallback)
{
    const double n = std::sqrt(x * x + y * y + z * z);
    if (!(n > 1e-9)) return fallback;
    return {static_cast<float>(x / n), static_cast<float>(y / n), static_cast<float>(z / n)};
}

// The 10 x 10 UV sphere of radius 1 every sphere node shows (poles on z, like the viewer's),
// and its mirror image's faces and normals for a negative radius: the node's negative scale
// turns the faces, so the mirror's winding and normals are turned back to what the viewer draws.
struct UnitSphere {
    float positions[sphereVertices * 3];
    float normals[sphereVertices * 3];
    float mirrorNormals[sphereVertices * 3];
    uint16_t indices[sphereIndices];
    uint16_t mirrorIndices[sphereIndices];
    float low[3], high[3];

    UnitSphere()
    {
        const double pi = 3.141592653589793;
        int v = 0;
        const auto vertex = [&](double theta, double phi) {
            const double dx = std::sin(theta) * std::cos(phi), dy = std::sin(theta) * std::sin(phi), dz = std::cos(theta);
            const float p[3] = {static_cast<float>(dx), static_cast<float>(dy), static_cast<float>(dz)};
            const std::array<float, 3> n = unit(dx, dy, dz, {0, 0, 1});
            for (int c = 0; c < 3; ++c) {
                positions[v * 3 + c] = p[c];
                normals[v * 3 + c] = n[static_cast<size_t>(c)];
                mirrorNormals[v * 3 + c] = -n[static_cast<size_t>(c)];
            }
            ++v;
        };
        vertex(0, 0);
        for (int stack = 1; stack < sphereStacks; ++stack) {
            for (int slice = 0; slice < sphereSlices; ++slice) vertex(pi * stack / sphereStacks, 2 * pi * slice / sphereSlices);
        }
        vertex(pi, 0);
        const auto ring = [](int stack, int slice) { return static_cast<uint16_t>(1 + (stack - 1) * sphereSlices + slice % sphereSlices); };
        const uint16_t top = 0, bottom = static_cast<uint16_t>(sphereVertices - 1);
        int i = 0;
        const auto triangle = [&](uint16_t a, uint16_t b, uint16_t c) {
            indices[i] = a;
            indices[i + 1] = b;
            indices[i + 2] = c;
            mirrorIndices[i] = a;
            mirrorIndices[i + 1] = c;
            mirrorIndices[i + 2] = b;
            i += 3;
        };
        for (int slice = 0; slice < sphereSlices; ++slice) {
            triangle(top, ring(1, slice), ring(1, slice + 1));
            for (int stack = 1; stack + 1 < sphereStacks; ++stack) {
                const uint16_t u0 = ring(stack, slice), u1 = ring(stack, slice + 1);
                const uint16_t d0 = ring(stack + 1, slice), d1 = ring(stack + 1, slice + 1);
                triangle(u0, d0, d1);
                triangle(u0, d1, u1);
            }
            triangle(bottom, ring(sphereStacks - 1, slice + 1), ring(sphereStacks - 1, slice));
        }
        for (int c = 0; c < 3; ++c) {
            low[c] = std::numeric_limits<float>::max();
            high[c] = std::numeric_limits<float>::lowest();
        }
        for (int k = 0; k < sphereVertices * 3; ++k) {
            low[k % 3] = std::min(low[k % 3], positions[k]);
            high[k % 3] = std::max(high[k % 3], positions[k]);
        }
    }
};

const UnitSphere& unitSphere()
{
    static const UnitSphere sphere;
    return sphere;
}

// A palette component's linear value, worked out once for all 256.
const float* linearTable()
{
    static const auto table = [] {
        std::array<float, 256> t{};
        for (int i = 0; i < 256; ++i) t[static_cast<size_t>(i)] = linearFromDisplay(static_cast<uint8_t>(i));
        return t;
    }();
    return table.data();
}

// The vertices of one primitive of the skinned mesh, counted before they are written.
struct Group {
    const char* role;
    int mode;
    bool translucent;
    size_t vertices = 0, indices = 0;
    float low[3] = {std::numeric_limits<float>::max(), std::numeric_limits<float>::max(), std::numeric_limits<float>::max()};
    float high[3] = {std::numeric_limits<float>::lowest(), std::numeric_limits<float>::lowest(), std::numeric_limits<float>::lowest()};
    bool normals = false;
    // Where each attribute starts in the buffer.
    size_t position = 0, normal = 0, colour = 0, joint = 0, weight = 0, point = 0, index = 0;
    bool wideIndices() const { return vertices > 65535; }
    bool empty() const { return mode == modeTriangles ? indices == 0 : vertices == 0; }
};

class Writer {
public:
    Writer(const PosedBody& body, const ExportOptions& options) : body_(body), options_(options), linear_(linearTable())
    {
        count();
        layOut();
    }

    size_t binSize() const { return binSize_; }

    // The whole JSON text; with `embedded`, the buffer goes in it as a data URI.
    std::string json(const std::vector<uint8_t>* embedded) const;

    // Writes every view into `bin` (binSize() bytes, zeroed).
    void fill(uint8_t* bin) const;

private:
    const PosedBody& body_;
    const ExportOptions& options_;
    const float* linear_;
    Group groups_[3] = {{"polygons", modeTriangles, false}, {"translucent", modeTriangles, true}, {"lines", modeLines, false}};
    // Each polygon's and line's group and first vertex (-1: no geometry); each sphere's node.
    std::vector<std::pair<int, long>> at_;
    int slot_[3] = {-1, -1, -1};  // each group's place among the mesh's primitives
    int primitives_ = 0;
    // Spheres: a mesh per colour and side (plain, mirrored), a material per colour.
    int sphereMesh_[256][2];
    int sphereMaterial_[256];
    std::vector<std::pair<uint8_t, bool>> sphereMeshes_;  // colour and side, in mesh order
    std::vector<uint8_t> sphereColours_;                  // in material order
    bool anyPlain_ = false, anyMirror_ = false;
    size_t spheres_ = 0;
    float pointLow_[3], pointHigh_[3];

    // The buffer's layout, and the accessor and view text that describes it.
    size_t binSize_ = 0;
    std::string views_, accessors_;
    int viewCount_ = 0, accessorCount_ = 0;
    std::string primitiveText_[3];
    size_t sphereView_[5] = {};  // positions, normals, mirror normals, indices, mirror indices
    int spherePosition_ = -1, sphereNormal_ = -1, sphereMirrorNormal_ = -1, sphereIndex_ = -1, sphereMirrorIndex_ = -1;
    size_t inverseBindView_ = 0, pointView_ = 0;
    int inverseBindAccessor_ = -1, pointAccessor_ = -1;

    bool lit() const { return options_.look == ExportLook::base; }
    bool skinnedMesh() const { return primitives_ > 0; }
    size_t firstSphereNode() const { return body_.joints.size() + (skinnedMesh() ? 1 : 0); }

    void count();
    void layOut();
    int view(size_t bytes, int target, size_t* offset);
    int accessor(int view, int componentType, size_t count, const char* type, bool normalized = false,
                 const float* low = nullptr, const float* high = nullptr, int components = 0);
    void material(std::string& s, const char* name, const float colour[3], bool translucent) const;
    void elementsText(std::string& s) const;

    std::array<float, 3> faceNormal(const PosedElement& e) const
    {
        // Newell's normal over the bind pose: counter-clockwise faces point it outwards.
        double x = 0, y = 0, z = 0;
        for (size_t k = 0; k < e.points.size(); ++k) {
            const Point16& a = body_.bindPoints[e.points[k]];
            const Point16& b = body_.bindPoints[e.points[(k + 1) % e.points.size()]];
            x += (static_cast<double>(a.y) - b.y) * (static_cast<double>(a.z) + b.z);
            y += (static_cast<double>(a.z) - b.z) * (static_cast<double>(a.x) + b.x);
            z += (static_cast<double>(a.x) - b.x) * (static_cast<double>(a.y) + b.y);
        }
        return unit(x, y, z, {0, 1, 0});
    }

    std::array<float, 3> recordNormal(int number, const std::array<float, 3>& fallback) const
    {
        if (number < 0 || static_cast<size_t>(number) >= body_.normalRecords.size()) return fallback;
        const StoredNormal& n = body_.normalRecords[static_cast<size_t>(number)];
        return unit(n.x, n.y, n.z, fallback);
    }
};

void Writer::count()
{
    for (int& m : sphereMaterial_) m = -1;
    for (auto& m : sphereMesh_) m[0] = m[1] = -1;
    at_.reserve(body_.elements.size());
    const auto take = [](Group& g, const Point16& bind) {
        const std::array<float, 3> p = scaled(bind);
        for (size_t c = 0; c < 3; ++c) {
            g.low[c] = std::min(g.low[c], p[c]);
            g.high[c] = std::max(g.high[c], p[c]);
        }
    };
    for (const PosedElement& e : body_.elements) {
        if (e.kind == PosedElement::polygon) {
            const int g = e.translucent() ? 1 : 0;
            // Fewer than three vertices draw nothing: no geometry, the record only.
            if (e.points.size() < 3) {
                at_.emplace_back(g, -1L);
                continue;
            }
            Group& group = groups_[g];
            at_.emplace_back(g, static_cast<long>(group.vertices));
            for (uint16_t point : e.points) take(group, body_.bindPoints[point]);
            group.vertices += e.points.size();
            group.indices += 3 * (e.points.size() - 2);
        } else if (e.kind == PosedElement::line) {
            Group& group = groups_[2];
            at_.emplace_back(2, static_cast<long>(group.vertices));
            for (uint16_t point : e.points) take(group, body_.bindPoints[point]);
            group.vertices += e.points.size();
        } else {
            const uint8_t colour = e.paletteIndex();
            const bool mirror = e.radius < 0;
            if (sphereMaterial_[colour] < 0) {
                sphereMaterial_[colour] = static_cast<int>(sphereColours_.size());
                sphereColours_.push_back(colour);
            }
            if (sphereMesh_[colour][mirror] < 0) {
                sphereMesh_[colour][mirror] = static_cast<int>(sphereMeshes_.size());
                sphereMeshes_.emplace_back(colour, mirror);
            }
            anyMirror_ |= mirror;
            anyPlain_ |= !mirror;
            at_.emplace_back(3, static_cast<long>(spheres_++));
        }
    }
    for (int g = 0; g < 3; ++g) {
        if (groups_[g].empty()) continue;
        // Lines carry no normals: they are drawn unlit in either look.
        groups_[g].normals = lit() && groups_[g].mode == modeTriangles;
        slot_[g] = primitives_++;
    }
    for (int c = 0; c < 3; ++c) {
        pointLow_[c] = std::numeric_limits<float>::max();
        pointHigh_[c] = std::numeric_limits<float>::lowest();
    }
    for (int i = 0; i < body_.pointCount; ++i) {
        const std::array<float, 3> p = scaled(body_.bindPoints[static_cast<size_t>(i)]);
        for (size_t c = 0; c < 3; ++c) {
            pointLow_[c] = std::min(pointLow_[c], p[c]);
            pointHigh_[c] = std::max(pointHigh_[c], p[c]);
        }
    }
}

// A new view of `bytes` at the buffer's end (4-byte aligned); returns its index.
int Writer::view(size_t bytes, int target, size_t* offset)
{
    binSize_ = (binSize_ + 3) & ~size_t{3};
    *offset = binSize_;
    if (viewCount_ > 0) views_ += ',';
    views_ += "{\"buffer\":0,\"byteOffset\":";
    appendInt(views_, static_cast<long long>(binSize_));
    views_ += ",\"byteLength\":";
    appendInt(views_, static_cast<long long>(bytes));
    if (target != 0) {
        views_ += ",\"target\":";
        appendInt(views_, target);
    }
    views_ += '}';
    binSize_ += bytes;
    return viewCount_++;
}

int Writer::accessor(int viewIndex, int componentType, size_t count, const char* type, bool normalized, const float* low,
                     const float* high, int components)
{
    if (accessorCount_ > 0) accessors_ += ',';
    accessors_ += "{\"bufferView\":";
    appendInt(accessors_, viewIndex);
    accessors_ += ",\"componentType\":";
    appendInt(accessors_, componentType);
    if (normalized) accessors_ += ",\"normalized\":true";
    accessors_ += ",\"count\":";
    appendInt(accessors_, static_cast<long long>(count));
    accessors_ += ",\"type\":\"";
    accessors_ += type;
    accessors_ += '"';
    if (low != nullptr) {
        accessors_ += ",\"min\":";
        appendFloats(accessors_, low, components);
        accessors_ += ",\"max\":";
        appendFloats(accessors_, high, components);
    }
    accessors_ += '}';
    return accessorCount_++;
}

void Writer::layOut()
{
    // The skinned mesh's primitives, attribute by attribute.
    for (int g = 0; g < 3; ++g) {
        Group& group = groups_[g];
        if (slot_[g] < 0) continue;
        const size_t n = group.vertices;
        std::string& p = primitiveText_[g];
        p = "{\"attributes\":{\"POSITION\":";
        appendInt(p, accessor(view(n * 12, targetArray, &group.position), componentFloat, n, "VEC3", false, group.low, group.high, 3));
        if (group.normals) {
            p += ",\"NORMAL\":";
            appendInt(p, accessor(view(n * 12, targetArray, &group.normal), componentFloat, n, "VEC3"));
        }
        p += ",\"COLOR_0\":";
        appendInt(p, accessor(view(n * 12, targetArray, &group.colour), componentFloat, n, "VEC3"));
        p += ",\"JOINTS_0\":";
        appendInt(p, accessor(view(n * 8, targetArray, &group.joint), componentUnsignedShort, n, "VEC4"));
        // One joint with weight 1 (255 normalised) a vertex.
        p += ",\"WEIGHTS_0\":";
        appendInt(p, accessor(view(n * 4, targetArray, &group.weight), componentUnsignedByte, n, "VEC4", true));
        p += ",\"_POINT\":";
        appendInt(p, accessor(view(n * 4, targetArray, &group.point), componentFloat, n, "SCALAR"));
        p += "},\"mode\":";
        appendInt(p, group.mode);
        p += ",\"material\":";
        appendInt(p, group.translucent ? 1 : 0);
        if (group.mode == modeTriangles) {
            const bool wide = group.wideIndices();
            p += ",\"indices\":";
            appendInt(p, accessor(view(group.indices * (wide ? 4 : 2), targetElements, &group.index),
                                  wide ? componentUnsignedInt : componentUnsignedShort, group.indices, "SCALAR"));
        }
        p += '}';
    }

    // The one unit sphere every sphere node shows.
    if (spheres_ > 0) {
        const UnitSphere& s = unitSphere();
        spherePosition_ = accessor(view(sizeof s.positions, targetArray, &sphereView_[0]), componentFloat, sphereVertices, "VEC3",
                                   false, s.low, s.high, 3);
        if (lit() && anyPlain_) {
            sphereNormal_ = accessor(view(sizeof s.normals, targetArray, &sphereView_[1]), componentFloat, sphereVertices, "VEC3");
        }
        if (lit() && anyMirror_) {
            sphereMirrorNormal_ =
                accessor(view(sizeof s.mirrorNormals, targetArray, &sphereView_[2]), componentFloat, sphereVertices, "VEC3");
        }
        if (anyPlain_) {
            sphereIndex_ = accessor(view(sizeof s.indices, targetElements, &sphereView_[3]), componentUnsignedShort, sphereIndices, "SCALAR");
        }
        if (anyMirror_) {
            sphereMirrorIndex_ =
                accessor(view(sizeof s.mirrorIndices, targetElements, &sphereView_[4]), componentUnsignedShort, sphereIndices, "SCALAR");
        }
    }

    inverseBindAccessor_ = accessor(view(body_.joints.size() * 64, 0, &inverseBindView_), componentFloat, body_.joints.size(), "MAT4");
    // The body's points in the bind pose, in point order, for an import to read back.
    if (body_.pointCount > 0) {
        pointAccessor_ = accessor(view(static_cast<size_t>(body_.pointCount) * 12, 0, &pointView_), componentFloat,
                                  static_cast<size_t>(body_.pointCount), "VEC3", false, pointLow_, pointHigh_, 3);
    }
    binSize_ = (binSize_ + 3) & ~size_t{3};
}

void Writer::fill(uint8_t* bin) const
{
    const auto put = [](uint8_t* at, const void* value, size_t bytes) { std::memcpy(at, value, bytes); };
    // Write positions per group, one vertex after another.
    size_t next[3] = {0, 0, 0};
    size_t nextIndex[3] = {0, 0, 0};
    const auto vertex = [&](int g, uint16_t point, uint8_t colour, const std::array<float, 3>& normal) {
        const Group& group = groups_[g];
        const size_t v = next[g]++;
        put(bin + group.position + v * 12, scaled(body_.bindPoints[point]).data(), 12);
        if (group.normals) put(bin + group.normal + v * 12, normal.data(), 12);
        const float c[3] = {linear_[options_.palette[colour][0]], linear_[options_.palette[colour][1]], linear_[options_.palette[colour][2]]};
        put(bin + group.colour + v * 12, c, 12);
        const auto joint = static_cast<uint16_t>(body_.pointJoint[point]);
        put(bin + group.joint + v * 8, &joint, 2);  // the other three stay 0
        bin[group.weight + v * 4] = 255;
        const auto p = static_cast<float>(point);
        put(bin + group.point + v * 4, &p, 4);
    };
    const auto index = [&](int g, size_t value) {
        const Group& group = groups_[g];
        if (group.wideIndices()) {
            const auto i = static_cast<uint32_t>(value);
            put(bin + group.index + 4 * nextIndex[g]++, &i, 4);
        } else {
            const auto i = static_cast<uint16_t>(value);
            put(bin + group.index + 2 * nextIndex[g]++, &i, 2);
        }
    };
    for (size_t i = 0; i < body_.elements.size(); ++i) {
        const PosedElement& e = body_.elements[i];
        const int g = at_[i].first;
        if (e.kind == PosedElement::polygon) {
            if (at_[i].second < 0) continue;
            const auto first = static_cast<size_t>(at_[i].second);
            const std::array<float, 3> face = lit() ? faceNormal(e) : std::array<float, 3>{};
            for (size_t k = 0; k < e.points.size(); ++k) {
                uint8_t colour = static_cast<uint8_t>(e.storedColour);
                std::array<float, 3> normal = face;
                if (lit()) {
                    if (e.renderType >= 9) normal = recordNormal(e.normals[k], face);
                    else if (e.renderType >= 7) normal = recordNormal(e.polygonNormal, face);
                } else {
                    colour = e.smooth() ? static_cast<uint8_t>(e.vertexColours[k]) : e.paletteIndex();
                }
                vertex(g, e.points[k], colour, normal);
            }
            for (size_t k = 1; k + 1 < e.points.size(); ++k) {
                index(g, first);
                index(g, first + k);
                index(g, first + k + 1);
            }
        } else if (e.kind == PosedElement::line) {
            for (uint16_t point : e.points) vertex(g, point, e.paletteIndex(), {});
        }
    }

    if (spheres_ > 0) {
        const UnitSphere& s = unitSphere();
        put(bin + sphereView_[0], s.positions, sizeof s.positions);
        if (sphereNormal_ >= 0) put(bin + sphereView_[1], s.normals, sizeof s.normals);
        if (sphereMirrorNormal_ >= 0) put(bin + sphereView_[2], s.mirrorNormals, sizeof s.mirrorNormals);
        if (sphereIndex_ >= 0) put(bin + sphereView_[3], s.indices, sizeof s.indices);
        if (sphereMirrorIndex_ >= 0) put(bin + sphereView_[4], s.mirrorIndices, sizeof s.mirrorIndices);
    }

    // The bind pose holds every joint unturned at its bind origin.
    for (size_t j = 0; j < body_.joints.size(); ++j) {
        const PosedBone& joint = body_.joints[j];
        const float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0,
                             -static_cast<float>(joint.bindOrigin[0]) * exportScale,
                             -static_cast<float>(joint.bindOrigin[1]) * exportScale,
                             -static_cast<float>(joint.bindOrigin[2]) * exportScale, 1};
        put(bin + inverseBindView_ + j * 64, m, 64);
    }
    for (int i = 0; i < body_.pointCount; ++i) {
        put(bin + pointView_ + static_cast<size_t>(i) * 12, scaled(body_.bindPoints[static_cast<size_t>(i)]).data(), 12);
    }
}

void Writer::material(std::string& s, const char* name, const float colour[3], bool translucent) const
{
    s += "{\"name\":\"";
    s += name;
    s += "\",\"pbrMetallicRoughness\":{\"baseColorFactor\":";
    const float factor[4] = {colour[0], colour[1], colour[2], translucent ? translucentAlpha : 1.0f};
    appendFloats(s, factor, 4);
    s += ",\"metallicFactor\":0,\"roughnessFactor\":1}";
    if (translucent) s += ",\"alphaMode\":\"BLEND\"";
    if (!lit()) s += ",\"extensions\":{\"KHR_materials_unlit\":{}}";
    s += '}';
}

// The element records, in stored order.
void Writer::elementsText(std::string& s) const
{
    s += '[';
    for (size_t i = 0; i < body_.elements.size(); ++i) {
        const PosedElement& e = body_.elements[i];
        // Numbers of at most 20 characters; list items of 16 bits, 7 with their commas.
        char* p = room(s, 200 + 7 * (e.offsets.size() + e.normals.size()));
        if (i > 0) *p++ = ',';
        if (e.kind == PosedElement::sphere) {
            p = put(p, "{\"sphere\":");
            p = put(p, static_cast<long long>(firstSphereNode()) + at_[i].second);
            p = put(p, ",\"attributes\":");
            p = put(p, e.attributes);
            p = put(p, ",\"radius\":");
            p = put(p, e.radius);
            p = put(p, ",\"centre\":");
            p = put(p, e.offsets[0]);
            *p++ = '}';
            cut(s, p);
            continue;
        }
        p = e.kind == PosedElement::polygon ? put(p, "{\"polygon\":") : put(p, "{\"line\":");
        if (at_[i].second < 0) {
            p = put(p, "null");
        } else {
            *p++ = '[';
            p = put(p, slot_[at_[i].first]);
            *p++ = ',';
            p = put(p, at_[i].second);
            *p++ = ']';
        }
        if (e.kind == PosedElement::polygon) {
            p = put(p, ",\"type\":");
            p = put(p, e.renderType);
            p = put(p, ",\"colour\":");
            p = put(p, e.storedColour);
            if (e.renderType >= 9) {
                p = put(p, ",\"normals\":");
                p = putList(p, e.normals);
            } else if (e.renderType >= 7) {
                p = put(p, ",\"normal\":");
                p = put(p, e.polygonNormal);
            }
        } else {
            p = put(p, ",\"attributes\":");
            p = put(p, e.attributes);
        }
        p = put(p, ",\"points\":");
        p = putList(p, e.offsets);
        *p++ = '}';
        cut(s, p);
    }
    s += ']';
}

std::string Writer::json(const std::vector<uint8_t>* embedded) const
{
    std::string name;
    appendString(name, options_.archiveName + "#" + std::to_string(options_.entry));
    std::string s;
    s.reserve(4096 + views_.size() + accessors_.size() + body_.elements.size() * 72 + body_.bones.size() * 200 +
              body_.normalRecords.size() * 24 + spheres_ * 120 + (embedded != nullptr ? embedded->size() / 3 * 4 + 64 : 0));

    s += "{\"asset\":{\"version\":\"2.0\",\"generator\":\"Orvane ";
    s += orvaneVersion;
    s += "\"}";
    if (!lit()) s += ",\"extensionsUsed\":[\"KHR_materials_unlit\"]";
    s += ",\"scene\":0";

    // Meshes: the skinned one, then one per sphere colour and side.
    if (skinnedMesh() || spheres_ > 0) {
        s += ",\"meshes\":[";
        bool first = true;
        if (skinnedMesh()) {
            s += "{\"name\":";
            s += name;
            s += ",\"primitives\":[";
            for (int g = 0, n = 0; g < 3; ++g) {
                if (slot_[g] < 0) continue;
                if (n++ > 0) s += ',';
                s += primitiveText_[g];
            }
            s += "]}";
            first = false;
        }
        const int firstSphereMaterial = skinnedMesh() ? (slot_[1] >= 0 ? 2 : 1) : 0;
        for (const auto& [colour, mirror] : sphereMeshes_) {
            if (!first) s += ',';
            first = false;
            s += "{\"name\":\"sphere_";
            appendInt(s, colour);
            if (mirror) s += "_mirrored";
            s += "\",\"primitives\":[{\"attributes\":{\"POSITION\":";
            appendInt(s, spherePosition_);
            if (lit()) {
                s += ",\"NORMAL\":";
                appendInt(s, mirror ? sphereMirrorNormal_ : sphereNormal_);
            }
            s += "},\"mode\":4,\"material\":";
            appendInt(s, firstSphereMaterial + sphereMaterial_[colour]);
            s += ",\"indices\":";
            appendInt(s, mirror ? sphereMirrorIndex_ : sphereIndex_);
            s += "}]}";
        }
        s += "],\"materials\":[";
        first = true;
        if (skinnedMesh()) {
            const float white[3] = {1, 1, 1};
            material(s, "opaque", white, false);
            if (slot_[1] >= 0) {
                s += ',';
                material(s, "translucent", white, true);
            }
            first = false;
        }
        for (uint8_t colour : sphereColours_) {
            if (!first) s += ',';
            first = false;
            const uint8_t* display = options_.palette[colour];
            const float c[3] = {linear_[display[0]], linear_[display[1]], linear_[display[2]]};
            const std::string sphereName = "sphere_" + std::to_string(colour);
            material(s, sphereName.c_str(), c, false);
        }
        s += ']';
    }

    // Nodes: a joint per processed bone (the frame's turns on them), the skinned mesh, the spheres.
    std::vector<std::vector<size_t>> children(body_.joints.size());
    for (size_t j = 1; j < body_.joints.size(); ++j) {
        const int up = body_.joints[j].parentJoint;
        if (up >= 0) children[static_cast<size_t>(up)].push_back(j);
    }
    {
        size_t node = firstSphereNode();
        for (const PosedElement& e : body_.elements) {
            if (e.kind == PosedElement::sphere) children[static_cast<size_t>(body_.pointJoint[e.points[0]])].push_back(node++);
        }
    }
    s += ",\"nodes\":[";
    for (size_t j = 0; j < body_.joints.size(); ++j) {
        const PosedBone& joint = body_.joints[j];
        if (j > 0) s += ',';
        s += "{\"name\":\"bone_";
        appendInt(s, joint.index);
        s += '"';
        Vec3 offset = joint.origin;
        if (joint.parentJoint >= 0) {
            const PosedBone& up = body_.joints[static_cast<size_t>(joint.parentJoint)];
            offset = apply(transpose(up.world), {joint.origin[0] - up.origin[0], joint.origin[1] - up.origin[1],
                                                 joint.origin[2] - up.origin[2]});
        }
        if (offset[0] != 0 || offset[1] != 0 || offset[2] != 0) {
            const float t[3] = {static_cast<float>(offset[0] * exportScale), static_cast<float>(offset[1] * exportScale),
                                static_cast<float>(offset[2] * exportScale)};
            s += ",\"translation\":";
            appendFloats(s, t, 3);
        }
        const std::array<float, 4> q = quaternion(joint.local);
        if (q[0] != 0 || q[1] != 0 || q[2] != 0) {
            s += ",\"rotation\":";
            appendFloats(s, q.data(), 4);
        }
        if (!children[j].empty()) {
            s += ",\"children\":";
            appendInts(s, children[j]);
        }
        s += '}';
    }
    if (skinnedMesh()) {
        s += ",{\"name\":";
        s += name;
        s += ",\"mesh\":0,\"skin\":0}";
    }
    // A sphere hangs on its centre point's joint, at the centre's place relative to the joint's
    // bind origin: exactly where the skin puts that point. Its scale is the radius.
    const int firstSphereMesh = skinnedMesh() ? 1 : 0;
    for (size_t i = 0, n = 0; i < body_.elements.size(); ++i) {
        const PosedElement& e = body_.elements[i];
        if (e.kind != PosedElement::sphere) continue;
        const Point16& centre = body_.bindPoints[e.points[0]];
        const PosedBone& joint = body_.joints[static_cast<size_t>(body_.pointJoint[e.points[0]])];
        s += ",{\"name\":\"sphere_";
        appendInt(s, static_cast<long long>(n++));
        s += "\",\"mesh\":";
        appendInt(s, firstSphereMesh + sphereMesh_[e.paletteIndex()][e.radius < 0]);
        const int32_t d[3] = {centre.x - static_cast<int32_t>(joint.bindOrigin[0]), centre.y - static_cast<int32_t>(joint.bindOrigin[1]),
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
    s += ']';

    s += ",\"skins\":[{\"name\":";
    s += name;
    s += ",\"inverseBindMatrices\":";
    appendInt(s, inverseBindAccessor_);
    s += ",\"skeleton\":0,\"joints\":[";
    for (size_t j = 0; j < body_.joints.size(); ++j) {
        if (j > 0) s += ',';
        appendInt(s, static_cast<long long>(j));
    }
    s += "]}]";

    s += ",\"scenes\":[{\"name\":";
    s += name;
    s += ",\"nodes\":[0";
    if (skinnedMesh()) {
        s += ',';
        appendInt(s, static_cast<long long>(body_.joints.size()));
    }
    s += "],\"extras\":{\"orvane\":{\"format\":2,\"archive\":";
    appendString(s, options_.archiveName);
    s += ",\"entry\":";
    appendInt(s, options_.entry);
    s += ",\"autoAngle\":";
    appendInt(s, body_.autoAngle);
    s += lit() ? ",\"look\":\"base\"" : ",\"look\":\"viewer\"";
    s += ",\"header\":";
    appendHex(s, body_.header.data(), body_.header.size());
    s += ",\"points\":{\"count\":";
    appendInt(s, body_.pointCount);
    if (pointAccessor_ >= 0) {
        s += ",\"accessor\":";
        appendInt(s, pointAccessor_);
    }
    s += "},\"bones\":[";
    for (size_t i = 0; i < body_.bones.size(); ++i) {
        const StoredBone& b = body_.bones[i];
        char* p = room(s, 256);
        if (i > 0) *p++ = ',';
        p = put(p, "{\"node\":");
        p = put(p, b.joint);
        p = put(p, ",\"firstPoint\":");
        p = put(p, b.firstPoint);
        p = put(p, ",\"pointCount\":");
        p = put(p, b.pointCount);
        p = put(p, ",\"basePoint\":");
        p = put(p, b.basePoint);
        p = put(p, ",\"parent\":");
        p = put(p, b.parent);
        p = put(p, ",\"type\":");
        p = put(p, b.type);
        p = put(p, ",\"angles\":");
        p = putList(p, std::array<int16_t, 3>{b.angleX, b.angleY, b.angleZ});
        p = put(p, ",\"normals\":");
        p = put(p, b.normalCount);
        p = put(p, ",\"reserved\":");
        p = putHex(p, b.reserved, sizeof b.reserved);
        *p++ = '}';
        cut(s, p);
    }
    s += "],\"normals\":{\"total\":";
    appendInt(s, body_.normalTotal);
    s += ",\"records\":[";
    for (size_t i = 0; i < body_.normalRecords.size(); ++i) {
        const StoredNormal& n = body_.normalRecords[i];
        char* p = room(s, 48);
        if (i > 0) *p++ = ',';
        p = putList(p, std::array<long long, 4>{n.x, n.y, n.z, n.divisor});
        cut(s, p);
    }
    s += "]},\"primitives\":[";
    for (int g = 0, n = 0; g < 3; ++g) {
        if (slot_[g] < 0) continue;
        if (n++ > 0) s += ',';
        s += '"';
        s += groups_[g].role;
        s += '"';
    }
    s += "],\"elements\":";
    elementsText(s);
    s += ",\"tail\":";
    appendHex(s, body_.tail.data(), body_.tail.size());
    s += "}}}]";

    s += ",\"accessors\":[";
    s += accessors_;
    s += "],\"bufferViews\":[";
    s += views_;
    s += "],\"buffers\":[{\"byteLength\":";
    appendInt(s, static_cast<long long>(binSize_));
    if (embedded != nullptr) {
        // One self-contained file: the buffer rides along as a data URI.
        static const char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        s += ",\"uri\":\"data:application/octet-stream;base64,";
        const std::vector<uint8_t>& bytes = *embedded;
        for (size_t i = 0; i < bytes.size(); i += 3) {
            const uint32_t a = bytes[i];
            const uint32_t b = i + 1 < bytes.size() ? bytes[i + 1] : 0;
            const uint32_t c = i + 2 < bytes.size() ? bytes[i + 2] : 0;
            const uint32_t v = (a << 16) | (b << 8) | c;
            s += table[(v >> 18) & 63];
            s += table[(v >> 12) & 63];
            s += i + 1 < bytes.size() ? table[(v >> 6) & 63] : '=';
            s += i + 2 < bytes.size() ? table[v & 63] : '=';
        }
        s += '"';
    }
    s += "}]}";
    return s;
}

}  // namespace

float linearFromDisplay(uint8_t value)
{
    const double c = value / 255.0;
    return static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
}

void writeGlb(const PosedBody& body, const ExportOptions& options, std::vector<uint8_t>* out)
{
    const Writer writer(body, options);
    std::string json = writer.json(nullptr);
    json.resize((json.size() + 3) & ~size_t{3}, ' ');
    const size_t bin = writer.binSize();
    out->clear();
    out->resize(12 + 8 + json.size() + 8 + bin);
    uint8_t* p = out->data();
    writeU32(p, 0x46546C67);  // "glTF"
    writeU32(p + 4, 2);
    writeU32(p + 8, static_cast<uint32_t>(out->size()));
    writeU32(p + 12, static_cast<uint32_t>(json.size()));
    writeU32(p + 16, 0x4E4F534A);  // "JSON"
    std::memcpy(p + 20, json.data(), json.size());
    p += 20 + json.size();
    writeU32(p, static_cast<uint32_t>(bin));
    writeU32(p + 4, 0x004E4942);  // "BIN\0"
    writer.fill(p + 8);
}

std::vector<uint8_t> writeGlb(const PosedBody& body, const ExportOptions& options)
{
    std::vector<uint8_t> out;
    writeGlb(body, options, &out);
    return out;
}

std::string writeGltf(const PosedBody& body, const ExportOptions& options)
{
    const Writer writer(body, options);
    std::vector<uint8_t> bin(writer.binSize());
    writer.fill(bin.data());
    return indented(writer.json(&bin)) + "\n";
}
