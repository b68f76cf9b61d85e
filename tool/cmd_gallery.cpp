// cmd_gallery.cpp: the 'gallery' subcommand: an archive as a static web site that opens from
// the disk with no server: a card per entry with a picture drawn by the viewer's own code, and
// each body turnable in 3-D (three.js, from the system's copy) with its downloads.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/archive_format.h"
#include "archive/archive_loader.h"
#include "exchange/gltf_export.h"
#include "image/gif_file.h"
#include "image/png_file.h"
#include "render/gl_state.h"
#include "render/offscreen_gl.h"
#include "render/palette_file.h"
#include "render/posed_entry.h"
#include "render/views.h"
#include "support/file_io.h"
#include "tool/archive_input.h"
#include "tool/commands.h"
#include "tool/gallery_folder.h"
#include "tool/gallery_page.h"

#ifndef ORVANE_THREE_DIR
#define ORVANE_THREE_DIR "/usr/share/javascript/three"
#endif

namespace fs = std::filesystem;

const CommandSyntax galleryCommand = {
    .name = "gallery",
    .usage = "ARCHIVE -o DIR [--palette FILE] [--title TEXT] [--turntables]",
    .summary = "make a web gallery of every entry: pictures, 3-D views, downloads",
    .description = "Makes DIR/index.html: a card per entry of ARCHIVE with its picture (the viewer's own drawing)\n"
                   "and counts, or the reason it cannot be shown; each opens a 3-D view to turn and zoom, with\n"
                   "wireframe and skeleton, and its .glb, .obj and .mtl (and with --turntables a GIF) to\n"
                   "download. The page opens from the disk with no server and loads nothing from the\n"
                   "network; it needs three.js (" ORVANE_THREE_DIR "), which is copied into DIR.\n"
                   "The gallery is made beside DIR and put in its place whole. DIR must be new, empty,\n"
                   "or a gallery made before, which is replaced.\n"
                   "\n"
                   "Exit status: 0 on success, 1 when an entry cannot be shown (the gallery is still made)\n"
                   "or a file cannot be read or written, 2 on a usage error (also an input inside DIR).\n",
    .options = {{"-o", "DIR", "the folder to make"},
                {"--palette", "FILE", "palette (default: palette.dmp beside ARCHIVE)"},
                {"--title", "TEXT", "the page's title (default: the archive's file name)"},
                {"--turntables", nullptr, "a turntable GIF of each entry too"}},
    .operands = {"ARCHIVE"},
};

namespace {

constexpr int thumbWidth = 320, thumbHeight = 240;
constexpr int turntableFrames = 24;
constexpr int turntableDelay = 12;  // hundredths of a second: about three seconds a turn

// The files of three.js the page loads, as Debian's libjs-three installs them, and their names in DIR.
const std::pair<const char*, const char*> threeFiles[] = {
    {"build/three.min.js", "three/three.min.js"},
    {"examples/js/loaders/GLTFLoader.js", "three/GLTFLoader.js"},
    {"examples/js/controls/OrbitControls.js", "three/OrbitControls.js"},
};

struct Options {
    std::string archive, out, palette, title;
    bool turntables = false;
};

// Whether `path` lies inside folder `dir` (both resolved as far as they exist).
bool inside(const std::string& path, const std::string& dir)
{
    std::error_code error;
    const fs::path p = fs::weakly_canonical(path, error), d = fs::weakly_canonical(dir, error);
    auto pi = p.begin();
    for (auto di = d.begin(); di != d.end(); ++di, ++pi) {
        if (di->empty()) continue;  // a trailing separator
        if (pi == p.end() || *pi != *di) return false;
    }
    return true;
}

int parse(int argc, char** argv, Options* o)
{
    CommandLine line;
    if (const int status = parseCommandLine(galleryCommand, argc, argv, &line); status >= 0) return status;
    o->archive = line.operands[0];
    if (!line.has("-o")) return line.usageError("no output folder (-o DIR)");
    o->out = line.value("-o");
    if (o->out.empty() || o->out == "-") return line.usageError("the gallery needs a folder (-o DIR)");
    o->palette = line.value("--palette", "");
    if (o->palette.empty()) o->palette = (fs::path(o->archive).parent_path() / "palette.dmp").string();
    o->title = line.value("--title", "");
    if (o->title.empty()) o->title = fs::path(o->archive).filename().string();
    o->turntables = line.has("--turntables");
    // The gallery replaces DIR whole, so no input may lie in it.
    for (const std::string& input : {o->archive, o->palette}) {
        if (refuseSameFile(galleryCommand, o->out, {input})) return usageStatus;
        if (inside(input, o->out))
            return line.usageError("%s lies inside %s, which the gallery replaces; nothing written", input.c_str(), o->out.c_str());
    }
    return -1;
}

struct Work {
    const Options& o;
    const Palette& palette;
    OffscreenGl& gl;
    GalleryFolder& folder;
    std::vector<uint8_t> raw, bytes;  // scratch kept from one entry to the next
};

// The counts the card shows, from the body as exported.
void count(const PosedBody& body, GalleryEntry* e)
{
    e->points = body.pointCount;
    e->bones = static_cast<int>(body.bones.size());
    for (const PosedElement& element : body.elements) {
        if (element.kind == PosedElement::polygon) ++e->polygons;
        else if (element.kind == PosedElement::line) ++e->lines;
        else ++e->spheres;
    }
}

// One entry's picture, model script and downloads into the folder; an entry fault goes into
// e->fault, a write fault is returned.
Fault addEntry(Work& w, GalleryEntry* e)
{
    PosedEntry entry;
    RgbImage picture;
    Fault shown = entry.load(w.o.archive.c_str(), e->index);
    if (!shown) shown = entry.draw(w.gl, View{}, 0, w.palette, PictureExtras{}, &picture);
    PosedBody body;
    if (!shown) {
        uint8_t* raw = nullptr;
        uint32_t size = 0;
        shown = loadArchiveEntry(w.o.archive.c_str(), static_cast<int16_t>(e->index), &raw, &size);
        if (!shown) shown = poseBody(raw, size, 0, &body);
        std::free(raw);
    }
    if (shown) {
        e->fault = shown.reason;
        return noFault();
    }
    count(body, e);
    if (const Fault fault = encodePng(picture, &w.bytes)) return fault;
    if (const Fault fault = w.folder.write(galleryThumbName(e->index), w.bytes.data(), w.bytes.size())) return fault;

    ExportOptions options;
    options.archiveName = fs::path(w.o.archive).filename().string();
    options.entry = e->index;
    options.palette = w.palette;
    writeGlb(body, options, &w.bytes);
    if (const Fault fault = w.folder.write(galleryFileName(e->index, "glb"), w.bytes.data(), w.bytes.size())) return fault;
    if (const Fault fault = w.folder.write(galleryModelScript(e->index), galleryModelScriptText(e->index, w.bytes))) return fault;
    const std::string mtl = galleryFileName(e->index, "mtl");
    const ObjFiles obj = writeObj(body, options, fs::path(mtl).filename().string());
    if (const Fault fault = w.folder.write(galleryFileName(e->index, "obj"), obj.obj)) return fault;
    if (const Fault fault = w.folder.write(mtl, obj.mtl)) return fault;

    if (w.o.turntables) {
        std::vector<RgbImage> frames(turntableFrames);
        for (int k = 0; k < turntableFrames; ++k) {
            if (const Fault fault = entry.draw(w.gl, View{}, turntableAngle(0, k, turntableFrames), w.palette, PictureExtras{}, &frames[static_cast<size_t>(k)])) {
                e->fault = fault.reason;
                return noFault();
            }
        }
        if (const Fault fault = encodeAnimatedGif(frames, turntableDelay, &w.bytes)) return fault;
        if (const Fault fault = w.folder.write(galleryFileName(e->index, "gif"), w.bytes.data(), w.bytes.size())) return fault;
        e->turntable = true;
    }
    return noFault();
}

int cannotWrite(const Fault& fault)
{
    std::fprintf(stderr, "orvane gallery: cannot write %s; nothing changed\n", fault.reason);
    return 1;
}

}  // namespace

