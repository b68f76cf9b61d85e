// cmd_export.cpp: the 'export' subcommand: one entry, or every entry, as glTF 2.0 (.glb, .gltf)
// or OBJ + MTL. Every file goes through a temporary file beside it and a rename, so a failed
// or refused export leaves nothing half-written.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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
#include "render/palette_file.h"
#include "tool/command_line.h"
#include "tool/commands.h"

namespace fs = std::filesystem;

namespace {

const char* const usage =
    "usage: orvane export ARCHIVE INDEX -o OUT.glb|OUT.gltf|OUT.obj [options]\n"
    "       orvane export ARCHIVE --all -o DIR [options]\n"
    "\n"
    "Writes entry INDEX of ARCHIVE as glTF 2.0 (skeleton, skin, the frame's pose, colours) or as\n"
    "OBJ + MTL (the posed mesh only). The format follows the extension; '-' writes a .glb or\n"
    ".gltf to standard output (--format). With --all every entry that can be shown goes to\n"
    "DIR/<index>.<format>; a refused entry is named with its reason and the others still go out.\n"
    "\n"
    "options:\n"
    "  --auto-angle N        auto-rotation angle of the frame, 1024 units a turn (default 0)\n"
    "  --look viewer|base    viewer: colours as the viewer draws them, unlit (default);\n"
    "                        base: the stored colours with normals, lit\n"
    "  --palette FILE        palette (default: palette.dmp beside ARCHIVE)\n"
    "  --format glb|gltf|obj format when the output names none (default glb with --all)\n";

enum class Format { glb, gltf, obj };

struct Options {
    std::string archive;
    int index = -1;
    bool all = false;
    std::string out;
    std::string palette;
    std::optional<Format> format;
    int32_t autoAngle = 0;
    ExportLook look = ExportLook::viewer;
};

std::optional<Format> formatNamed(std::string name)
{
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (name == "glb") return Format::glb;
    if (name == "gltf") return Format::gltf;
    if (name == "obj") return Format::obj;
    return std::nullopt;
}

const char* extension(Format f) { return f == Format::glb ? "glb" : f == Format::gltf ? "gltf" : "obj"; }

// Returns an empty string, or what is wrong with the command line.
std::string parse(int argc, char** argv, Options* o)
{
    std::vector<const char*> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--all") {
            o->all = true;
        } else if (a == "-o" || a == "--palette" || a == "--auto-angle" || a == "--look" || a == "--format") {
            if (i + 1 >= argc) return a + " needs a value";
            const char* v = argv[++i];
            long n = 0;
            if (a == "-o") o->out = v;
            else if (a == "--palette") o->palette = v;
            else if (a == "--auto-angle") {
                if (!parseWholeNumber(v, -2147483647L - 1, 2147483647L, &n)) return "bad --auto-angle " + std::string(v);
                o->autoAngle = static_cast<int32_t>(n);
            } else if (a == "--look") {
                if (std::strcmp(v, "viewer") == 0) o->look = ExportLook::viewer;
                else if (std::strcmp(v, "base") == 0) o->look = ExportLook::base;
                else return "bad --look " + std::string(v) + " (viewer or base)";
            } else {
                o->format = formatNamed(v);
                if (!o->format) return "bad --format " + std::string(v) + " (glb, gltf or obj)";
            }
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            return "unknown option " + a;
        } else {
            positional.push_back(argv[i]);
        }
    }
    if (positional.empty()) return "no archive given";
    o->archive = positional[0];
    if (o->all) {
        if (positional.size() != 1) return "--all takes no INDEX";
        if (o->out.empty() || o->out == "-") return "--all needs an output folder (-o DIR)";
        if (!o->format) o->format = Format::glb;
    } else {
        long n = 0;
        if (positional.size() != 2) return "give one ARCHIVE and one INDEX";
        if (!parseWholeNumber(positional[1], 0, 32767, &n)) return "bad INDEX " + std::string(positional[1]) + " (0..32767)";
        o->index = static_cast<int>(n);
        if (o->out.empty()) return "no output file (-o OUT.glb, OUT.gltf or OUT.obj)";
        if (!o->format) {
            const std::string ext = fs::path(o->out).extension().string();
            o->format = o->out == "-" ? Format::glb : formatNamed(ext.empty() ? ext : ext.substr(1));
            if (!o->format) return "cannot tell the format of " + o->out + " (.glb, .gltf or .obj, or --format)";
        }
        if (o->out == "-" && *o->format == Format::obj) return "OBJ needs a file name: its MTL goes beside it";
    }
    if (o->palette.empty()) o->palette = (fs::path(o->archive).parent_path() / "palette.dmp").string();
    return "";
}

bool samePlace(const std::string& a, const std::string& b)
{
    std::error_code error;
    if (fs::equivalent(a, b, error)) return true;
    return fs::weakly_canonical(a, error) == fs::weakly_canonical(b, error);
}

// A file's bytes on their way to `path`: first into a temporary file beside it, then renamed.
struct Output {
    std::string path;
    const void* data;
    size_t size;
};

