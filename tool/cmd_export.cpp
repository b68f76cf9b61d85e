// cmd_export.cpp: the 'export' subcommand: one entry, or every entry, as glTF 2.0 (.glb, .gltf)
// or OBJ + MTL. Every file goes through a temporary file beside it and a rename, so a failed
// or refused export leaves nothing half-written.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "archive/archive_format.h"
#include "archive/archive_loader.h"
#include "exchange/gltf_export.h"
#include "exchange/obj_export.h"
#include "image/palette_file.h"
#include "support/file_io.h"
#include "tool/archive_input.h"
#include "tool/commands.h"

namespace fs = std::filesystem;

const CommandSyntax exportCommand = {
    .name = "export",
    .usage = "ARCHIVE (INDEX -o OUT.glb|OUT.gltf|OUT.obj | --all -o DIR) [options]",
    .summary = "write an entry, or every entry, as glTF 2.0 or OBJ + MTL",
    .description = "Writes entry INDEX of ARCHIVE as glTF 2.0 (skeleton, skin, the frame's pose, colours) or as\n"
                   "OBJ + MTL (the posed mesh only). The format follows the extension; '-' writes a .glb or\n"
                   ".gltf to standard output (--format). With --all every entry that can be shown goes to\n"
                   "DIR/<index>.<format>; a refused entry is named with its reason and the others still go out.\n"
                   "Every target is checked before the first is written. --all writes nothing when the entries\n"
                   "unpack to more than 256 MiB in all (entries may share their bytes), unless --force.\n"
                   "\n"
                   "Exit status: 0 on success, 1 when an entry is refused or a file cannot be read or written,\n"
                   "2 on a usage error (also an output that is an input).\n",
    .options = {{"-o", "OUT", "the file to write, or with --all the folder"},
                {"--all", nullptr, "every entry that can be shown, into DIR"},
                {"--force", nullptr, "with --all, go on past 256 MiB of entries in all"},
                {"--auto-angle", "N", "auto-rotation angle of the frame, 1024 units a turn (default 0)"},
                {"--look", "viewer|base", "viewer: colours as the viewer draws them, unlit (default); base: lit"},
                {"--palette", "FILE", "palette (default: palette.dmp beside ARCHIVE)"},
                {"--format", "glb|gltf|obj", "format when the output names none (default glb with --all)"}},
    .operands = {"ARCHIVE", "[INDEX]"},
};

