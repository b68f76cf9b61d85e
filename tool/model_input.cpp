// model_input.cpp: model files imported on the way, other files taken as they are.
#include "tool/model_input.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "archive/archive_loader.h"

#include "exchange/model_import.h"
#include "image/palette_file.h"
#include "support/file_io.h"

namespace {

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool parseScale(const char* text, double* scale)
{
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(v) || !(v > 0) || v > 1e9) return false;
    *scale = v;
    return true;
}

Fault loadEntryInput(const char* command, const std::string& path, const ModelSettings& settings, std::vector<uint8_t>* entry)
{
    std::vector<uint8_t> bytes;
    if (const Fault f = readFileBytes(path, &bytes)) return faultOf("cannot read it: %s", f.reason);
    const ModelFormat format = modelFormatOf(path);
    if (format == ModelFormat::none) {
        *entry = std::move(bytes);
        return noFault();
    }
    Palette palette = {};
    std::string palettePath = settings.palette;
    if (palettePath.empty()) {
        const std::string beside = folderOf(path) + "/palette.dmp";
        std::FILE* probe = std::fopen(beside.c_str(), "rb");
        if (probe != nullptr) std::fclose(probe);
        palettePath = probe != nullptr ? beside : "palette.dmp";
        if (probe == nullptr) {
            probe = std::fopen(palettePath.c_str(), "rb");
            if (probe == nullptr) return faultOf("no palette: neither %s nor ./palette.dmp exists (give --palette FILE)", beside.c_str());
            std::fclose(probe);
        }
    }
    // As strict as render and export: a folder or an empty file would map every colour to black.
    if (const Fault f = loadPaletteFile(palettePath.c_str(), palette)) return faultOf("cannot read the palette: %s", f.reason);
    MeshBodyOptions options;
    options.palette = palette;
    if (settings.scale > 0) options.scale = settings.scale;
    options.fit = settings.fit;
    options.flat = settings.flat;
    ModelImport result;
    ImportBase base;
    if (!settings.base.empty()) base = {&settings.base, settings.baseRequired, settings.baseName};
    if (const Fault f = importModel(bytes, format, folderOf(path), options, &result, base)) return f;
    for (const std::string& note : result.notes) std::fprintf(stderr, "orvane %s: %s: %s\n", command, path.c_str(), note.c_str());
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
    settings->baseName = (slash == std::string::npos ? archive : archive.substr(slash + 1)) + " entry " + std::to_string(index);
    settings->baseRequired = required;
    return noFault();
}
