// body_diff.cpp: two bodies decoded into their records (body_codec) and compared record
// by record.
#include "body/body_diff.h"

#include <algorithm>
#include <tuple>
#include <vector>

#include "body/body_codec.h"

namespace {

struct Words {
    std::string text;
    std::vector<const char*> other;  // the parts with other differences, each once

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
        if (std::find(other.begin(), other.end(), part) == other.end()) other.push_back(part);
    }
};

uint8_t paletteIndex(uint32_t attributes) { return static_cast<uint8_t>(attributes >> 8); }

// Elements at the same place in both lists: their colours, and everything else; then those
// added or removed at the end.
template <typename Record, typename Colour, typename Rest>
void compareElements(const std::vector<Record>& a, const std::vector<Record>& b, Colour colour, Rest rest,
                     const char* one, const char* many, Words* words)
{
    std::size_t recoloured = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        recoloured += colour(a[i]) != colour(b[i]);
        if (rest(a[i]) != rest(b[i])) words->otherIn(many);
    }
    words->grew(a.size(), b.size(), one, many);
    words->add(recoloured, one, many, "recoloured");
}

bool samePoint(const Point16& p, const Point16& q) { return p.x == q.x && p.y == q.y && p.z == q.z; }

bool sameNormals(const StoredBody& a, const StoredBody& b)
{
    if (a.normalTotal != b.normalTotal || a.normals.size() != b.normals.size()) return false;
    for (std::size_t i = 0; i < a.normals.size(); ++i) {
        const NormalRecord &m = a.normals[i], &n = b.normals[i];
        if (m.x != n.x || m.y != n.y || m.z != n.z || m.divisor != n.divisor) return false;
    }
    return true;
}

}  // namespace

std::string describeBodyChange(ByteSpan before, ByteSpan after)
{
    StoredBody a, b;
    if (decodeBody(before.data(), before.size(), &a) || decodeBody(after.data(), after.size(), &b))
        return "other fields";
    Words words;
    std::size_t moved = 0, turned = 0;
    for (std::size_t i = 0; i < std::min(a.points.size(), b.points.size()); ++i)
        moved += !samePoint(a.points[i], b.points[i]);
    words.add(moved, "point", "points", "moved");
    words.grew(a.points.size(), b.points.size(), "point", "points");
    for (std::size_t i = 0; i < std::min(a.bones.size(), b.bones.size()); ++i) {
        const BoneRecord &x = a.bones[i], &y = b.bones[i];
        turned += x.angleX != y.angleX || x.angleY != y.angleY || x.angleZ != y.angleZ;
        if (x.firstPoint != y.firstPoint || x.pointCount != y.pointCount || x.basePoint != y.basePoint ||
            x.parent != y.parent || x.type != y.type || x.normalCount != y.normalCount || x.reserved != y.reserved)
            words.otherIn("bones");
    }
    words.add(turned, "bone", "bones", "with other angles");
    words.grew(a.bones.size(), b.bones.size(), "bone", "bones");
    compareElements(
        a.polygons, b.polygons, [](const PolygonRecord& p) { return p.colour; },
        [](const PolygonRecord& p) { return std::tie(p.renderType, p.normal, p.offsets, p.normals); }, "polygon",
        "polygons", &words);
    compareElements(
        a.lines, b.lines, [](const LineRecord& l) { return paletteIndex(l.attributes); },
        [](const LineRecord& l) { return std::make_tuple(l.attributes & 0xFFFF00FFu, l.first, l.second); }, "line",
        "lines", &words);
    compareElements(
        a.spheres, b.spheres, [](const SphereRecord& s) { return paletteIndex(s.attributes); },
        [](const SphereRecord& s) { return std::make_tuple(s.attributes & 0xFFFF00FFu, s.radius, s.centre); }, "sphere",
        "spheres", &words);
    if (a.header != b.header) words.otherIn("header");
    if (!sameNormals(a, b)) words.otherIn("normals");
    if (a.tail != b.tail) words.otherIn("bytes after the spheres");
    std::string text = words.text;
    if (!words.other.empty()) {
        text += text.empty() ? "other fields (" : ", other fields (";
        for (std::size_t i = 0; i < words.other.size(); ++i) text += (i > 0 ? ", " : "") + std::string(words.other[i]);
        text += ")";
    }
    return text.empty() ? "other fields" : text;
}
