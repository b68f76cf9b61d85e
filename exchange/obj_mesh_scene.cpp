// obj_mesh_scene.cpp: OBJ and MTL text, read line by line with every number and index checked.
#include "exchange/obj_mesh_scene.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>
#include <string>

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
        const std::string text(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin() + static_cast<std::ptrdiff_t>(end));
        if (text.find('\0') != std::string::npos) return faultOf("not a text file (a zero byte)");
        at = end + 1;
        if (end < bytes.size() && bytes[end] == '\r' && at < bytes.size() && bytes[at] == '\n') ++at;  // CR LF is one line end
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

// A vertex reference "i", "i/t", "i//n" or "i/t/n"; negative counts back from the last vertex.
bool vertexIndex(const std::string& text, size_t vertices, uint32_t* out)
{
    const std::string head = text.substr(0, text.find('/'));
    char* end = nullptr;
    const long long v = std::strtoll(head.c_str(), &end, 10);
    if (end == head.c_str() || *end != '\0' || v == 0) return false;
    const long long i = v > 0 ? v - 1 : static_cast<long long>(vertices) + v;
    if (i < 0 || i >= static_cast<long long>(vertices)) return false;
    *out = static_cast<uint32_t>(i);
    return true;
}

struct ObjMaterial {
    Vec3 colour = {255, 255, 255};  // display values
    bool translucent = false;
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
                for (double& v : c) v = std::clamp(v, 0.0, 1.0) * 255.0;
                current->colour = c;
            }
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
        return !n.empty() && n.size() <= libraryNameLimit && n.find('/') == std::string::npos && n.find('\\') == std::string::npos && n != "..";
    };
    if (plain(name) && loadMtl(name, mtl)) return true;
    const size_t hash = name.find('#');
    if (hash == std::string::npos) return false;
    name.resize(name.find_last_not_of(" \t", hash == 0 ? 0 : hash - 1) + 1);
    return hash > 0 && plain(name) && loadMtl(name, mtl);
}

}  // namespace

Fault meshSceneFromObj(const std::vector<uint8_t>& bytes, const MtlLoader& loadMtl, MeshScene* out)
{
    *out = MeshScene{};
    std::map<std::string, ObjMaterial> materials;
    ObjMaterial current;
    std::vector<bool> hasOwnColour;
    std::vector<Vec3> ownColour;
    std::set<std::string> libraries;  // each named library tried once
    int ignoredLibraries = 0;
    bool skippedLibraries = false;
    // Each face's vertices are copies: the colour is a face's (its material's) unless the
    // vertex has its own.
    std::vector<Vec3> positions;
    std::vector<uint32_t> refs;
    const Fault fault = forEachLine(bytes, [&](const Line& l) -> Fault {
        const std::string& key = l.words[0];
        const size_t lineNumber = l.number;
        if (key == "v") {
            if (l.words.size() != 4 && l.words.size() != 5 && l.words.size() != 7) return faultOf("line %zu: a vertex needs x y z", lineNumber);
            Vec3 p;
            for (size_t k = 0; k < 3; ++k) {
                if (!number(l.words[k + 1], &p[k])) return faultOf("line %zu: '%.40s' is not a finite number", lineNumber, l.words[k + 1].c_str());
            }
            if (positions.size() >= static_cast<size_t>(importVertexLimit)) return faultOf("more than %lld vertices", static_cast<long long>(importVertexLimit));
            positions.push_back(p);
            Vec3 c{};
            const bool coloured = l.words.size() == 7;
            for (size_t k = 0; coloured && k < 3; ++k) {
                if (!number(l.words[k + 4], &c[k])) return faultOf("line %zu: bad vertex colour", lineNumber);
                c[k] = std::clamp(c[k], 0.0, 1.0) * 255.0;
            }
            hasOwnColour.push_back(coloured);
            ownColour.push_back(c);
        } else if (key == "f" || key == "l") {
            const size_t least = key == "f" ? 3 : 2;
            if (l.words.size() < least + 1) return faultOf("line %zu: '%s' needs at least %zu vertices", lineNumber, key.c_str(), least);
            if (l.words.size() > 256) return faultOf("line %zu: more than 255 vertices", lineNumber);
            refs.clear();
            for (size_t k = 1; k < l.words.size(); ++k) {
                uint32_t v = 0;
                if (!vertexIndex(l.words[k], positions.size(), &v)) return faultOf("line %zu: vertex '%.40s' does not exist", lineNumber, l.words[k].c_str());
                refs.push_back(v);
            }
            const auto copy = [&](uint32_t v) {
                MeshVertex mv;
                mv.position = positions[v];
                mv.colour = hasOwnColour[v] ? ownColour[v] : current.colour;
                out->vertices.push_back(mv);
                return static_cast<uint32_t>(out->vertices.size() - 1);
            };
            if (out->vertices.size() + refs.size() > static_cast<size_t>(importVertexLimit)) return faultOf("more than %lld face vertices", static_cast<long long>(importVertexLimit));
            if (key == "f") {
                MeshFace f;
                f.translucent = current.translucent;
                for (const uint32_t v : refs) f.vertices.push_back(copy(v));
                out->faces.push_back(std::move(f));
            } else {
                for (size_t k = 0; k + 1 < refs.size(); ++k) {
                    MeshFace f;
                    f.vertices = {copy(refs[k]), copy(refs[k + 1])};
                    out->faces.push_back(std::move(f));
                }
            }
        } else if (key == "usemtl") {
            const auto found = l.words.size() >= 2 ? materials.find(l.words[1]) : materials.end();
            current = found != materials.end() ? found->second : ObjMaterial{};
        } else if (key == "mtllib") {
            const std::string name = l.rest.substr(0, libraryNameLimit + 1);
            std::vector<uint8_t> mtl;
            if (libraries.count(name) != 0) return noFault();
            if (libraries.size() >= libraryLimit) {
                skippedLibraries = true;
                return noFault();
            }
            libraries.insert(name);
            if (loadMtl && loadLibrary(l, loadMtl, &mtl)) readMtl(mtl, &materials);
            else ++ignoredLibraries;
        }
        // vn, vt, o, g, s and the rest carry nothing a body keeps.
        return noFault();
    });
    if (fault) return fault;
    if (ignoredLibraries > 0) out->notes.push_back(std::to_string(ignoredLibraries) + " material libraries not found beside the model: their faces are white");
    if (skippedLibraries) out->notes.push_back("more than " + std::to_string(libraryLimit) + " material libraries named: only the first " + std::to_string(libraryLimit) + " were read");
    return noFault();
}
