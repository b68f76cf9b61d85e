// obj_export.cpp: the frame's posed mesh as OBJ + MTL, for tools that read nothing else: the
// viewer's transformed points, a material per palette colour used, lines as 'l' records in an
// object of their own.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>

#include "exchange/colour.h"
#include "exchange/decimal_text.h"
#include "exchange/obj_export.h"

namespace {

// A big body makes hundreds of thousands of records, so numbers go through to_chars into the
// text, never through temporary strings.
void appendNumber(std::string& out, int value)
{
    char text[16];
    out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

void appendf(std::string& out, const char* format, double a, double b, double c)
{
    char text[96];
    std::snprintf(text, sizeof text, format, a, b, c);
    out += text;
}

// "v x y z", each as printf's %.7g writes it.
void appendVertex(std::string& out, double x, double y, double z)
{
    char text[2 + 3 * decimal7Room] = {'v'};
    char* p = text + 1;
    for (const double value : {x, y, z}) {
        *p++ = ' ';
        p = writeDecimal7(p, value);
    }
    *p++ = '\n';
    out.append(text, p);
}

// "f a b c ..." or "l a b": OBJ numbers, counting from 1.
template <typename Numbers>
void appendRecord(std::string& out, char kind, const Numbers& numbers)
{
    out += kind;
    for (const int n : numbers) {
        out += ' ';
        appendNumber(out, n);
    }
    out += '\n';
}

// A material: a palette colour, drawn opaque or translucent.
struct Material {
    uint8_t colour = 0;
    bool translucent = false;
    int key() const { return colour * 2 + (translucent ? 1 : 0); }
    std::string name() const { return "colour_" + std::to_string(colour) + (translucent ? "_translucent" : ""); }
};

// A sphere in OBJ: 10 x 10, poles on z; a vertex at each pole and 9 rings of 10 between.
constexpr int sphereVertexCount = 2 + 9 * 10;

// The unit sphere's sines and cosines, worked out once: every sphere of every body uses them.
struct SphereAngles {
    double sinTheta[11], cosTheta[11], sinPhi[10], cosPhi[10];
    SphereAngles()
    {
        const double pi = 3.141592653589793;
        for (int stack = 0; stack <= 10; ++stack) {
            // The poles at 0 and at pi itself, the rings between at pi * stack / 10.
            const double theta = stack == 0 ? 0 : stack == 10 ? pi : pi * stack / 10;
            sinTheta[stack] = std::sin(theta);
            cosTheta[stack] = std::cos(theta);
        }
        for (int slice = 0; slice < 10; ++slice) {
            sinPhi[slice] = std::sin(2 * pi * slice / 10);
            cosPhi[slice] = std::cos(2 * pi * slice / 10);
        }
    }
};

// The sphere's vertices around the posed centre `c`, top pole first.
void appendSphereVertices(std::string& obj, const Point16& c, double r)
{
    static const SphereAngles a;
    const auto vertex = [&](int stack, int slice) {
        appendVertex(obj, (c.x + r * a.sinTheta[stack] * a.cosPhi[slice]) * exportScale,
                     (c.y + r * a.sinTheta[stack] * a.sinPhi[slice]) * exportScale,
                     (c.z + r * a.cosTheta[stack]) * exportScale);
    };
    vertex(0, 0);
    for (int stack = 1; stack < 10; ++stack) {
        for (int slice = 0; slice < 10; ++slice) vertex(stack, slice);
    }
    vertex(10, 0);
}

// The sphere's faces over the vertices appendSphereVertices wrote from OBJ number `first` on.
void appendSphereFaces(std::string& obj, int first)
{
    const auto ring = [&](int stack, int slice) { return first + 1 + (stack - 1) * 10 + slice % 10; };
    const int bottom = first + 1 + 9 * 10;
    for (int slice = 0; slice < 10; ++slice) {
        appendRecord(obj, 'f', std::array{first, ring(1, slice), ring(1, slice + 1)});
        for (int stack = 1; stack < 9; ++stack) {
            appendRecord(obj, 'f',
                         std::array{ring(stack, slice), ring(stack + 1, slice), ring(stack + 1, slice + 1),
                                    ring(stack, slice + 1)});
        }
        appendRecord(obj, 'f', std::array{bottom, ring(9, slice + 1), ring(9, slice)});
    }
}

// Room for the text, so that a big body's OBJ is not copied as it grows.
size_t expectedObjSize(const PosedBody& body, int room)
{
    size_t size = 256 + static_cast<size_t>(room) * 40;
    for (const PosedElement& e : body.elements) {
        size += e.kind == PosedElement::sphere ? sphereVertexCount * 40 + 100 * 30 : 16 + e.points.size() * 7;
    }
    return size;
}

}  // namespace

ObjFiles writeObj(const PosedBody& body, const ExportOptions& options, const std::string& mtlName)
{
    const bool lit = options.look == ExportLook::base;
    ObjFiles files;
    std::string& obj = files.obj;

    // Every point an element may name, as the viewer placed it; sphere vertices after them.
    int room = body.pointCount;
    for (const PosedElement& e : body.elements) {
        for (uint16_t p : e.points) room = std::max(room, p + 1);
    }
    obj.reserve(expectedObjSize(body, room));
    obj = std::string("# Orvane ") + orvaneVersion + ": " + options.archiveName + " entry " +
          std::to_string(options.entry) + ", auto-angle " + std::to_string(body.autoAngle) + "\n";
    obj += "mtllib " + mtlName + "\n";
    obj += "o " + options.archiveName + "#" + std::to_string(options.entry) + "\n";
    for (int i = 0; i < room; ++i) {
        const Point16& p = body.framePoints[static_cast<size_t>(i)];
        appendVertex(obj, static_cast<float>(p.x) * exportScale, static_cast<float>(p.y) * exportScale,
                     static_cast<float>(p.z) * exportScale);
    }
    int nextVertex = room + 1;  // OBJ counts from 1

    bool used[512] = {};
    int current = -1;
    const auto useMaterial = [&](Material m) {
        used[m.key()] = true;
        if (m.key() != current) obj += "usemtl " + m.name() + "\n";
        current = m.key();
    };
    struct Line {
        uint8_t colour;
        int first, second;
    };
    std::vector<Line> lines;
    for (const PosedElement& e : body.elements) {
        if (e.kind == PosedElement::polygon) {
            if (e.points.size() < 3) continue;
            // One colour a face: a smooth polygon takes its first vertex's.
            uint8_t colour = static_cast<uint8_t>(e.colour);
            if (!lit) colour = e.smooth() ? static_cast<uint8_t>(e.vertexColours[0]) : e.paletteIndex();
            useMaterial({colour, e.translucent()});
            obj += 'f';
            for (uint16_t p : e.points) {
                obj += ' ';
                appendNumber(obj, p + 1);
            }
            obj += '\n';
        } else if (e.kind == PosedElement::line) {
            lines.push_back({e.paletteIndex(), e.points[0] + 1, e.points[1] + 1});
        } else {
            const int first = nextVertex;
            appendSphereVertices(obj, body.framePoints[e.points[0]], e.radius);
            nextVertex += sphereVertexCount;
            useMaterial({e.paletteIndex(), false});
            appendSphereFaces(obj, first);
        }
    }

    // Lines in an object of their own: a reader that makes one mesh an object (three.js) would
    // otherwise draw the faces beside them as lines too.
    if (!lines.empty()) {
        obj += "o " + options.archiveName + "#" + std::to_string(options.entry) + " lines\n";
        current = -1;
        for (const Line& line : lines) {
            useMaterial({line.colour, false});
            appendRecord(obj, 'l', std::array{line.first, line.second});
        }
    }

    // Kd is linear light, as Blender reads it, so the palette's display colours show as they are;
    // unlit (illum 0) for the viewer's look. Materials go in the order of their names.
    std::map<std::string, Material> byName;
    for (int key = 0; key < 512; ++key) {
        const Material m{static_cast<uint8_t>(key / 2), (key & 1) != 0};
        if (used[key]) byName.emplace(m.name(), m);
    }
    std::string& mtl = files.mtl;
    mtl = std::string("# Orvane ") + orvaneVersion + ": palette colours used by " + options.archiveName + " entry " +
          std::to_string(options.entry) + "\n";
    for (const auto& [name, m] : byName) {
        const uint8_t* rgb = options.palette[m.colour];
        mtl += "\nnewmtl " + name + "\n";
        appendf(mtl, "Kd %.6f %.6f %.6f\n", linearFromDisplay(rgb[0]), linearFromDisplay(rgb[1]),
                linearFromDisplay(rgb[2]));
        mtl += m.translucent ? "d 0.313725\n" : "d 1\n";
        mtl += lit ? "illum 1\n" : "illum 0\n";
    }
    return files;
}
