// body_codec.cpp: a stored body as typed records, and back, every read bounds-checked.
#include "body/body_codec.h"

#include <algorithm>
#include <cstring>

#include "support/little_endian.h"

namespace {

// The bytes still to read, and where.
struct Reader {
    const uint8_t* bytes;
    size_t size;
    size_t at;

    bool has(int64_t n) const { return n >= 0 && static_cast<uint64_t>(n) <= size - at; }
    const uint8_t* take(size_t n)
    {
        const uint8_t* p = bytes + at;
        at += n;
        return p;
    }
};

Fault readCount(Reader& in, const char* what, int32_t* count)
{
    if (!in.has(2)) return faultOf("%s count past the end of the body", what);
    *count = readI16(in.take(2));
    if (*count < 0) return faultOf("%s count %d is negative", what, *count);
    return noFault();
}

BoneRecord boneAt(const uint8_t* b)
{
    BoneRecord r;
    r.firstPoint = readI16(b + boneFirstPoint);
    r.pointCount = readI16(b + bonePointCount);
    r.basePoint = readI16(b + boneBasePoint);
    r.parent = readI16(b + boneParent);
    r.type = readU16(b + boneType);
    r.angleX = readI16(b + boneAngleX);
    r.angleY = readI16(b + boneAngleY);
    r.angleZ = readI16(b + boneAngleZ);
    r.normalCount = readI16(b + boneNormalCount);
    std::memcpy(r.reserved.data(), b + boneReservedLowAt, boneReservedLowBytes);
    std::memcpy(r.reserved.data() + boneReservedLowBytes, b + boneReservedHighAt,
                boneReservedBytes - boneReservedLowBytes);
    return r;
}

Fault decodeSkeleton(Reader& in, StoredBody* out)
{
    int32_t count = 0;
    if (Fault fault = readCount(in, "point", &count)) return fault;
    if (!in.has(int64_t{pointBytes} * count)) return faultOf("point section past the end of the body");
    out->points.resize(static_cast<size_t>(count));
    for (Point16& p : out->points) {
        const uint8_t* s = in.take(pointBytes);
        p = {readI16(s), readI16(s + 2), readI16(s + 4)};
    }
    if (Fault fault = readCount(in, "bone", &count)) return fault;
    if (!in.has(int64_t{boneRecordBytes} * count)) return faultOf("bone table past the end of the body");
    out->bones.resize(static_cast<size_t>(count));
    for (BoneRecord& b : out->bones) b = boneAt(in.take(boneRecordBytes));

    if (!in.has(2)) return faultOf("normal count past the end of the body");
    out->normalTotal = readI16(in.take(2));
    const int64_t normals = normalRecordCount(out->bones, out->normalTotal);
    if (!in.has(int64_t{normalRecordBytes} * normals)) return faultOf("normal section past the end of the body");
    out->normals.resize(static_cast<size_t>(normals));
    for (NormalRecord& n : out->normals) {
        const uint8_t* s = in.take(normalRecordBytes);
        n = {readI16(s), readI16(s + 2), readI16(s + 4), readU16(s + 6)};
    }
    return noFault();
}

Fault decodeElements(Reader& in, StoredBody* out)
{
    int32_t count = 0;
    if (Fault fault = readCount(in, "polygon", &count)) return fault;
    out->polygons.reserve(std::min(static_cast<size_t>(count), (in.size - in.at) / polygonHeaderBytes));
    for (int32_t i = 0; i < count; ++i) {
        if (!in.has(polygonHeaderBytes) || !in.has(storedPolygonBytes(in.bytes[in.at], in.bytes[in.at + 1]))) {
            return faultOf("polygon %d: past the end of the body", i);
        }
        PolygonRecord p;
        const uint8_t* s = in.take(polygonHeaderBytes);
        p.renderType = s[0];
        const int vertices = s[1];
        p.colour = readU16(s + 2);
        if (p.renderType >= renderTypeVertexShaded) {
            for (int v = 0; v < vertices; ++v) {
                const uint8_t* pair = in.take(4);
                p.normals.push_back(readU16(pair));
                p.offsets.push_back(readI16(pair + 2));
            }
        } else {
            if (p.renderType >= renderTypeShaded) p.normal = readI16(in.take(2));
            for (int v = 0; v < vertices; ++v) p.offsets.push_back(readI16(in.take(2)));
        }
        out->polygons.push_back(std::move(p));
    }
    if (Fault fault = readCount(in, "line", &count)) return fault;
    if (!in.has(int64_t{lineRecordBytes} * count)) return faultOf("line section past the end of the body");
    out->lines.resize(static_cast<size_t>(count));
    for (LineRecord& l : out->lines) {
        const uint8_t* s = in.take(lineRecordBytes);
        l = {readU32(s), readI16(s + 4), readI16(s + 6)};
    }
    if (Fault fault = readCount(in, "sphere", &count)) return fault;
    if (!in.has(int64_t{sphereRecordBytes} * count)) return faultOf("sphere section past the end of the body");
    out->spheres.resize(static_cast<size_t>(count));
    for (SphereRecord& s : out->spheres) {
        const uint8_t* r = in.take(sphereRecordBytes);
        s = {readU32(r), readI16(r + 4), readI16(r + 6)};
    }
    return noFault();
}

void append16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void append16(std::vector<uint8_t>& out, int16_t v) { append16(out, static_cast<uint16_t>(v)); }
void append32(std::vector<uint8_t>& out, uint32_t v)
{
    append16(out, static_cast<uint16_t>(v));
    append16(out, static_cast<uint16_t>(v >> 16));
}
void appendCount(std::vector<uint8_t>& out, size_t size, const std::optional<int16_t>& stated)
{
    append16(out, stated.value_or(static_cast<int16_t>(size)));
}

void appendBone(std::vector<uint8_t>& out, const BoneRecord& b)
{
    append16(out, b.firstPoint);
    append16(out, b.pointCount);
    append16(out, b.basePoint);
    append16(out, b.parent);
    append16(out, b.type);
    append16(out, b.angleX);
    append16(out, b.angleY);
    append16(out, b.angleZ);
    out.insert(out.end(), b.reserved.begin(), b.reserved.begin() + boneReservedLowBytes);
    append16(out, b.normalCount);
    out.insert(out.end(), b.reserved.begin() + boneReservedLowBytes, b.reserved.end());
}

void appendPolygon(std::vector<uint8_t>& out, const PolygonRecord& p)
{
    out.push_back(p.renderType);
    out.push_back(static_cast<uint8_t>(p.offsets.size()));
    append16(out, p.colour);
    if (p.renderType >= renderTypeVertexShaded) {
        for (size_t v = 0; v < p.offsets.size(); ++v) {
            append16(out, v < p.normals.size() ? p.normals[v] : uint16_t{0});
            append16(out, p.offsets[v]);
        }
        return;
    }
    if (p.renderType >= renderTypeShaded) append16(out, p.normal);
    for (const int16_t offset : p.offsets) append16(out, offset);
}

}  // namespace

