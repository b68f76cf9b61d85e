// model_input.cpp: model files imported on the way, bodies checked as the viewer would.
#include "tool/model_input.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "archive/archive_loader.h"
#include "body/body.h"
#include "body/body_check.h"
#include "exchange/model_import.h"
#include "image/palette_file.h"
#include "support/file_io.h"

namespace {

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// The palette a model's colours are matched against: the one named, else palette.dmp beside
// the model, else in the working folder.
Fault findPalette(const std::string& model, const ModelSettings& settings, std::string* path)
{
    *path = settings.palette;
    if (!path->empty()) return noFault();
    const std::string beside = folderOf(model) + "/palette.dmp";
    for (const std::string& candidate : {beside, std::string("palette.dmp")}) {
        if (pathExists(candidate)) {
            *path = candidate;
            return noFault();
        }
    }
    if (beside == "./palette.dmp") return faultOf("no palette: ./palette.dmp does not exist (give --palette FILE)");
    return faultOf("no palette: neither %s nor ./palette.dmp exists (give --palette FILE)", beside.c_str());
}

}  // namespace

bool parseScale(const char* text, double* scale)
{
    if (!std::isdigit(static_cast<unsigned char>(text[0])) && text[0] != '.') return false;  // no space, sign or word
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(v) || !(v > 0) || v > 1e9) return false;
    *scale = v;
    return true;
}

Fault checkBodyBytes(const std::vector<uint8_t>& body)
{
    std::vector<uint8_t> copy = body;
    if (const Fault fault = checkBodyForPreparation(copy.data(), copy.size())) return fault;
    prepareBody(copy.data());
    const char* fatal = nullptr;
    if (const Fault fault = checkBodyForFrames(copy.data(), copy.size(), &fatal)) return fault;
    if (fatal != nullptr) return faultOf("its first frame stops the viewer: %s", fatal);
    return noFault();
}

Fault loadEntryInput(const char* command, const std::string& path, const ModelSettings& settings,
                     std::vector<uint8_t>* entry, std::vector<std::string>* opened)
{
    const ModelFormat format = modelFormatOf(path);
    std::vector<uint8_t> bytes;
    opened->push_back(path);
    if (const Fault f = readFileBytes(path, &bytes, format == ModelFormat::none ? bodyFileCap : modelFileCap))
        return faultOf("cannot read it: %s", f.reason);
    if (format == ModelFormat::none) {
        if (!settings.raw) {
            if (const Fault f = checkBodyBytes(bytes))
                return faultOf("not a body the viewer can show: %s (--raw takes the bytes as they are)", f.reason);
        }
        *entry = std::move(bytes);
        return noFault();
    }
    std::string palettePath;
    if (const Fault f = findPalette(path, settings, &palettePath)) return f;
    opened->push_back(palettePath);
    Palette palette = {};
    // As strict as render and export: a folder or an empty file would map every colour to black.
    if (const Fault f = loadPaletteFile(palettePath.c_str(), palette))
        return faultOf("cannot read the palette: %s", f.reason);
    MeshBodyOptions options;
    options.palette = palette;
    if (settings.scale > 0) options.scale = settings.scale;
    options.fit = settings.fit;
    options.flat = settings.flat;
    ModelImport result;
    ImportBase base;
    if (!settings.base.empty()) base = {&settings.base, settings.baseRequired, settings.baseName};
    const Fault fault = importModel(bytes, format, folderOf(path), options, &result, base);
    opened->insert(opened->end(), result.files.begin(), result.files.end());
    // The notes first: they may say why a refused model was read the way it was.
    for (const std::string& note : result.notes)
        std::fprintf(stderr, "orvane %s: %s: %s\n", command, path.c_str(), note.c_str());
    if (fault) return fault;
    *entry = std::move(result.body);
    return noFault();
}

Fault loadImportBase(const std::string& archive, long index, bool required, ModelSettings* settings)
{
    uint8_t* data = nullptr;
    uint32_t size = 0;
    if (const Fault f = loadArchiveEntry(archive.c_str(), static_cast<int16_t>(index), &data, &size)) return f;
    settings->base.assign(data, data + size);
    std::free(data);
    const size_t slash = archive.rfind('/');
    settings->baseName =
        (slash == std::string::npos ? archive : archive.substr(slash + 1)) + " entry " + std::to_string(index);
    settings->baseRequired = required;
    return noFault();
}
