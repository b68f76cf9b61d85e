// import_test_support.cpp: hand-made glTF containers, in-process imports, body behaviour.
#include "import_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

#include "body/body.h"
#include "body/body_check.h"
#include "body/body_codec.h"
#include "demo/demo_data.h"
#include "exchange/gltf_export.h"
#include "exchange/face_shading.h"
#include "support/little_endian.h"

namespace {

void putU32(Bytes& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void appendNumber(std::string& out, long v) { out += std::to_string(v) + ","; }

bool prepared(const Bytes& body, Bytes* out)
{
    if (checkBodyForPreparation(body.data(), body.size())) return false;
    *out = body;
    prepareBody(out->data());
    return !checkBodyForFrames(out->data(), out->size());
}

}  // namespace

Bytes glbOf(const std::string& json, const Bytes& bin)
{
    std::string text = json;
    while (text.size() % 4 != 0) text += ' ';
    Bytes data = bin;
    while (data.size() % 4 != 0) data.push_back(0);
    Bytes out;
    putU32(out, 0x46546C67);
    putU32(out, 2);
    putU32(out, static_cast<uint32_t>(12 + 8 + text.size() + (data.empty() ? 0 : 8 + data.size())));
    putU32(out, static_cast<uint32_t>(text.size()));
    putU32(out, 0x4E4F534A);
    out.insert(out.end(), text.begin(), text.end());
    if (!data.empty()) {
        putU32(out, static_cast<uint32_t>(data.size()));
        putU32(out, 0x004E4942);
        out.insert(out.end(), data.begin(), data.end());
    }
    return out;
}

void putFloats(Bytes& out, std::initializer_list<float> values)
{
    for (const float f : values) {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        putU32(out, bits);
    }
}

void putU16s(Bytes& out, std::initializer_list<uint16_t> values)
{
    for (const uint16_t v : values) {
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    }
}

BodyBuilder smallBody()
{
    BodyBuilder b;
    for (int i = 0; i < 4; ++i) b.addPoint(static_cast<int16_t>(i * 40), static_cast<int16_t>(i % 2 * 40), 0);
    for (int i = 0; i < 4; ++i) b.addPoint(static_cast<int16_t>(i * 30), 0, static_cast<int16_t>(20 + i % 2 * 30));
    b.addBone(0, 4, 0, -1);
    b.addNormal(0, 100, 100, 400);
    b.addBone(4, 4, 3, 0, 0, 128);
    b.addNormal(0, 0, 100, 300);
    b.addPolygon(0, 40, {0, 1, 2});
    b.addShadedPolygon(8, 48, 1, {4, 5, 6, 7});
    b.addVertexShadedPolygon(9, 32, {{0, 1}, {0, 2}, {0, 3}});
    b.addPolygon(5, 60, {7, 6, 5});
    b.addLine(70, 0, 7);
    b.addSphere(90, 12, 3);
    return b;
}

const uint8_t (*demoPaletteColours())[3]
{
    static uint8_t palette[256][3];
    static bool made = false;
    if (!made) {
        const Bytes bytes = demoPalette();
        std::memcpy(palette, bytes.data(), std::min<size_t>(bytes.size(), sizeof palette));
        made = true;
    }
    return palette;
}

std::string importBytes(const Bytes& bytes, ModelFormat format, ModelImport* out, double scale)
{
    MeshBodyOptions options;
    options.palette = demoPaletteColours();
    if (scale > 0) options.scale = scale;
    const Fault f = importModel(bytes, format, "", options, out);
    return f ? f.reason : "";
}

std::string behaviourOf(const Bytes& body, int frames)
{
    Bytes buffer;
    if (!prepared(body, &buffer)) return "refused";
    resetPipelineState();
    const int32_t points = readI16(buffer.data() + bodyFrameDataOffset);
    std::string out;
    int32_t autoAngle = 0;
    for (int f = 0; f < frames; ++f) {
        autoAngle += 2;
        angleY = autoAngle;
        if (const char* fatal = runBodyStageCatchingFatal(buffer.data())) return out + fatal;
        out += "points:";
        for (int32_t i = 0; i < points; ++i) {
            appendNumber(out, transformedPoints[i].x);
            appendNumber(out, transformedPoints[i].y);
            appendNumber(out, transformedPoints[i].z);
        }
        out += "\nshades:";
        for (int32_t i = 0; i < shadeCount; ++i) appendNumber(out, shadeTable[i]);
        out += "\nrender:";
        for (int32_t i = 0; i < renderCount; ++i) {
            const uint8_t* r = renderList[i].record;
            appendNumber(out, renderList[i].kind);
            int bytes = renderList[i].kind == renderKindPolygon ? polygonHeaderBytes + polygonSlotBytes * r[1] : 8;
            if (renderList[i].kind == renderKindPolygon && !(r[0] >= 7 && r[0] <= 253)) {
                // Vertex colour slots are not filled for these draw types: compare the points only.
                appendNumber(out, readU32(r));
                for (int v = 0; v < r[1]; ++v)
                    appendNumber(out, readU16(r + polygonHeaderBytes + polygonSlotBytes * v + 2));
                continue;
            }
            for (int b = 0; b < bytes; ++b) appendNumber(out, r[b]);
        }
        out += "\n";
    }
    return out;
}

std::vector<PointXYZ> firstFramePoints(const Bytes& body)
{
    Bytes buffer;
    std::vector<PointXYZ> out;
    if (!prepared(body, &buffer)) return out;
    resetPipelineState();
    angleY = 0;
    if (runBodyStageCatchingFatal(buffer.data()) != nullptr) return out;
    const int32_t points = readI16(buffer.data() + bodyFrameDataOffset);
    for (int32_t i = 0; i < points; ++i)
        out.push_back({transformedPoints[i].x, transformedPoints[i].y, transformedPoints[i].z});
    return out;
}

BodyParts partsOf(const Bytes& body)
{
    BodyParts parts;
    StoredBody stored;
    if (checkBodyForPreparation(body.data(), body.size()) || decodeBody(body.data(), body.size(), &stored))
        return parts;
    for (const Point16& p : stored.points) parts.points.push_back({p.x, p.y, p.z});
    for (const BoneRecord& b : stored.bones) {
        parts.bones.push_back(
            {b.firstPoint, b.pointCount, b.basePoint, b.parent, b.type, b.angleX, b.angleY, b.angleZ});
    }
    parts.normals = stored.normalTotal;
    for (const PolygonRecord& r : stored.polygons) {
        BodyPolygon p{r.renderType, r.colour, {}};
        for (const int16_t offset : r.offsets)
            p.points.push_back(pointIndexOf(offset, polygonOffsetsSigned(r.renderType)));
        parts.polygons.push_back(p);
    }
    for (const LineRecord& l : stored.lines) {
        parts.lines.push_back(
            {static_cast<int>((l.attributes >> 8) & 255), l.first / pointBytes, l.second / pointBytes});
    }
    return parts;
}

std::set<int> coloursOf(const BodyParts& parts)
{
    std::set<int> out;
    for (const BodyPolygon& p : parts.polygons) out.insert(p.colour);
    return out;
}

std::set<int> litColours(const std::set<int>& entries)
{
    std::set<int> out;
    for (const int e : entries) out.insert(litColour(static_cast<uint8_t>(e)));
    return out;
}

Bytes exported(const Bytes& body, bool json, int32_t autoAngle)
{
    PosedBody posed;
    if (poseBody(body.data(), body.size(), autoAngle, &posed)) return {};
    ExportOptions options;
    options.archiveName = "test.ZRK";
    options.palette = demoPaletteColours();
    if (!json) return writeGlb(posed, options);
    const std::string text = writeGltf(posed, options);
    return Bytes(text.begin(), text.end());
}

Glb::Glb(const Bytes& glb)
{
    EXPECT_GE(glb.size(), 28u) << "not a GLB";
    if (glb.size() < 28) return;
    const uint32_t jsonLength = readU32(&glb[12]);
    json = nlohmann::json::parse(glb.begin() + 20, glb.begin() + 20 + jsonLength);
    bin.assign(glb.begin() + 20 + jsonLength + 8, glb.end());
}

std::pair<int, int> Glb::elementAt(size_t i) const
{
    const nlohmann::json& e = json["scenes"][0]["extras"]["orvane"]["elements"][i];
    const nlohmann::json& at = e.contains("polygon") ? e["polygon"] : e.contains("line") ? e["line"] : e["sphere"];
    return {at[0].get<int>(), at[1].get<int>()};
}

float& Glb::floatAt(int accessor, int element, int component)
{
    const nlohmann::json& a = json["accessors"][accessor];
    const size_t components = a["type"] == "SCALAR" ? 1 : a["type"] == "VEC2" ? 2 : 3;
    const size_t offset =
        json["bufferViews"][a["bufferView"].get<int>()].value("byteOffset", 0) + a.value("byteOffset", 0);
    return *reinterpret_cast<float*>(
        &bin[offset + (static_cast<size_t>(element) * components + static_cast<size_t>(component)) * 4]);
}
