// cmd_gallery.cpp: the 'gallery' subcommand: an archive as a static web site that opens from
// the disk with no server: a card per entry with a picture drawn by the viewer's own code, and
// each body turnable in 3-D (three.js, from the system's copy) with its downloads.
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "archive/archive_format.h"
#include "archive/archive_loader.h"
#include "exchange/gltf_export.h"
#include "exchange/obj_export.h"
#include "image/gif_file.h"
#include "image/palette_file.h"
#include "image/png_file.h"
#include "render/gl_state.h"
#include "render/offscreen_gl.h"
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
            return line.usageError("%s lies inside %s, which the gallery replaces; nothing written", input.c_str(),
                                   o->out.c_str());
    }
    return -1;
}

// What the drawing thread hands to the writers: one entry posed and drawn.
struct Job {
    int index = 0;
    RgbImage picture;
    std::vector<RgbImage> turntable;
    PosedBody body;
};

// Entries go from the thread that poses and draws them (the pipeline's tables are the
// process's, so that is one thread) to writers that encode and write them, a few at a time.
class Writers {
public:
    Writers(const Options& o, const Palette& palette, GalleryFolder& folder) : o_(o), palette_(palette), folder_(folder)
    {
        for (auto& t : threads_) t = std::thread([this] { work(); });
    }
    ~Writers() { (void)finish(); }

    void push(std::unique_ptr<Job> job)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        room_.wait(lock, [this] { return queue_.size() < maxQueued; });
        queue_.push_back(std::move(job));
        ready_.notify_one();
    }

    // Waits for every job; the first write fault, if any.
    Fault finish()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        ready_.notify_all();
        for (auto& t : threads_)
            if (t.joinable()) t.join();
        return fault_;
    }

private:
    static constexpr size_t maxQueued = 2;  // full-room bodies take megabytes each
    const Options& o_;
    const Palette& palette_;
    GalleryFolder& folder_;
    std::mutex mutex_;
    std::condition_variable ready_, room_;
    std::deque<std::unique_ptr<Job>> queue_;
    bool done_ = false;
    Fault fault_;
    std::thread threads_[2];

    void work()
    {
        std::vector<uint8_t> bytes;
        for (;;) {
            std::unique_ptr<Job> job;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                ready_.wait(lock, [this] { return done_ || !queue_.empty(); });
                if (queue_.empty()) return;
                job = std::move(queue_.front());
                queue_.pop_front();
                room_.notify_one();
                if (fault_) continue;  // after a failed write the rest is only drained
            }
            if (const Fault fault = write(*job, &bytes)) {
                std::lock_guard<std::mutex> lock(mutex_);
                if (!fault_) fault_ = fault;
            }
        }
    }

    Fault write(const Job& job, std::vector<uint8_t>* bytes)
    {
        const int i = job.index;
        if (const Fault fault = encodePng(job.picture, bytes)) return fault;
        if (const Fault fault = folder_.write(galleryThumbName(i), bytes->data(), bytes->size())) return fault;
        ExportOptions options;
        options.archiveName = fs::path(o_.archive).filename().string();
        options.entry = i;
        options.palette = palette_;
        writeGlb(job.body, options, bytes);
        if (const Fault fault = folder_.write(galleryFileName(i, "glb"), bytes->data(), bytes->size())) return fault;
        if (const Fault fault = folder_.write(galleryModelScript(i), galleryModelScriptText(i, *bytes))) return fault;
        const std::string mtl = galleryFileName(i, "mtl");
        const ObjFiles obj = writeObj(job.body, options, fs::path(mtl).filename().string());
        if (const Fault fault = folder_.write(galleryFileName(i, "obj"), obj.obj)) return fault;
        if (const Fault fault = folder_.write(mtl, obj.mtl)) return fault;
        if (job.turntable.empty()) return noFault();
        if (const Fault fault = encodeAnimatedGif(job.turntable, turntableDelay, bytes)) return fault;
        return folder_.write(galleryFileName(i, "gif"), bytes->data(), bytes->size());
    }
};

// The counts the card shows, from the body as exported.
void count(const PosedBody& body, GalleryEntry* e)
{
    e->points = body.pointCount;
    e->bones = static_cast<int>(body.bones.size());
    for (const PosedElement& element : body.elements) {
        if (element.kind == PosedElement::polygon)
            ++e->polygons;
        else if (element.kind == PosedElement::line)
            ++e->lines;
        else
            ++e->spheres;
    }
}

// Poses and draws entry e->index as the viewer does: the job for the writers, or the reason
// it cannot be shown in e->fault (and no job).
std::unique_ptr<Job> drawEntry(const Options& o, const Palette& palette, OffscreenGl& gl, GalleryEntry* e)
{
    auto job = std::make_unique<Job>();
    job->index = e->index;
    PosedEntry entry;
    Fault shown = entry.load(o.archive.c_str(), e->index);
    if (!shown) shown = entry.draw(gl, View{}, 0, palette, PictureExtras{}, &job->picture);
    for (int k = 0; !shown && o.turntables && k < turntableFrames; ++k) {
        job->turntable.emplace_back();
        shown = entry.draw(gl, View{}, turntableAngle(0, k, turntableFrames), palette, PictureExtras{},
                           &job->turntable.back());
    }
    if (!shown) {
        uint8_t* raw = nullptr;
        uint32_t size = 0;
        shown = loadArchiveEntry(o.archive.c_str(), static_cast<int16_t>(e->index), &raw, &size);
        if (!shown) shown = poseBody(raw, size, 0, &job->body);
        std::free(raw);
    }
    if (shown) {
        e->fault = shown.reason;
        return nullptr;
    }
    count(job->body, e);
    e->turntable = o.turntables;
    return job;
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
    int faults = 0;
    {
        Writers writers(o, palette, folder);
        for (int i = 0; i < table.readable; ++i) {
            GalleryEntry e;
            e.index = i;
            if (std::unique_ptr<Job> job = drawEntry(o, palette, gl, &e)) {
                writers.push(std::move(job));
            } else {
                reportEntryFault(galleryCommand, o.archive.c_str(), i, e.fault.c_str());
                ++faults;
            }
            page.entries.push_back(std::move(e));
        }
        if (const Fault fault = writers.finish()) return cannotWrite(fault);
    }
    for (size_t k = 0; k < three.size(); ++k)
        if (const Fault fault = folder.write(threeFiles[k].second, three[k].data(), three[k].size()))
            return cannotWrite(fault);
    for (const auto& [name, text] : galleryPageFiles(page)) {
        if (const Fault fault = folder.write(name, text)) return cannotWrite(fault);
    }
    if (const Fault fault = folder.place()) return cannotWrite(fault);
    return faults == 0 && table.readable == table.announced ? 0 : 1;
}