// Writes every output to its temporary file, then renames them all into place; after any
// failure the temporaries (ours) are removed and no target has been touched, except by a rename
// that failed itself. Returns an empty string or the reason.
std::string writeAll(const std::vector<Output>& outputs)
{
    if (outputs.size() == 1 && outputs[0].path == "-") {
        const Output& o = outputs[0];
        const bool ok = o.size == 0 || std::fwrite(o.data, 1, o.size, stdout) == o.size;
        return ok && std::fflush(stdout) == 0 ? "" : "cannot write to standard output";
    }
    std::vector<std::string> temps;
    int error = 0;
    for (const Output& o : outputs) {
        const fs::path target(o.path);
        const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
        std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
        const int fd = mkstemp(temp.data());
        if (fd < 0) {
            error = errno;
            break;
        }
        temps.push_back(temp);
        // mkstemp makes the file private; give it the permissions any new file would get.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
        const auto* p = static_cast<const uint8_t*>(o.data);
        size_t left = o.size;
        while (left > 0 && error == 0) {
            const ssize_t n = ::write(fd, p, left);
            if (n < 0) {
                if (errno != EINTR) error = errno;
                continue;
            }
            p += n;
            left -= static_cast<size_t>(n);
        }
        if (::close(fd) != 0 && error == 0) error = errno;
        if (error != 0) break;
    }
    for (size_t i = 0; i < temps.size() && error == 0; ++i) {
        if (std::rename(temps[i].c_str(), outputs[i].path.c_str()) != 0) error = errno;
        else temps[i].clear();
    }
    for (const std::string& temp : temps) {
        if (!temp.empty()) std::remove(temp.c_str());  // made by mkstemp above
    }
    return error == 0 ? "" : std::strerror(error);
}

// One entry into `out`; returns an empty string or the reason (entry faults prefixed by the caller).
std::string exportEntry(const Options& o, const Palette& palette, int index, const std::string& out, bool* entryFault)
{
    *entryFault = true;
    uint8_t* raw = nullptr;
    uint32_t size = 0;
    if (const Fault fault = loadArchiveEntry(o.archive.c_str(), static_cast<int16_t>(index), &raw, &size)) return fault.reason;
    PosedBody body;
    const Fault refused = poseBody(raw, size, o.autoAngle, &body);
    std::free(raw);
    if (refused) return refused.reason;
    *entryFault = false;

    ExportOptions options;
    options.archiveName = fs::path(o.archive).filename().string();
    options.entry = index;
    options.look = o.look;
    options.palette = palette;
    switch (*o.format) {
    case Format::glb: {
        const std::vector<uint8_t> bytes = writeGlb(body, options);
        return writeAll({{out, bytes.data(), bytes.size()}});
    }
    case Format::gltf: {
        const std::string text = writeGltf(body, options);
        return writeAll({{out, text.data(), text.size()}});
    }
    case Format::obj: {
        const fs::path mtl = fs::path(out).replace_extension(".mtl");
        const ObjFiles files = writeObj(body, options, mtl.filename().string());
        return writeAll({{mtl.string(), files.mtl.data(), files.mtl.size()}, {out, files.obj.data(), files.obj.size()}});
    }
    }
    return "";
}

}  // namespace

int runExport(int argc, char** argv)
{
    if (isHelpRequest(argc, argv)) {
        std::fputs(usage, stdout);
        return 0;
    }
    Options o;
    const std::string problem = parse(argc, argv, &o);
    if (!problem.empty()) {
        std::fprintf(stderr, "orvane export: %s\n%s", problem.c_str(), usage);
        return 2;
    }
    Palette palette = {};
    if (const Fault fault = readPalette(o.palette.c_str(), palette)) {
        std::fprintf(stderr, "orvane export: %s\n", fault.reason);
        return 1;
    }

    std::vector<std::pair<int, std::string>> jobs;
    if (o.all) {
        int32_t announced = 0;
        if (const Fault fault = readArchiveEntryCount(o.archive.c_str(), &announced)) {
            std::fprintf(stderr, "orvane export: %s: %s\n", o.archive.c_str(), fault.reason);
            return 1;
        }
        std::error_code error;
        fs::create_directories(o.out, error);
        if (error || !fs::is_directory(o.out)) {
            std::fprintf(stderr, "orvane export: %s: not a folder it can write into\n", o.out.c_str());
            return 1;
        }
        const int count = std::clamp(announced, 0, reachableEntries);
        for (int i = 0; i < count; ++i) {
            jobs.emplace_back(i, (fs::path(o.out) / (std::to_string(i) + "." + extension(*o.format))).string());
        }
    } else {
        jobs.emplace_back(o.index, o.out);
    }

    int refused = 0;
    for (const auto& [index, out] : jobs) {
        std::vector<std::string> targets = {out};
        if (*o.format == Format::obj) targets.push_back(fs::path(out).replace_extension(".mtl").string());
        bool clash = false;
        for (const std::string& t : targets) {
            if (t != "-" && (samePlace(t, o.archive) || samePlace(t, o.palette))) {
                std::fprintf(stderr, "orvane export: %s is also an input; choose another output\n", t.c_str());
                clash = true;
            }
        }
        if (clash) return o.all ? 1 : 2;
        bool entryFault = false;
        const std::string error = exportEntry(o, palette, index, out, &entryFault);
        if (error.empty()) continue;
        ++refused;
        if (entryFault) std::fprintf(stderr, "orvane export: %s: entry %d: %s\n", o.archive.c_str(), index, error.c_str());
        else std::fprintf(stderr, "orvane export: %s: %s\n", out.c_str(), error.c_str());
    }
    return refused == 0 ? 0 : 1;
}
