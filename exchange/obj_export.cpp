// obj_export.cpp: the frame's posed mesh as OBJ + MTL, for tools that read nothing else: the
// viewer's transformed points, a material per palette colour used, lines as 'l' records in an
// object of their own.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>

#include "exchange/colour.h"
#include "exchange/obj_export.h"

namespace {

void appendf(std::string& out, const char* format, double a, double b, double c)
{
    char text[96];
    std::snprintf(text, sizeof text, format, a, b, c);
    out += text;
}

// "v x y z", each as printf's %.7g writes it (to_chars promises the same text), without
// printf's cost: a big body has hundreds of thousands of them.
void appendVertex(std::string& out, double x, double y, double z)
{
    char text[96] = {'v'};
    char* p = text + 1;
    for (const double value : {x, y, z}) {
        *p++ = ' ';
        p = std::to_chars(p, text + sizeof text, value, std::chars_format::general, 7).ptr;
    }
    *p++ = '\n';
    out.append(text, p);
}

std::string materialName(uint8_t index, bool translucent)
{
    return "colour_" + std::to_string(index) + (translucent ? "_translucent" : "");
}

// A sphere in OBJ: 10 x 10, poles on z; a vertex at each pole and 9 rings of 10 between.
constexpr int sphereVertexCount = 2 + 9 * 10;

// The sphere's vertices around the posed centre `c`, top pole first.
void appendSphereVertices(std::string& obj, const Point16& c, double r)
{
    const double pi = 3.141592653589793;
    const auto vertex = [&](double theta, double phi) {
        appendVertex(obj, (c.x + r * std::sin(theta) * std::cos(phi)) * exportScale,
                     (c.y + r * std::sin(theta) * std::sin(phi)) * exportScale,
                     (c.z + r * std::cos(theta)) * exportScale);
    };
    vertex(0, 0);
    for (int stack = 1; stack < 10; ++stack) {
        for (int slice = 0; slice < 10; ++slice) vertex(pi * stack / 10, 2 * pi * slice / 10);
    }
    vertex(pi, 0);
}

// The sphere's faces over the vertices appendSphereVertices wrote from OBJ number `first` on.
void appendSphereFaces(std::string& obj, int first)
{
    const auto ring = [&](int stack, int slice) { return first + 1 + (stack - 1) * 10 + slice % 10; };
    const int bottom = first + 1 + 9 * 10;
    for (int slice = 0; slice < 10; ++slice) {
        obj += "f " + std::to_string(first) + ' ' + std::to_string(ring(1, slice)) + ' ' +
               std::to_string(ring(1, slice + 1)) + '\n';
        for (int stack = 1; stack < 9; ++stack) {
            obj += "f " + std::to_string(ring(stack, slice)) + ' ' + std::to_string(ring(stack + 1, slice)) + ' ' +
                   std::to_string(ring(stack + 1, slice + 1)) + ' ' + std::to_string(ring(stack, slice + 1)) + '\n';
        }
        obj += "f " + std::to_string(bottom) + ' ' + std::to_string(ring(9, slice + 1)) + ' ' +
               std::to_string(ring(9, slice)) + '\n';
    }
}

}  // namespace

ObjFiles writeObj(const PosedBody& body, const ExportOptions& options, const std::string& mtlName)
{
    const bool lit = options.look == ExportLook::base;
    ObjFiles files;
    std::string& obj = files.obj;
    obj = std::string("# Orvane ") + orvaneVersion + ": " + options.archiveName + " entry " +
          std::to_string(options.entry) + ", auto-angle " + std::to_string(body.autoAngle) + "\n";
    obj += "mtllib " + mtlName + "\n";
    obj += "o " + options.archiveName + "#" + std::to_string(options.entry) + "\n";

    // Every point an element may name, as the viewer placed it; sphere vertices after them.
    int room = body.pointCount;
    for (const PosedElement& e : body.elements) {
        for (uint16_t p : e.points) room = std::max(room, p + 1);
    }
    for (int i = 0; i < room; ++i) {
        const Point16& p = body.framePoints[static_cast<size_t>(i)];
        appendVertex(obj, static_cast<float>(p.x) * exportScale, static_cast<float>(p.y) * exportScale,
                     static_cast<float>(p.z) * exportScale);
    }
    int nextVertex = room + 1;  // OBJ counts from 1

    std::map<std::string, std::pair<uint8_t, bool>> used;
    std::string current;
    const auto useMaterial = [&](uint8_t index, bool translucent) {
        const std::string name = materialName(index, translucent);
        used.emplace(name, std::make_pair(index, translucent));
        if (name != current) obj += "usemtl " + name + "\n";
        current = name;
    };
    std::vector<std::pair<uint8_t, std::string>> lines;  // colour, record
    for (const PosedElement& e : body.elements) {
        if (e.kind == PosedElement::polygon) {
            if (e.points.size() < 3) continue;
            // One colour a face: a smooth polygon takes its first vertex's.
            uint8_t colour = static_cast<uint8_t>(e.colour);
            if (!lit) colour = e.smooth() ? static_cast<uint8_t>(e.vertexColours[0]) : e.paletteIndex();
            useMaterial(colour, e.translucent());
            obj += 'f';
            for (uint16_t p : e.points) obj += ' ' + std::to_string(p + 1);
            obj += '\n';
        } else if (e.kind == PosedElement::line) {
            lines.emplace_back(e.paletteIndex(),
                               "l " + std::to_string(e.points[0] + 1) + ' ' + std::to_string(e.points[1] + 1) + '\n');
        } else {
            const int first = nextVertex;
            appendSphereVertices(obj, body.framePoints[e.points[0]], e.radius);
            nextVertex += sphereVertexCount;
            useMaterial(e.paletteIndex(), false);
            appendSphereFaces(obj, first);
        }
    }

    // Lines in an object of their own: a reader that makes one mesh an object (three.js) would
    // otherwise draw the faces beside them as lines too.
    if (!lines.empty()) {
        obj += "o " + options.archiveName + "#" + std::to_string(options.entry) + " lines\n";
        current.clear();
        for (const auto& [colour, record] : lines) {
            useMaterial(colour, false);
            obj += record;
        }
    }

    // Kd is linear light, as Blender reads it, so the palette's display colours show as they are;
    // unlit (illum 0) for the viewer's look.
    std::string& mtl = files.mtl;
    mtl = std::string("# Orvane ") + orvaneVersion + ": palette colours used by " + options.archiveName + " entry " +
          std::to_string(options.entry) + "\n";
    for (const auto& [name, colour] : used) {
        const uint8_t* rgb = options.palette[colour.first];
        mtl += "\nnewmtl " + name + "\n";
        appendf(mtl, "Kd %.6f %.6f %.6f\n", linearFromDisplay(rgb[0]), linearFromDisplay(rgb[1]),
                linearFromDisplay(rgb[2]));
        mtl += colour.second ? "d 0.313725\n" : "d 1\n";
        mtl += lit ? "illum 1\n" : "illum 0\n";
    }
    return files;
}