int runGallery(int argc, char** argv)
{
    Options o;
    if (const int status = parse(argc, argv, &o); status >= 0) return status;
    if (const Fault fault = GalleryFolder::checkTarget(o.out)) {
        std::fprintf(stderr, "orvane gallery: %s; nothing written\n", fault.reason);
        return 1;
    }
    ArchiveTable table;
    if (!readArchiveOrReport(galleryCommand, o.archive.c_str(), &table)) return 1;
    static Palette palette;
    if (const Fault fault = loadPaletteFile(o.palette.c_str(), palette)) {
        std::fprintf(stderr, "orvane gallery: %s\n", fault.reason);
        return 1;
    }
    std::vector<std::vector<uint8_t>> three;
    for (const auto& [from, to] : threeFiles) {
        three.emplace_back();
        const std::string path = std::string(ORVANE_THREE_DIR) + "/" + from;
        if (const Fault fault = readFileBytes(path, &three.back())) {
            std::fprintf(stderr, "orvane gallery: cannot read three.js at %s: %s (Debian's libjs-three installs it)\n",
                         path.c_str(), fault.reason);
            return 1;
        }
    }
    OffscreenGl gl;
    if (const Fault fault = gl.open(thumbWidth, thumbHeight)) {
        std::fprintf(stderr, "orvane gallery: no offscreen OpenGL: %s\n", fault.reason);
        return 1;
    }
    initGl(thumbWidth, thumbHeight);

    GalleryFolder folder;
    if (const Fault fault = folder.open(o.out)) return cannotWrite(fault);
    GalleryPage page;
    page.title = o.title;
    page.thumbWidth = thumbWidth;
    page.thumbHeight = thumbHeight;
    Work work{o, palette, gl, folder, {}, {}};
    int faults = 0;
    for (int i = 0; i < table.readable; ++i) {
        GalleryEntry e;
        e.index = i;
        if (const Fault fault = addEntry(work, &e)) return cannotWrite(fault);
        if (!e.fault.empty()) {
            reportEntryFault(galleryCommand, o.archive.c_str(), i, e.fault.c_str());
            ++faults;
        }
        page.entries.push_back(std::move(e));
    }
    for (size_t k = 0; k < three.size(); ++k)
        if (const Fault fault = folder.write(threeFiles[k].second, three[k].data(), three[k].size())) return cannotWrite(fault);
    for (const auto& [name, text] : galleryPageFiles(page)) {
        if (const Fault fault = folder.write(name, text)) return cannotWrite(fault);
    }
    if (const Fault fault = folder.place()) return cannotWrite(fault);
    return faults == 0 && table.readable == table.announced ? 0 : 1;
}
