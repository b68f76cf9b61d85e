// gltf_export.cpp: a posed body as glTF 2.0: one joint per processed bone over the bind pose,
// the frame's turns on the joints, the elements as drawn in a skinned mesh, and the stored
// fields geometry cannot carry in the scene's extras (see the README).
#include "exchange/gltf_export.h"

#include <cmath>
#include <cstring>
#include <limits>

#include <nlohmann/json.hpp>

using Json = nlohmann::ordered_json;

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
constexpr const char* elementsPlaceholder = "@orvane-elements@";

std::string hex(const uint8_t* bytes, size_t count)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(count * 2);
    for (size_t i = 0; i < count; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

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

// Vertices of one primitive, attribute by attribute.
struct VertexGroup {
    VertexGroup(const char* r, int m, bool t) : role(r), mode(m), translucent(t) {}
    const char* role;
    int mode;
    bool translucent;
    std::vector<float> positions, colours, normals, points;
    std::vector<uint16_t> joints;
    std::vector<uint32_t> indices;
    size_t vertexCount() const { return positions.size() / 3; }
};

class Writer {
public:
    Writer(const PosedBody& body, const ExportOptions& options) : body_(body), options_(options) {}

    Json build(std::vector<uint8_t>* bin);

    // The JSON text of `gltf`, the element records in place of their placeholder.
    std::string text(const Json& gltf, int indent) const
    {
        std::string out = gltf.dump(indent);
        const std::string mark = std::string("\"") + elementsPlaceholder + "\"";
        const size_t at = out.find(mark);
        if (at != std::string::npos) out.replace(at, mark.size(), elementsText_);
        return out;
    }

private:
    const PosedBody& body_;
    const ExportOptions& options_;
    std::vector<uint8_t>* bin_ = nullptr;
    Json bufferViews_ = Json::array();
    Json accessors_ = Json::array();
    std::string elementsText_;

    // The element records as JSON text, written directly: a full body has thousands of them.
    std::string elementsText(const std::vector<std::pair<int, long>>& at, const int slot[4]) const
    {
        std::string out = "[";
        const auto number = [&out](long v) { out += std::to_string(v); };
        const auto list = [&](const auto& values) {
            out += '[';
            for (size_t i = 0; i < values.size(); ++i) {
                if (i > 0) out += ',';
                number(static_cast<long>(values[i]));
            }
            out += ']';
        };
        for (size_t i = 0; i < body_.elements.size(); ++i) {
            const PosedElement& e = body_.elements[i];
            if (i > 0) out += ',';
            const char* kind = e.kind == PosedElement::polygon ? "polygon" : e.kind == PosedElement::line ? "line" : "sphere";
            out += std::string("{\"") + kind + "\":";
            if (at[i].second < 0) {
                out += "null";
            } else {
                out += '[';
                number(slot[at[i].first]);
                out += ',';
                number(at[i].second);
                out += ']';
            }
            if (e.kind == PosedElement::polygon) {
                out += ",\"type\":";
                number(e.renderType);
                out += ",\"colour\":";
                number(e.storedColour);
                if (e.renderType >= 9) {
                    out += ",\"normals\":";
                    list(e.normals);
                } else if (e.renderType >= 7) {
                    out += ",\"normal\":";
                    number(e.polygonNormal);
                }
                out += ",\"points\":";
                list(e.offsets);
            } else {
                out += ",\"attributes\":";
                number(static_cast<long>(e.attributes));
                if (e.kind == PosedElement::line) {
                    out += ",\"points\":";
                    list(e.offsets);
                } else {
                    out += ",\"radius\":";
                    number(e.radius);
                    out += ",\"centre\":";
                    number(e.offsets[0]);
                }
            }
            out += '}';
        }
        return out + "]";
    }

    bool lit() const { return options_.look == ExportLook::base; }

    std::array<float, 3> linearColour(uint8_t index) const
    {
        const uint8_t* c = options_.palette[index];
        return {linearFromDisplay(c[0]), linearFromDisplay(c[1]), linearFromDisplay(c[2])};
    }

    void addVertex(VertexGroup& g, const std::array<float, 3>& position, uint8_t colour, int joint, int point,
                   const std::array<float, 3>& normal) const
    {
        g.positions.insert(g.positions.end(), position.begin(), position.end());
        const std::array<float, 3> c = linearColour(colour);
        g.colours.insert(g.colours.end(), c.begin(), c.end());
        g.joints.insert(g.joints.end(), {static_cast<uint16_t>(joint), 0, 0, 0});
        g.points.push_back(static_cast<float>(point));
        if (lit()) g.normals.insert(g.normals.end(), normal.begin(), normal.end());
    }

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

    // A polygon's own vertices, fanned into triangles; returns its first vertex.
    size_t addPolygon(VertexGroup& g, const PosedElement& e) const
    {
        const size_t first = g.vertexCount();
        const std::array<float, 3> face = lit() ? faceNormal(e) : std::array<float, 3>{};
        for (size_t k = 0; k < e.points.size(); ++k) {
            const uint16_t point = e.points[k];
            uint8_t colour = static_cast<uint8_t>(e.storedColour);
            std::array<float, 3> normal = face;
            if (lit()) {
                if (e.renderType >= 9) normal = recordNormal(e.normals[k], face);
                else if (e.renderType >= 7) normal = recordNormal(e.polygonNormal, face);
            } else {
                colour = e.smooth() ? static_cast<uint8_t>(e.vertexColours[k]) : e.paletteIndex();
            }
            addVertex(g, scaled(body_.bindPoints[point]), colour, body_.pointJoint[point], point, normal);
        }
        for (size_t k = 1; k + 1 < e.points.size(); ++k) {
            g.indices.insert(g.indices.end(), {static_cast<uint32_t>(first), static_cast<uint32_t>(first + k),
                                               static_cast<uint32_t>(first + k + 1)});
        }
        return first;
    }

    size_t addSphere(VertexGroup& g, const PosedElement& e) const
    {
        // Poles on z, like the viewer's spheres; a negative radius mirrors it through its centre.
        const size_t first = g.vertexCount();
        const uint16_t centre = e.points[0];
        const std::array<float, 3> c = scaled(body_.bindPoints[centre]);
        const double r = static_cast<double>(e.radius) * static_cast<double>(exportScale);
        const int joint = body_.pointJoint[centre];
        const auto vertex = [&](double theta, double phi) {
            const double dx = std::sin(theta) * std::cos(phi), dy = std::sin(theta) * std::sin(phi), dz = std::cos(theta);
            addVertex(g, {static_cast<float>(c[0] + r * dx), static_cast<float>(c[1] + r * dy), static_cast<float>(c[2] + r * dz)},
                      e.paletteIndex(), joint, centre, unit(dx, dy, dz, {0, 0, 1}));
        };
        const double pi = 3.141592653589793;
        vertex(0, 0);
        for (int stack = 1; stack < sphereStacks; ++stack) {
            for (int slice = 0; slice < sphereSlices; ++slice) vertex(pi * stack / sphereStacks, 2 * pi * slice / sphereSlices);
        }
        vertex(pi, 0);
        const auto ring = [&](int stack, int slice) {
            return static_cast<uint32_t>(first + 1 + static_cast<size_t>((stack - 1) * sphereSlices + slice % sphereSlices));
        };
        const auto top = static_cast<uint32_t>(first);
        const auto bottom = static_cast<uint32_t>(first + 1 + (sphereStacks - 1) * sphereSlices);
        for (int slice = 0; slice < sphereSlices; ++slice) {
            g.indices.insert(g.indices.end(), {top, ring(1, slice), ring(1, slice + 1)});
            for (int stack = 1; stack + 1 < sphereStacks; ++stack) {
                const uint32_t u0 = ring(stack, slice), u1 = ring(stack, slice + 1);
                const uint32_t d0 = ring(stack + 1, slice), d1 = ring(stack + 1, slice + 1);
                g.indices.insert(g.indices.end(), {u0, d0, d1, u0, d1, u1});
            }
            g.indices.insert(g.indices.end(), {bottom, ring(sphereStacks - 1, slice + 1), ring(sphereStacks - 1, slice)});
        }
        return first;
    }

    // Appends bytes to the buffer as a new view (4-byte aligned); returns its index.
    int view(const void* data, size_t bytes, int target)
    {
        while (bin_->size() % 4 != 0) bin_->push_back(0);
        Json v = {{"buffer", 0}, {"byteOffset", bin_->size()}, {"byteLength", bytes}};
        if (target != 0) v["target"] = target;
        const auto* p = static_cast<const uint8_t*>(data);
        bin_->insert(bin_->end(), p, p + bytes);
        bufferViews_.push_back(std::move(v));
        return static_cast<int>(bufferViews_.size()) - 1;
    }

    int floatAccessor(const std::vector<float>& values, int components, int target, bool bounds)
    {
        static const char* const types[] = {"", "SCALAR", "VEC2", "VEC3", "VEC4"};
        const size_t count = values.size() / static_cast<size_t>(components);
        Json a = {{"bufferView", view(values.data(), values.size() * sizeof(float), target)},
                  {"componentType", componentFloat},
                  {"count", count},
                  {"type", types[components]}};
        if (bounds) {
            std::vector<float> low(static_cast<size_t>(components), std::numeric_limits<float>::max());
            std::vector<float> high(static_cast<size_t>(components), std::numeric_limits<float>::lowest());
            for (size_t i = 0; i < values.size(); ++i) {
                const size_t c = i % static_cast<size_t>(components);
                low[c] = std::min(low[c], values[i]);
                high[c] = std::max(high[c], values[i]);
            }
            a["min"] = low;
            a["max"] = high;
        }
        accessors_.push_back(std::move(a));
        return static_cast<int>(accessors_.size()) - 1;
    }

    int jointAccessor(const std::vector<uint16_t>& joints)
    {
        accessors_.push_back({{"bufferView", view(joints.data(), joints.size() * 2, targetArray)},
                              {"componentType", componentUnsignedShort},
                              {"count", joints.size() / 4},
                              {"type", "VEC4"}});
        return static_cast<int>(accessors_.size()) - 1;
    }

    int indexAccessor(const std::vector<uint32_t>& indices, size_t vertexCount)
    {
        int v;
        int type = componentUnsignedInt;
        if (vertexCount <= 65535) {
            std::vector<uint16_t> narrow(indices.begin(), indices.end());
            v = view(narrow.data(), narrow.size() * 2, targetElements);
            type = componentUnsignedShort;
        } else {
            v = view(indices.data(), indices.size() * 4, targetElements);
        }
        accessors_.push_back({{"bufferView", v}, {"componentType", type}, {"count", indices.size()}, {"type", "SCALAR"}});
        return static_cast<int>(accessors_.size()) - 1;
    }

    Json primitive(const VertexGroup& g, int material)
    {
        Json attributes = {{"POSITION", floatAccessor(g.positions, 3, targetArray, true)}};
        if (!g.normals.empty()) attributes["NORMAL"] = floatAccessor(g.normals, 3, targetArray, false);
        attributes["COLOR_0"] = floatAccessor(g.colours, 3, targetArray, false);
        attributes["JOINTS_0"] = jointAccessor(g.joints);
        // One joint with weight 1 (255 normalised) a vertex.
        std::vector<uint8_t> weights(g.vertexCount() * 4, 0);
        for (size_t i = 0; i < weights.size(); i += 4) weights[i] = 255;
        accessors_.push_back({{"bufferView", view(weights.data(), weights.size(), targetArray)},
                              {"componentType", componentUnsignedByte},
                              {"normalized", true},
                              {"count", g.vertexCount()},
                              {"type", "VEC4"}});
        attributes["WEIGHTS_0"] = accessors_.size() - 1;
        attributes["_POINT"] = floatAccessor(g.points, 1, targetArray, false);
        Json p = {{"attributes", std::move(attributes)}, {"mode", g.mode}, {"material", material}};
        if (g.mode == modeTriangles) p["indices"] = indexAccessor(g.indices, g.vertexCount());
        return p;
    }

    Json material(const char* name, bool translucent) const
    {
        Json m = {{"name", name},
                  {"pbrMetallicRoughness",
                   {{"baseColorFactor", {1.0, 1.0, 1.0, translucent ? translucentAlpha : 1.0f}},
                    {"metallicFactor", 0.0},
                    {"roughnessFactor", 1.0}}}};
        if (translucent) m["alphaMode"] = "BLEND";
        if (!lit()) m["extensions"] = {{"KHR_materials_unlit", Json::object()}};
        return m;
    }
};

Json Writer::build(std::vector<uint8_t>* bin)
{
    bin_ = bin;
    const std::string name = options_.archiveName + "#" + std::to_string(options_.entry);

    // Geometry: every element as drawn, in its primitive by role.
    VertexGroup groups[4] = {{"polygons", modeTriangles, false}, {"translucent", modeTriangles, true},
                             {"lines", modeLines, false}, {"spheres", modeTriangles, false}};
    // Each element's primitive group and first vertex (-1: no geometry).
    std::vector<std::pair<int, long>> at;
    at.reserve(body_.elements.size());
    for (const PosedElement& e : body_.elements) {
        if (e.kind == PosedElement::polygon) {
            const int g = e.translucent() ? 1 : 0;
            // Fewer than three vertices draw nothing: no geometry, the record only.
            at.emplace_back(g, e.points.size() >= 3 ? static_cast<long>(addPolygon(groups[g], e)) : -1L);
        } else if (e.kind == PosedElement::line) {
            VertexGroup& g = groups[2];
            at.emplace_back(2, static_cast<long>(g.vertexCount()));
            for (uint16_t point : e.points) {
                addVertex(g, scaled(body_.bindPoints[point]), e.paletteIndex(), body_.pointJoint[point], point, {});
            }
        } else {
            at.emplace_back(3, static_cast<long>(addSphere(groups[3], e)));
        }
    }
    // Lines carry no normals: they are drawn unlit in either look.
    groups[2].normals.clear();

    // Primitives that hold something; the extras name each element's primitive by its place here.
    Json primitives = Json::array();
    Json roles = Json::array();
    int slot[4] = {-1, -1, -1, -1};
    for (int g = 0; g < 4; ++g) {
        const bool empty = groups[g].mode == modeTriangles ? groups[g].indices.empty() : groups[g].positions.empty();
        if (empty) continue;
        slot[g] = static_cast<int>(primitives.size());
        primitives.push_back(primitive(groups[g], groups[g].translucent ? 1 : 0));
        roles.push_back(groups[g].role);
    }
    elementsText_ = elementsText(at, slot);

    // Skeleton: one node per processed bone, the frame's turns on them.
    Json nodes = Json::array();
    std::vector<Json> children(body_.joints.size(), Json::array());
    std::vector<float> inverseBinds;
    for (size_t j = 0; j < body_.joints.size(); ++j) {
        const PosedBone& joint = body_.joints[j];
        Vec3 offset = joint.origin;
        if (joint.parentJoint >= 0) {
            const PosedBone& up = body_.joints[static_cast<size_t>(joint.parentJoint)];
            offset = apply(transpose(up.world), {joint.origin[0] - up.origin[0], joint.origin[1] - up.origin[1],
                                                 joint.origin[2] - up.origin[2]});
            children[static_cast<size_t>(joint.parentJoint)].push_back(j);
        }
        Json node = {{"name", "bone_" + std::to_string(joint.index)}};
        if (offset[0] != 0 || offset[1] != 0 || offset[2] != 0) {
            node["translation"] = {static_cast<float>(offset[0] * exportScale), static_cast<float>(offset[1] * exportScale),
                                   static_cast<float>(offset[2] * exportScale)};
        }
        const std::array<float, 4> q = quaternion(joint.local);
        if (q[0] != 0 || q[1] != 0 || q[2] != 0) node["rotation"] = q;
        nodes.push_back(std::move(node));
        // The bind pose holds every joint unturned at its bind origin.
        const float t[3] = {-static_cast<float>(joint.bindOrigin[0]) * exportScale,
                            -static_cast<float>(joint.bindOrigin[1]) * exportScale,
                            -static_cast<float>(joint.bindOrigin[2]) * exportScale};
        inverseBinds.insert(inverseBinds.end(), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, t[0], t[1], t[2], 1});
    }
    for (size_t j = 0; j < body_.joints.size(); ++j) {
        if (!children[j].empty()) nodes[j]["children"] = std::move(children[j]);
    }
    const size_t meshNode = nodes.size();
    Json joints = Json::array();
    for (size_t j = 0; j < body_.joints.size(); ++j) joints.push_back(j);

    Json gltf;
    gltf["asset"] = {{"version", "2.0"}, {"generator", std::string("Orvane ") + orvaneVersion}};
    if (!lit()) gltf["extensionsUsed"] = Json::array({"KHR_materials_unlit"});
    gltf["scene"] = 0;
    Json sceneNodes = {0};
    if (!primitives.empty()) {
        nodes.push_back({{"name", name}, {"mesh", 0}, {"skin", 0}});
        sceneNodes.push_back(meshNode);
        gltf["meshes"] = Json::array({Json{{"name", name}, {"primitives", std::move(primitives)}}});
        gltf["materials"] = Json::array({material("opaque", false)});
        if (slot[1] >= 0) gltf["materials"].push_back(material("translucent", true));
    }
    gltf["nodes"] = std::move(nodes);
    accessors_.push_back({{"bufferView", view(inverseBinds.data(), inverseBinds.size() * sizeof(float), 0)},
                          {"componentType", componentFloat},
                          {"count", body_.joints.size()},
                          {"type", "MAT4"}});
    const size_t inverseBindAccessor = accessors_.size() - 1;
    gltf["skins"] = Json::array({Json{{"name", name}, {"inverseBindMatrices", inverseBindAccessor}, {"skeleton", 0}, {"joints", joints}}});

    // The body's points in the bind pose, in point order, for an import to read back.
    std::vector<float> points;
    for (int i = 0; i < body_.pointCount; ++i) {
        const std::array<float, 3> p = scaled(body_.bindPoints[static_cast<size_t>(i)]);
        points.insert(points.end(), p.begin(), p.end());
    }
    Json pointTable = {{"count", body_.pointCount}};
    if (body_.pointCount > 0) pointTable["accessor"] = floatAccessor(points, 3, 0, true);

    Json bones = Json::array();
    for (const StoredBone& b : body_.bones) {
        bones.push_back({{"node", b.joint},
                         {"firstPoint", b.firstPoint},
                         {"pointCount", b.pointCount},
                         {"basePoint", b.basePoint},
                         {"parent", b.parent},
                         {"type", b.type},
                         {"angles", {b.angleX, b.angleY, b.angleZ}},
                         {"normals", b.normalCount},
                         {"reserved", hex(b.reserved, sizeof b.reserved)}});
    }
    Json normals = Json::array();
    for (const StoredNormal& n : body_.normalRecords) normals.push_back({n.x, n.y, n.z, n.divisor});

    Json extras = {{"format", 1},
                   {"archive", options_.archiveName},
                   {"entry", options_.entry},
                   {"autoAngle", body_.autoAngle},
                   {"look", lit() ? "base" : "viewer"},
                   {"header", hex(body_.header.data(), body_.header.size())},
                   {"points", std::move(pointTable)},
                   {"bones", std::move(bones)},
                   {"normals", {{"total", body_.normalTotal}, {"records", std::move(normals)}}},
                   {"primitives", std::move(roles)},
                   {"elements", elementsPlaceholder},
                   {"tail", hex(body_.tail.data(), body_.tail.size())}};
    gltf["scenes"] = Json::array({Json{{"name", name}, {"nodes", std::move(sceneNodes)}, {"extras", {{"orvane", std::move(extras)}}}}});
    gltf["accessors"] = std::move(accessors_);
    gltf["bufferViews"] = std::move(bufferViews_);
    while (bin_->size() % 4 != 0) bin_->push_back(0);
    gltf["buffers"] = Json::array({Json{{"byteLength", bin_->size()}}});
    return gltf;
}