int64_t normalRecordCount(const std::vector<BoneRecord>& bones, int16_t normalTotal)
{
    if (normalTotal == 0) return 0;
    int64_t records = 0;
    for (const BoneRecord& b : bones) {
        if (b.normalCount > 0) records += b.normalCount;  // a negative count announces none
    }
    return records;
}

Fault decodeBody(const uint8_t* bytes, size_t size, StoredBody* out)
{
    *out = StoredBody{};
    if (size < static_cast<size_t>(bodyFrameDataOffset)) return faultOf("body too short for its header");
    Reader in{bytes, size, bodyFrameDataOffset};
    out->header.assign(bytes, bytes + bodyFrameDataOffset);
    if (Fault fault = decodeSkeleton(in, out)) return fault;
    if (Fault fault = decodeElements(in, out)) return fault;
    out->tail.assign(bytes + in.at, bytes + size);
    return noFault();
}

std::vector<uint8_t> encodeBody(const StoredBody& body, const StoredCounts& counts)
{
    std::vector<uint8_t> out(body.header);
    appendCount(out, body.points.size(), counts.points);
    for (const Point16& p : body.points) {
        append16(out, p.x);
        append16(out, p.y);
        append16(out, p.z);
    }
    appendCount(out, body.bones.size(), counts.bones);
    for (const BoneRecord& b : body.bones) appendBone(out, b);
    append16(out, body.normalTotal);
    for (const NormalRecord& n : body.normals) {
        append16(out, n.x);
        append16(out, n.y);
        append16(out, n.z);
        append16(out, n.divisor);
    }
    appendCount(out, body.polygons.size(), counts.polygons);
    for (const PolygonRecord& p : body.polygons) appendPolygon(out, p);
    appendCount(out, body.lines.size(), counts.lines);
    for (const LineRecord& l : body.lines) {
        append32(out, l.attributes);
        append16(out, l.first);
        append16(out, l.second);
    }
    appendCount(out, body.spheres.size(), counts.spheres);
    for (const SphereRecord& s : body.spheres) {
        append32(out, s.attributes);
        append16(out, s.radius);
        append16(out, s.centre);
    }
    out.insert(out.end(), body.tail.begin(), body.tail.end());
    return out;
}
