// obj_mesh_scene.cpp: OBJ and MTL text, read line by line with every number and index checked.
#include "exchange/obj_mesh_scene.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>
#include <string>

#include "exchange/colour.h"
#include "exchange/mesh_scene.h"

namespace {

constexpr size_t lineLimit = 65536;
// Material libraries: each read once, at most this many, names at most this long.
constexpr size_t libraryLimit = 16;
constexpr size_t libraryNameLimit = 255;

// One line of text: its words and, for 'mtllib', the rest
// of the line as it stands, since a library's name may hold spaces or '#'.
struct Line {
    size_t number = 0;
    std::vector<std::string> words;
    std::string rest;  // after the first word, blanks around it trimmed
};

// Calls `each(line)` for every line that has words, comments dropped; one line is held at a
// time. A UTF-8 byte-order mark before the first line is skipped. Stops at the first fault.
template <typename Each>
Fault forEachLine(const std::vector<uint8_t>& bytes, Each each)
{
    size_t at = bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
    Line line;
    while (at < bytes.size()) {
        ++line.number;
        size_t end = at;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r') ++end;
        if (end - at > lineLimit) return faultOf("line %zu: longer than %zu characters", line.number, lineLimit);
        const std::string text(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                               bytes.begin() + static_cast<std::ptrdiff_t>(end));
        if (text.find('\0') != std::string::npos) return faultOf("not a text file (a zero byte)");
        at = end + 1;
        if (end < bytes.size() && bytes[end] == '\r' && at < bytes.size() && bytes[at] == '\n')
            ++at;  // CR LF is one line end
        line.words.clear();
        line.rest.clear();
        const size_t comment = text.find('#');
        size_t i = 0;
        while (i < text.size() && i < comment) {
            const size_t from = text.find_first_not_of(" \t", i);
            if (from == std::string::npos || from >= comment) break;
            const size_t to = std::min(text.find_first_of(" \t#", from), text.size());
            line.words.push_back(text.substr(from, to - from));
            if (line.words.size() == 1) {
                const size_t first = text.find_first_not_of(" \t", to);
                const size_t last = text.find_last_not_of(" \t");
                if (first != std::string::npos) line.rest = text.substr(first, last + 1 - first);
            }
            i = to;
        }
        if (line.words.empty()) continue;
        if (const Fault f = each(line)) return f;
    }
    return noFault();
}

bool number(const std::string& text, double* out)
{
    char* end = nullptr;
    *out = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0' && std::isfinite(*out);
}

// One number of a vertex reference: 1-based, or negative counting back from the last; false
// for anything that names no element of `count`.
bool referenceIndex(const std::string& text, size_t count, uint32_t* out)
{
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || v == 0) return false;
    const long long i = v > 0 ? v - 1 : static_cast<long long>(count) + v;
    if (i < 0 || i >= static_cast<long long>(count)) return false;
    *out = static_cast<uint32_t>(i);
    return true;
}

// A vertex reference "i", "i/t", "i//n" or "i/t/n". A texture or normal number that names
// nothing is taken as absent (-1), as viewers do; the position must exist.
struct VertexRef {
    uint32_t position = 0;
    int64_t uv = -1, normal = -1;
};
bool vertexReference(const std::string& text, size_t positions, size_t uvs, size_t normals, VertexRef* out)
{
    const size_t first = text.find('/');
    if (!referenceIndex(text.substr(0, first), positions, &out->position)) return false;
    out->uv = out->normal = -1;
    if (first == std::string::npos) return true;
    const size_t second = text.find('/', first + 1);
    uint32_t i = 0;
    if (referenceIndex(text.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1),
                       uvs, &i))
        out->uv = i;
    if (second != std::string::npos && referenceIndex(text.substr(second + 1), normals, &i)) out->normal = i;
    return true;
}

struct ObjMaterial {
    Vec3 colour = {255, 255, 255};  // display values
    bool translucent = false;
    std::string texture;  // map_Kd: a picture beside the model
};

void readMtl(const std::vector<uint8_t>& bytes, std::map<std::string, ObjMaterial>* materials)
{
    ObjMaterial* current = nullptr;
    // An unreadable library leaves the rest of its materials white.
    (void)forEachLine(bytes, [&](const Line& l) {
        const std::string& key = l.words[0];
        if (key == "newmtl" && l.words.size() >= 2) {
            current = &(*materials)[l.words[1]];
        } else if (current != nullptr && key == "Kd" && l.words.size() >= 4) {
            Vec3 c;
            bool ok = true;
            for (size_t k = 0; k < 3; ++k) ok &= number(l.words[k + 1], &c[k]);
            if (ok) {
                // Kd is linear light, as Blender and most tools read and write it.
                for (double& v : c) v = displayFromLinear(v);
                current->colour = c;
            }
        } else if (current != nullptr && key == "map_Kd" && l.words.size() >= 2) {
            current->texture = l.words.back();  // options such as -s come before the name
            if (current->texture.rfind("./", 0) == 0) current->texture.erase(0, 2);
        } else if (current != nullptr && (key == "d" || key == "Tr") && l.words.size() >= 2) {
            double v = 1;
            if (number(l.words[1], &v)) current->translucent = (key == "d" ? v : 1 - v) < 0.999;
        }
        return noFault();
    });
}