std::string base64(const std::vector<uint8_t>& bytes)
{
    static const char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const uint32_t a = bytes[i];
        const uint32_t b = i + 1 < bytes.size() ? bytes[i + 1] : 0;
        const uint32_t c = i + 2 < bytes.size() ? bytes[i + 2] : 0;
        const uint32_t v = (a << 16) | (b << 8) | c;
        out += table[(v >> 18) & 63];
        out += table[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? table[(v >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? table[v & 63] : '=';
    }
    return out;
}

void appendU32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

float linearFromDisplay(uint8_t value)
{
    const double c = value / 255.0;
    return static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
}

std::vector<uint8_t> writeGlb(const PosedBody& body, const ExportOptions& options)
{
    std::vector<uint8_t> bin;
    Writer writer(body, options);
    const Json gltf = writer.build(&bin);
    std::string json = writer.text(gltf, -1);
    while (json.size() % 4 != 0) json += ' ';
    std::vector<uint8_t> out;
    out.reserve(12 + 8 + json.size() + 8 + bin.size());
    appendU32(out, 0x46546C67);  // "glTF"
    appendU32(out, 2);
    appendU32(out, static_cast<uint32_t>(12 + 8 + json.size() + 8 + bin.size()));
    appendU32(out, static_cast<uint32_t>(json.size()));
    appendU32(out, 0x4E4F534A);  // "JSON"
    out.insert(out.end(), json.begin(), json.end());
    appendU32(out, static_cast<uint32_t>(bin.size()));
    appendU32(out, 0x004E4942);  // "BIN\0"
    out.insert(out.end(), bin.begin(), bin.end());
    return out;
}

std::string writeGltf(const PosedBody& body, const ExportOptions& options)
{
    std::vector<uint8_t> bin;
    Writer writer(body, options);
    Json gltf = writer.build(&bin);
    // One self-contained file: the buffer rides along as a data URI.
    gltf["buffers"][0]["uri"] = "data:application/octet-stream;base64," + base64(bin);
    return writer.text(gltf, 1) + "\n";
}
