// obj_mesh_scene.cpp: OBJ and MTL text, read line by line with every number and index checked.
#include "exchange/obj_mesh_scene.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

#include "exchange/mesh_scene.h"

namespace {

constexpr size_t lineLimit = 65536;

struct Line {
    std::vector<std::string> words;
};

// Splits text into lines of whitespace-separated words, comments dropped.
Fault linesOf(const std::vector<uint8_t>& bytes, std::vector<Line>* out)
{
    std::string word;
    Line line;
    size_t length = 0;
    bool comment = false;
    const auto endWord = [&] {
        if (!word.empty()) line.words.push_back(std::move(word));
        word.clear();
    };
    for (size_t i = 0; i <= bytes.size(); ++i) {
        const char c = i < bytes.size() ? static_cast<char>(bytes[i]) : '\n';
        if (c == '\n' || c == '\r') {
            endWord();
            if (!line.words.empty()) out->push_back(std::move(line));
            line = Line{};
            length = 0;
            comment = false;
            continue;
        }
        if (++length > lineLimit) return faultOf("line %zu: longer than %zu characters", out->size() + 1, lineLimit);
        if (c == '\0') return faultOf("not a text file (a zero byte)");
        if (comment) continue;
        if (c == '#') {
            comment = true;
            endWord();
        } else if (c == ' ' || c == '\t') {
            endWord();
        } else {
            word += c;
        }
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
    std::vector<Line> lines;
    if (linesOf(bytes, &lines)) return;  // an unreadable library leaves its materials white
    ObjMaterial* current = nullptr;
    for (const Line& l : lines) {
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
    }
}

}  // namespace

Fault meshSceneFromObj(const std::vector<uint8_t>& bytes, const MtlLoader& loadMtl, MeshScene* out)
{
    *out = MeshScene{};
    std::vector<Line> lines;
    if (const Fault f = linesOf(bytes, &lines)) return f;
    std::map<std::string, ObjMaterial> materials;
    ObjMaterial current;
    std::vector<bool> hasOwnColour;
    std::vector<Vec3> ownColour;
    int ignoredLibraries = 0;
    size_t lineNumber = 0;
    // Each face's vertices are copies: the colour is a face's (its material's) unless the
    // vertex has its own.
    std::vector<Vec3> positions;
    for (const Line& l : lines) {
        ++lineNumber;
        const std::string& key = l.words[0];
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
            std::vector<uint32_t> refs;
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
            current = l.words.size() >= 2 && materials.count(l.words[1]) ? materials[l.words[1]] : ObjMaterial{};
        } else if (key == "mtllib") {
            for (size_t k = 1; k < l.words.size(); ++k) {
                const std::string& name = l.words[k];
                std::vector<uint8_t> mtl;
                const bool plain = name.find('/') == std::string::npos && name.find('\\') == std::string::npos && name != "..";
                if (plain && loadMtl && loadMtl(name, &mtl)) readMtl(mtl, &materials);
                else ++ignoredLibraries;
            }
        }
        // vn, vt, o, g, s and the rest carry nothing a body keeps.
    }
    if (ignoredLibraries > 0) out->notes.push_back(std::to_string(ignoredLibraries) + " material libraries not found beside the model: their faces are white");
    return noFault();
}