// The library a 'mtllib' line names: the rest of the line as one name, "./" before it
// dropped; should no such file be there and the name hold a '#', the part before it (a
// comment after the name).
bool loadLibrary(const Line& l, const MtlLoader& loadMtl, std::vector<uint8_t>* mtl)
{
    std::string name = l.rest;
    while (name.rfind("./", 0) == 0) name.erase(0, 2);
    const auto plain = [](const std::string& n) {
        return !n.empty() && n.size() <= libraryNameLimit && n.find('/') == std::string::npos &&
               n.find('\\') == std::string::npos && n != "..";
    };
    if (plain(name) && loadMtl(name, mtl)) return true;
    const size_t hash = name.find('#');
    if (hash == std::string::npos) return false;
    name.resize(name.find_last_not_of(" \t", hash == 0 ? 0 : hash - 1) + 1);
    return hash > 0 && plain(name) && loadMtl(name, mtl);
}

// The scene texture of a material's map_Kd, decoded once; -1 when there is none or it cannot
// be read (said once per picture in the notes).
int textureOf(const ObjMaterial& material, const MtlLoader& load, std::map<std::string, int>* known, MeshScene* out)
{
    if (material.texture.empty()) return -1;
    const auto found = known->find(material.texture);
    if (found != known->end()) return found->second;
    const std::string& name = material.texture;
    std::vector<uint8_t> bytes;
    MeshTexture texture;
    int index = -1;
    const bool plain = name.find('/') == std::string::npos && name.find('\\') == std::string::npos && name != "..";
    if (!plain || !load || !load(name, &bytes)) {
        out->notes.push_back("texture '" + name.substr(0, 60) +
                             "' not found beside the model: its faces keep their Kd colour");
    } else if (const Fault f = decodeTexture(bytes, &texture.image)) {
        out->notes.push_back("texture '" + name.substr(0, 60) + "' dropped: " + f.reason);
    } else {
        out->notes.push_back("texture '" + name.substr(0, 60) + "' (" + std::to_string(texture.image.width) + " x " +
                             std::to_string(texture.image.height) +
                             ") baked into face colours: each face takes the palette colour nearest its mean");
        index = static_cast<int>(out->textures.size());
        out->textures.push_back(std::move(texture));
    }
    known->emplace(name, index);
    return index;
}

bool numbers(const Line& l, size_t count, double* out)
{
    if (l.words.size() < count + 1) return false;
    for (size_t k = 0; k < count; ++k) {
        if (!number(l.words[k + 1], &out[k])) return false;
    }
    return true;
}

// What reading an OBJ file keeps from line to line. Each face's vertices are copies: the
// colour is a face's (its material's) unless the vertex has its own.
struct ObjReading {
    ObjMaterial current;
    std::vector<bool> hasOwnColour;
    std::vector<Vec3> ownColour;
    std::vector<Vec3> positions, normals;
    std::vector<TexCoord> uvs;
    std::map<std::string, int> textures;
    std::vector<VertexRef> refs;
};

// A 'v' line: x y z, then an optional w or r g b.
Fault readPosition(const Line& l, ObjReading& r)
{
    const size_t lineNumber = l.number;
    if (l.words.size() != 4 && l.words.size() != 5 && l.words.size() != 7)
        return faultOf("line %zu: a vertex needs x y z", lineNumber);
    Vec3 p;
    for (size_t k = 0; k < 3; ++k) {
        if (!number(l.words[k + 1], &p[k]))
            return faultOf("line %zu: '%.40s' is not a finite number", lineNumber, l.words[k + 1].c_str());
    }
    if (r.positions.size() >= static_cast<size_t>(importVertexLimit))
        return faultOf("more than %lld vertices", static_cast<long long>(importVertexLimit));
    r.positions.push_back(p);
    Vec3 c{};
    const bool coloured = l.words.size() == 7;
    for (size_t k = 0; coloured && k < 3; ++k) {
        if (!number(l.words[k + 4], &c[k])) return faultOf("line %zu: bad vertex colour", lineNumber);
        c[k] = std::clamp(c[k], 0.0, 1.0) * 255.0;
    }
    r.hasOwnColour.push_back(coloured);
    r.ownColour.push_back(c);
    return noFault();
}

