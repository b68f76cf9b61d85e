// cmd_diff_bodies.cpp: two bodies taken apart as the frames read them and compared part by part.
#include "tool/cmd_diff_bodies.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "body/body.h"
#include "support/little_endian.h"

namespace {

// An element: its colour (a polygon's u16, a line's or sphere's palette byte) and all its bytes.
struct Element {
    uint16_t colour = 0;
    ByteSpan bytes;
};

struct BodyParts {
    ByteSpan header;  // everything before the frames' data section
    std::vector<ByteSpan> points, bones;
    ByteSpan normals;
    std::vector<Element> polygons, lines, spheres;
    ByteSpan rest;  // after the sphere list
};

// Reads parts front to back, every count checked against the bytes left.
struct Cursor {
    ByteSpan bytes;
    std::size_t at = 0;

    bool count(int32_t* n)
    {
        if (bytes.size() - at < 2) return false;
        *n = readI16(bytes.data() + at);
        at += 2;
        return *n >= 0;
    }
    bool take(std::size_t size, ByteSpan* part)
    {
        if (size > bytes.size() - at) return false;
        *part = bytes.subspan(at, size);
        at += size;
        return true;
    }
    bool records(std::size_t size, std::vector<ByteSpan>* out)
    {
        int32_t n = 0;
        if (!count(&n)) return false;
        out->resize(static_cast<std::size_t>(n));
        for (ByteSpan& record : *out)
            if (!take(size, &record)) return false;
        return true;
    }
    bool elements(bool polygons, std::vector<Element>* out)
    {
        int32_t n = 0;
        if (!count(&n)) return false;
        out->resize(static_cast<std::size_t>(n));
        for (Element& element : *out) {
            std::size_t size = static_cast<std::size_t>(lineRecordBytes);  // spheres are as long
            if (polygons) {
                if (bytes.size() - at < polygonHeaderBytes) return false;
                const uint8_t* p = bytes.data() + at;
                size = static_cast<std::size_t>(storedPolygonBytes(p[0], p[1]));
            }
            if (!take(size, &element.bytes)) return false;
            element.colour = polygons ? readU16(element.bytes.data() + 2) : element.bytes[1];
        }
        return true;
    }
};

bool decodeBody(ByteSpan body, BodyParts* parts)
{
    Cursor in{body};
    if (!in.take(bodyFrameDataOffset, &parts->header) || !in.records(pointBytes, &parts->points) ||
        !in.records(boneRecordBytes, &parts->bones))
        return false;
    const std::size_t normalsAt = in.at;
    int32_t total = 0;
    if (!in.count(&total)) return false;
    if (total != 0) {
        std::size_t records = 0;
        for (const ByteSpan& bone : parts->bones) records += static_cast<std::size_t>(std::max<int16_t>(0, readI16(bone.data() + boneNormalCount)));
        ByteSpan skipped;
        if (!in.take(records * normalRecordBytes, &skipped)) return false;
    }
    parts->normals = body.subspan(normalsAt, in.at - normalsAt);
    if (!in.elements(true, &parts->polygons) || !in.elements(false, &parts->lines) || !in.elements(false, &parts->spheres))
        return false;
    parts->rest = body.subspan(in.at);
    return true;
}

bool same(ByteSpan a, ByteSpan b) { return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size()) == 0); }

struct Words {
    std::string text;
    std::vector<const char*> other;  // the parts with other differences

    void add(std::size_t n, const char* one, const char* many, const char* what)
    {
        if (n == 0) return;
        if (!text.empty()) text += ", ";
        text += std::to_string(n) + " " + (n == 1 ? one : many) + " " + what;
    }
    void grew(std::size_t before, std::size_t after, const char* one, const char* many)
    {
        if (after > before) add(after - before, one, many, "added");
        if (before > after) add(before - after, one, many, "removed");
    }
    void otherIn(const char* part)
    {
        if (other.empty() || other.back() != part) other.push_back(part);
    }
};

void compareElements(const std::vector<Element>& a, const std::vector<Element>& b, bool polygons, const char* one,
                     const char* many, Words* words)
{
    const std::size_t colourAt = polygons ? 2 : 1, colourSize = polygons ? 2 : 1;
    std::size_t recoloured = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        if (a[i].colour != b[i].colour) ++recoloured;
        // Beside the colour, anything else of the element.
        if (a[i].bytes.size() != b[i].bytes.size() || !same(a[i].bytes.first(colourAt), b[i].bytes.first(colourAt)) ||
            !same(a[i].bytes.subspan(colourAt + colourSize), b[i].bytes.subspan(colourAt + colourSize)))
            words->otherIn(many);
    }
    words->grew(a.size(), b.size(), one, many);
    words->add(recoloured, one, many, "recoloured");
}

}  // namespace

std::string describeBodyChange(ByteSpan before, ByteSpan after)
{
    BodyParts a, b;
    if (!decodeBody(before, &a) || !decodeBody(after, &b)) return "other fields";
    Words words;
    std::size_t moved = 0, turned = 0;
    for (std::size_t i = 0; i < std::min(a.points.size(), b.points.size()); ++i) moved += !same(a.points[i], b.points[i]);
    words.add(moved, "point", "points", "moved");
    words.grew(a.points.size(), b.points.size(), "point", "points");
    for (std::size_t i = 0; i < std::min(a.bones.size(), b.bones.size()); ++i) {
        const ByteSpan x = a.bones[i], y = b.bones[i];
        turned += !same(x.subspan(boneAngleX, 6), y.subspan(boneAngleX, 6));
        if (!same(x.first(boneAngleX), y.first(boneAngleX)) || !same(x.subspan(boneAngleZ + 2), y.subspan(boneAngleZ + 2)))
            words.otherIn("bones");
    }
    words.add(turned, "bone", "bones", "with other angles");
    words.grew(a.bones.size(), b.bones.size(), "bone", "bones");
    compareElements(a.polygons, b.polygons, true, "polygon", "polygons", &words);
    compareElements(a.lines, b.lines, false, "line", "lines", &words);
    compareElements(a.spheres, b.spheres, false, "sphere", "spheres", &words);
    if (!same(a.header, b.header)) words.otherIn("header");
    if (!same(a.normals, b.normals)) words.otherIn("normals");
    if (!same(a.rest, b.rest)) words.otherIn("bytes after the spheres");
    std::string text = words.text;
    if (!words.other.empty()) {
        text += text.empty() ? "other fields (" : ", other fields (";
        for (std::size_t i = 0; i < words.other.size(); ++i) text += (i > 0 ? ", " : "") + std::string(words.other[i]);
        text += ")";
    }
    return text.empty() ? "other fields" : text;
}