namespace {

enum class Format { glb, gltf, obj };

struct Options {
    std::string archive;
    int index = -1;
    bool all = false;
    bool force = false;
    std::string out;
    std::string palette;
    std::optional<Format> format;
    int32_t autoAngle = 0;
    ExportLook look = ExportLook::viewer;
};

std::optional<Format> formatNamed(std::string name)
{
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (name == "glb") return Format::glb;
    if (name == "gltf") return Format::gltf;
    if (name == "obj") return Format::obj;
    return std::nullopt;
}

const char* extension(Format f) { return f == Format::glb ? "glb" : f == Format::gltf ? "gltf" : "obj"; }

// Reads the command line into *o; returns -1 to go on, otherwise the status to exit with.
int parse(int argc, char** argv, Options* o)
{
    CommandLine line;
    if (const int status = parseCommandLine(exportCommand, argc, argv, &line); status >= 0) return status;
    o->archive = line.operands[0];
    o->all = line.has("--all");
    o->force = line.has("--force");
    o->out = line.value("-o", "");
    long n = 0;
    if (line.has("--auto-angle")) {
        if (!line.readNumber("--auto-angle", line.value("--auto-angle"), INT32_MIN, INT32_MAX, &n)) return usageStatus;
        o->autoAngle = static_cast<int32_t>(n);
    }
    if (line.has("--look")) {
        const std::string look = line.value("--look");
        if (look == "viewer")
            o->look = ExportLook::viewer;
        else if (look == "base")
            o->look = ExportLook::base;
        else
            return line.usageError("--look must be viewer or base, not '%s'", look.c_str());
    }
    if (line.has("--format")) {
        o->format = formatNamed(line.value("--format"));
        if (!o->format) return line.usageError("--format must be glb, gltf or obj, not '%s'", line.value("--format"));
    }
    if (o->all) {
        if (line.operands.size() > 1) return line.usageError("--all takes no INDEX");
        if (o->out.empty() || o->out == "-") return line.usageError("--all needs an output folder (-o DIR)");
        if (!o->format) o->format = Format::glb;
    } else {
        if (line.operands.size() < 2) return line.usageError("missing INDEX");
        if (!line.readNumber("INDEX", line.operands[1].c_str(), 0, reachableEntries - 1, &n)) return usageStatus;
        o->index = static_cast<int>(n);
        if (o->out.empty()) return line.usageError("no output file (-o OUT.glb, OUT.gltf or OUT.obj)");
        if (!o->format) {
            const std::string ext = fs::path(o->out).extension().string();
            o->format = o->out == "-" ? Format::glb : formatNamed(ext.empty() ? ext : ext.substr(1));
            if (!o->format)
                return line.usageError("cannot tell the format of %s (.glb, .gltf or .obj, or --format)",
                                       o->out.c_str());
        }
        if (o->out == "-" && *o->format == Format::obj)
            return line.usageError("OBJ needs a file name: its MTL goes beside it");
    }
    o->palette = line.value("--palette", "");
    if (o->palette.empty()) o->palette = (fs::path(o->archive).parent_path() / "palette.dmp").string();
    return -1;
}

// The files an entry goes to: the model and, for OBJ, its MTL.
std::vector<std::string> targetsOf(const Options& o, const std::string& out)
{
    std::vector<std::string> targets = {out};
    if (*o.format == Format::obj) targets.push_back(fs::path(out).replace_extension(".mtl").string());
    return targets;
}

// What --all writes without --force, counted in the entries' unpacked bytes: far more than any
// real archive holds, and what an archive whose entries share their bytes can stand for.
constexpr uint64_t allEntriesCap = uint64_t{256} << 20;

// The entries' unpacked sizes added up, from their headers.
uint64_t unpackedTotal(const std::string& archive, const ArchiveTable& table)
{
    std::FILE* file = openArchiveFile(archive.c_str());
    if (file == nullptr) return 0;  // the export itself then says why
    uint64_t total = 0;
    for (int32_t i = 0; i < table.readable; ++i) {
        const EntryLocation location = locateEntry(file, table.fileSize, static_cast<uint32_t>(i));
        if (location.haveHeader) total += location.header.unpackedSize;
    }
    std::fclose(file);
    return total;
}

// Loads and poses one entry; the fault is the entry's.
Fault poseEntry(const Options& o, int index, PosedBody* body)
{
    uint8_t* raw = nullptr;
    uint32_t size = 0;
    if (const Fault fault = loadArchiveEntry(o.archive.c_str(), static_cast<int16_t>(index), &raw, &size)) return fault;
    const Fault refused = poseBody(raw, size, o.autoAngle, body);
    std::free(raw);
    return refused;
}

// Writes a posed entry to `out` (and its MTL beside it), every file through the one safe writer:
// temporary files beside the targets, renamed into place together only when all are complete.
// `bytes` is scratch space kept from one entry to the next.
Fault writeEntry(const Options& o, const Palette& palette, int index, const PosedBody& body, const std::string& out,
                 std::vector<uint8_t>* bytes)
{
    ExportOptions options;
    options.archiveName = fs::path(o.archive).filename().string();
    options.entry = index;
    options.look = o.look;
    options.palette = palette;
    switch (*o.format) {
    case Format::glb: {
        writeGlb(body, options, bytes);
        const Fault fault = writeFileBytes(out, *bytes);  // one file: no copy into a batch
        return fault ? withContext(out.c_str(), fault) : noFault();
    }
    case Format::gltf: {
        const std::string text = writeGltf(body, options);
        return writeFilesTogether({{out, std::vector<uint8_t>(text.begin(), text.end())}});
    }
    case Format::obj: {
        const fs::path mtl = fs::path(out).replace_extension(".mtl");
        const ObjFiles files = writeObj(body, options, mtl.filename().string());
        return writeFilesTogether({{mtl.string(), std::vector<uint8_t>(files.mtl.begin(), files.mtl.end())},
                                   {out, std::vector<uint8_t>(files.obj.begin(), files.obj.end())}});
    }
    }
    return noFault();
}

}  // namespace

int runExport(int argc, char** argv)
{
    Options o;
    if (const int status = parse(argc, argv, &o); status >= 0) return status;
    ArchiveTable table;
    if (!readArchiveOrReport(exportCommand, o.archive.c_str(), &table)) return 1;

    std::vector<std::pair<int, std::string>> jobs;
    if (o.all) {
        for (int i = 0; i < table.readable; ++i)
            jobs.emplace_back(i, (fs::path(o.out) / (std::to_string(i) + "." + extension(*o.format))).string());
    } else {
        jobs.emplace_back(o.index, o.out);
    }
    // Every target against every input before the first write.
    for (const auto& job : jobs)
        for (const std::string& target : targetsOf(o, job.second))
            if (refuseSameFile(exportCommand, target, {o.archive, o.palette})) return usageStatus;
    if (o.all && !o.force) {
        if (const uint64_t total = unpackedTotal(o.archive, table); total > allEntriesCap) {
            std::fprintf(
                stderr,
                "orvane export: %s: its entries unpack to %llu MiB in all, more than the %llu MiB --all writes "
                "without --force; nothing written\n",
                o.archive.c_str(), static_cast<unsigned long long>(total >> 20),
                static_cast<unsigned long long>(allEntriesCap >> 20));
            return 1;
        }
    }
    Palette palette = {};
    if (const Fault fault = loadPaletteFile(o.palette.c_str(), palette)) {
        std::fprintf(stderr, "orvane export: %s\n", fault.reason);
        return 1;
    }
    if (o.all) {
        std::error_code error;
        fs::create_directories(o.out, error);
        if (error || !fs::is_directory(o.out)) {
            std::fprintf(stderr, "orvane export: %s: not a folder it can write into\n", o.out.c_str());
            return 1;
        }
    }

    int refused = 0;
    PosedBody body;
    std::vector<uint8_t> bytes;
    for (const auto& [index, out] : jobs) {
        if (const Fault fault = poseEntry(o, index, &body)) {
            ++refused;
            reportEntryFault(exportCommand, o.archive.c_str(), index, fault.reason);
        } else if (const Fault written = writeEntry(o, palette, index, body, out, &bytes)) {
            ++refused;
            std::fprintf(stderr, "orvane export: cannot write %s\n", written.reason);
        }
    }
    return refused == 0 && table.readable == table.announced ? 0 : 1;
}