// A 'vn' or 'vt' line.
Fault readNormalOrUv(const Line& l, ObjReading& r)
{
    const std::string& key = l.words[0];
    double v[3] = {0, 0, 0};
    if (!numbers(l, key == "vn" ? 3 : 2, v))
        return faultOf("line %zu: '%s' needs finite numbers", l.number, key.c_str());
    if (r.normals.size() + r.uvs.size() >= static_cast<size_t>(importVertexLimit))
        return faultOf("more than %lld normals and texture coordinates", static_cast<long long>(importVertexLimit));
    if (key == "vn")
        r.normals.push_back({v[0], v[1], v[2]});
    else
        r.uvs.push_back({v[0], 1 - v[1]});  // OBJ counts v from the picture's bottom
    return noFault();
}

// An 'f' line as one face, an 'l' line as a face of two vertices per segment.
Fault addFaceOrLines(const Line& l, const MtlLoader& loadMtl, ObjReading& r, MeshScene* out)
{
    const std::string& key = l.words[0];
    const size_t lineNumber = l.number;
    const size_t least = key == "f" ? 3 : 2;
    if (l.words.size() < least + 1)
        return faultOf("line %zu: '%s' needs at least %zu vertices", lineNumber, key.c_str(), least);
    if (l.words.size() > 256) return faultOf("line %zu: more than 255 vertices", lineNumber);
    r.refs.assign(l.words.size() - 1, VertexRef{});
    for (size_t k = 1; k < l.words.size(); ++k) {
        if (!vertexReference(l.words[k], r.positions.size(), r.uvs.size(), r.normals.size(), &r.refs[k - 1])) {
            return faultOf("line %zu: vertex '%.40s' does not exist", lineNumber, l.words[k].c_str());
        }
    }
    const auto copy = [&](const VertexRef& ref) {
        const uint32_t v = ref.position;
        MeshVertex mv;
        mv.position = r.positions[v];
        mv.colour = r.hasOwnColour[v] ? r.ownColour[v] : r.current.colour;
        if (ref.normal >= 0) mv.normal = r.normals[static_cast<size_t>(ref.normal)];
        if (ref.uv >= 0) mv.uv = r.uvs[static_cast<size_t>(ref.uv)];
        out->vertices.push_back(mv);
        return static_cast<uint32_t>(out->vertices.size() - 1);
    };
    if (out->vertices.size() + r.refs.size() > static_cast<size_t>(importVertexLimit))
        return faultOf("more than %lld face vertices", static_cast<long long>(importVertexLimit));
    if (key == "f") {
        MeshFace f;
        f.translucent = r.current.translucent;
        f.texture = textureOf(r.current, loadMtl, &r.textures, out);
        for (const VertexRef& ref : r.refs) f.vertices.push_back(copy(ref));
        out->faces.push_back(std::move(f));
    } else {
        for (size_t k = 0; k + 1 < r.refs.size(); ++k) {
            MeshFace f;
            f.vertices = {copy(r.refs[k]), copy(r.refs[k + 1])};
            out->faces.push_back(std::move(f));
        }
    }
    return noFault();
}

}  // namespace

Fault meshSceneFromObj(const std::vector<uint8_t>& bytes, const MtlLoader& loadMtl, MeshScene* out)
{
    *out = MeshScene{};
    std::map<std::string, ObjMaterial> materials;
    std::set<std::string> libraries;  // each named library tried once
    int ignoredLibraries = 0;
    bool skippedLibraries = false;
    ObjReading r;
    const Fault fault = forEachLine(bytes, [&](const Line& l) -> Fault {
        const std::string& key = l.words[0];
        if (key == "v") {
            if (const Fault f = readPosition(l, r)) return f;
        } else if (key == "vn" || key == "vt") {
            if (const Fault f = readNormalOrUv(l, r)) return f;
        } else if (key == "f" || key == "l") {
            if (const Fault f = addFaceOrLines(l, loadMtl, r, out)) return f;
        } else if (key == "usemtl") {
            const auto found = l.words.size() >= 2 ? materials.find(l.words[1]) : materials.end();
            r.current = found != materials.end() ? found->second : ObjMaterial{};
        } else if (key == "mtllib") {
            const std::string name = l.rest.substr(0, libraryNameLimit + 1);
            std::vector<uint8_t> mtl;
            if (libraries.count(name) != 0) return noFault();
            if (libraries.size() >= libraryLimit) {
                skippedLibraries = true;
                return noFault();
            }
            libraries.insert(name);
            if (loadMtl && loadLibrary(l, loadMtl, &mtl))
                readMtl(mtl, &materials);
            else
                ++ignoredLibraries;
        }
        // o, g, s and the rest carry nothing a body keeps.
        return noFault();
    });
    if (fault) return fault;
    if (ignoredLibraries > 0)
        out->notes.push_back(std::to_string(ignoredLibraries) +
                             " material libraries not found beside the model: their faces are white");
    if (skippedLibraries)
        out->notes.push_back("more than " + std::to_string(libraryLimit) +
                             " material libraries named: only the first " + std::to_string(libraryLimit) +
                             " were read");
    return noFault();
}
