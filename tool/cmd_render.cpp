// cmd_render.cpp: the 'render' subcommand: draws one entry, or a contact sheet of every entry,
// to PNG through the viewer's drawing code in an offscreen context (no display needed).
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/archive_format.h"
#include "image/gif_file.h"
#include "image/label_font.h"
#include "image/png_file.h"
#include "render/gl_state.h"
#include "render/offscreen_gl.h"
#include "render/palette_file.h"
#include "render/posed_entry.h"
#include "render/render_entry.h"
#include "render/views.h"
#include "support/same_file.h"
#include "tool/command_line.h"
#include "tool/commands.h"

namespace {

const char* const usage =
    "usage: orvane render ARCHIVE INDEX -o OUT.png [options]\n"
    "       orvane render ARCHIVE INDEX --turntable N -o OUT.gif|OUT.png [options]\n"
    "       orvane render ARCHIVE INDEX --views -o OUT.png [options]\n"
    "       orvane render ARCHIVE --sheet -o OUT.png [options]\n"
    "\n"
    "Draws entry INDEX of ARCHIVE as the viewer shows it, or with --sheet every entry in one\n"
    "contact sheet labelled with its index. Needs no display. OUT may be '-' (standard output)\n"
    "for one picture, a GIF or the views.\n"
    "\n"
    "options:\n"
    "  --palette FILE    palette (default: palette.dmp beside ARCHIVE)\n"
    "  --wireframe       polygons as outlines, no culling (the viewer's F)\n"
    "  --zoom Z          view distance, as the viewer's zoom (default -5)\n"
    "  --angle-x A       view turn about x in degrees (default 20)\n"
    "  --angle-y A       view turn about y in degrees (default -40)\n"
    "  --auto-angle N    auto-rotation angle, 1024 units a turn (default 0)\n"
    "  --size WxH        picture size (default 800x600; with --sheet and --views the size of\n"
    "                    one tile, default 320x240)\n"
    "  --skeleton        the skeleton on top: a line from each bone's parent's origin to its\n"
    "                    own, a dot at each origin\n"
    "  --bone N          bone N's polygons, lines and spheres in full colour, the rest dimmed\n"
    "  --turntable N     N frames of one full turn of the body (auto-rotation angles 1024 / N\n"
    "                    apart from --auto-angle on): a looping GIF (about 3 s a turn), or for\n"
    "                    OUT.png the numbered pictures OUT-00.png, OUT-01.png, ...\n"
    "  --views           front, back, left, right, top and three-quarter views in a labelled\n"
    "                    grid (the angles are the presets')\n";

struct Options {
    std::string archive;
    int index = -1;
    bool sheet = false;
    bool views = false;
    bool anglesGiven = false;
    int turntable = 0;  // frames; 0 for none
    bool gif = false;   // the turntable as one GIF rather than numbered PNGs
    PictureExtras extras;
    std::string out;
    std::string palette;
    View view;
    int32_t autoAngle = 0;  // body angle units, as the auto-rotation would have left it
    int width = 0, height = 0;
};

bool parseFloat(const char* text, float* value)
{
    char* end = nullptr;
    const float v = std::strtof(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(v)) return false;
    *value = v;
    return true;
}

bool parseSize(const char* text, int* width, int* height)
{
    const char* x = std::strchr(text, 'x');
    if (x == nullptr) return false;
    const std::string w(text, x);
    long lw = 0, lh = 0;
    if (!parseWholeNumber(w.c_str(), 1, 8192, &lw) || !parseWholeNumber(x + 1, 1, 8192, &lh)) return false;
    *width = static_cast<int>(lw);
    *height = static_cast<int>(lh);
    return true;
}

// The frame names of a PNG turntable: "spin.png" gives "spin-00.png", "spin-01.png", ... (as
// many digits as frames - 1 needs, at least two).
std::string turntableFrameName(const std::string& pattern, int frame, int frames)
{
    int digits = 2;
    for (int n = frames - 1; n >= 100; n /= 10) ++digits;
    std::string number = std::to_string(frame);
    if (number.size() < static_cast<size_t>(digits)) number.insert(0, static_cast<size_t>(digits) - number.size(), '0');
    return pattern.substr(0, pattern.size() - 4) + "-" + number + pattern.substr(pattern.size() - 4);
}

// Hundredths of a second each of `frames` frames shows, so a turn lasts about three seconds.
int turntableDelay(int frames) { return std::clamp((300 + frames / 2) / frames, 2, 100); }

// Returns an empty string, or what is wrong with the command line.
std::string parse(int argc, char** argv, Options* o)
{
    std::vector<const char*> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--sheet") {
            o->sheet = true;
        } else if (a == "--views") {
            o->views = true;
        } else if (a == "--skeleton") {
            o->extras.skeleton = true;
        } else if (a == "--bone" || a == "--turntable") {
            if (!hasValue) return a + " needs a value";
            long n = 0;
            const char* v = argv[++i];
            if (a == "--bone") {
                if (!parseWholeNumber(v, 0, 32767, &n)) return "bad --bone " + std::string(v) + " (0..32767)";
                o->extras.bone = static_cast<int32_t>(n);
            } else {
                if (!parseWholeNumber(v, 1, 1024, &n)) return "bad --turntable " + std::string(v) + " (1..1024 frames)";
                o->turntable = static_cast<int>(n);
            }
        } else if (a == "--wireframe") {
            o->view.wireframe = true;
        } else if (a == "-o" || a == "--palette" || a == "--zoom" || a == "--angle-x" || a == "--angle-y" ||
                   a == "--auto-angle" || a == "--size") {
            if (!hasValue) return a + " needs a value";
            const char* v = argv[++i];
            long n = 0;
            if (a == "--angle-x" || a == "--angle-y") o->anglesGiven = true;
            if (a == "-o") o->out = v;
            else if (a == "--palette") o->palette = v;
            else if (a == "--zoom" && !parseFloat(v, &o->view.zoom)) return "bad --zoom " + std::string(v);
            else if (a == "--angle-x" && !parseFloat(v, &o->view.angleX)) return "bad --angle-x " + std::string(v);
            else if (a == "--angle-y" && !parseFloat(v, &o->view.angleY)) return "bad --angle-y " + std::string(v);
            else if (a == "--auto-angle") {
                if (!parseWholeNumber(v, -2147483647L - 1, 2147483647L, &n)) return "bad --auto-angle " + std::string(v);
                o->autoAngle = static_cast<int32_t>(n);
            } else if (a == "--size" && !parseSize(v, &o->width, &o->height))
                return "bad --size " + std::string(v) + " (WxH, each 1..8192)";
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            return "unknown option " + a;
        } else {
            positional.push_back(argv[i]);
        }
    }
    if (positional.empty()) return "no archive given";
    o->archive = positional[0];
    if (o->sheet) {
        if (positional.size() != 1) return "--sheet takes no INDEX";
        if (o->views || o->turntable > 0 || o->extras.skeleton || o->extras.bone >= 0)
            return "--sheet draws every entry plainly: no --views, --turntable, --skeleton or --bone";
    } else {
        long n = 0;
        if (positional.size() != 2) return "give one ARCHIVE and one INDEX";
        if (!parseWholeNumber(positional[1], 0, reachableEntries - 1, &n)) return "bad INDEX " + std::string(positional[1]) + " (0..32767)";
        o->index = static_cast<int>(n);
    }
    if (o->out.empty()) return "no output file (-o OUT.png)";
    if (o->views && o->turntable > 0) return "choose --views or --turntable";
    if (o->views && o->anglesGiven) return "--views sets the angles itself: no --angle-x or --angle-y";
    std::string extension = o->out.size() >= 4 ? o->out.substr(o->out.size() - 4) : std::string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool gif = extension == ".gif";
    o->gif = gif;
    if (o->turntable > 0 && ((!gif && extension != ".png") || o->out.size() == 4))
        return "--turntable writes OUT.gif or OUT.png";
    if (o->palette.empty()) o->palette = (std::filesystem::path(o->archive).parent_path() / "palette.dmp").string();
    if (o->width == 0) {
        o->width = o->sheet || o->views ? 320 : 800;
        o->height = o->sheet || o->views ? 240 : 600;
    }
    // The GIF is made from every frame at once; keep that under a gigabyte.
    if (o->turntable > 0 && gif && static_cast<double>(o->width) * o->height * 3.0 * o->turntable > 1024.0 * 1024 * 1024)
        return "a turntable of " + std::to_string(o->turntable) + " frames of that --size is too large for one GIF";
    // The outputs must not overwrite the files read.
    std::vector<std::string> outputs{o->out};
    if (o->turntable > 0 && !gif)
        for (int k = 0; k < o->turntable; ++k) outputs.push_back(turntableFrameName(o->out, k, o->turntable));
    for (const std::string& out : outputs)
        if (isSameFile(out, o->archive) || isSameFile(out, o->palette)) return "the output " + out + " is also an input";
    return "";
}

int reportEntry(const Options& o, const Fault& fault)
{
    std::fprintf(stderr, "orvane render: %s: entry %d: %s\n", o.archive.c_str(), o.index, fault.reason);
    return 1;
}

int reportOutput(const std::string& path, const Fault& fault)
{
    std::fprintf(stderr, "orvane render: %s: %s\n", path.c_str(), fault.reason);
    return 1;
}

// One entry loaded once for a picture, a turntable or the views: the picture at the options'
// angles, or the frames of one turn, or the sheet of preset views.
int renderEntryPictures(const Options& o, const Palette& palette, OffscreenGl& gl)
{
    PosedEntry entry;
    if (const Fault fault = entry.load(o.archive.c_str(), o.index)) return reportEntry(o, fault);
    const size_t bones = entry.bones().bones.size();
    if (o.extras.bone >= 0 && static_cast<size_t>(o.extras.bone) >= bones)
        return reportEntry(o, faultOf("no bone %d (%zu bones)", o.extras.bone, bones));

    if (o.views) {
        RgbImage sheet;
        if (const Fault fault = drawViewSheet(entry, gl, o.view, o.autoAngle, palette, o.extras, &sheet))
            return reportEntry(o, fault);
        if (const Fault fault = savePng(o.out, sheet)) return reportOutput(o.out, fault);
        return 0;
    }
    initGl(o.width, o.height);
    const int frames = o.turntable > 0 ? o.turntable : 1;
    std::vector<RgbImage> pictures;
    for (int k = 0; k < frames; ++k) {
        RgbImage picture;
        if (const Fault fault = entry.draw(gl, o.view, turntableAngle(o.autoAngle, k, frames), palette, o.extras, &picture))
            return reportEntry(o, fault);
        if (o.turntable > 0 && !o.gif) {
            // Each frame is written as it is drawn, so a long turn never holds them all.
            const std::string name = turntableFrameName(o.out, k, frames);
            if (const Fault fault = savePng(name, picture)) return reportOutput(name, fault);
        } else {
            pictures.push_back(std::move(picture));
        }
    }
    if (o.turntable == 0) {
        if (const Fault fault = savePng(o.out, pictures[0])) return reportOutput(o.out, fault);
    } else if (o.gif) {
        if (const Fault fault = saveAnimatedGif(o.out, pictures, turntableDelay(frames))) return reportOutput(o.out, fault);
    }
    return 0;
}

int renderSheet(const Options& o, const Palette& palette, OffscreenGl& gl)
{
    // The sheet holds at most this many tiles; the viewer itself reaches entries 0..131.
    constexpr long maxTiles = 1024;
    int32_t announced = 0;
    const Fault unreadable = readArchiveEntryCount(o.archive.c_str(), &announced);
    const long count = announced;
    if (unreadable) {
        std::fprintf(stderr, "orvane render: %s: cannot read the archive's offset table\n", o.archive.c_str());
        return 1;
    }
    if (count <= 0 || count > maxTiles) {
        std::fprintf(stderr, "orvane render: %s: %ld entries announced (a sheet holds 1..%ld)\n", o.archive.c_str(),
                     count, maxTiles);
        return 1;
    }
    const int tiles = static_cast<int>(count);
    const int columns = tiles <= 4 ? tiles : static_cast<int>(std::ceil(std::sqrt(static_cast<double>(tiles) * 0.75)));
    const int rows = (tiles + columns - 1) / columns;
    const long sheetWidth = static_cast<long>(columns) * o.width, sheetHeight = static_cast<long>(rows) * o.height;
    if (sheetWidth > 16384 || sheetHeight > 16384) {
        std::fprintf(stderr, "orvane render: a sheet of %ldx%ld pixels is too large; choose a smaller --size\n",
                     sheetWidth, sheetHeight);
        return 1;
    }

    RgbImage sheet = blackImage(static_cast<int>(sheetWidth), static_cast<int>(sheetHeight));
    const int scale = o.height >= 200 ? 3 : 2;
    int failures = 0;
    for (int i = 0; i < tiles; ++i) {
        const Fault fault = drawEntry(o.archive.c_str(), i, o.view, o.autoAngle, palette, o.width, o.height);
        RgbImage tile = gl.read();
        if (fault) {
            std::fprintf(stderr, "orvane render: %s: entry %d: %s\n", o.archive.c_str(), i, fault.reason);
            ++failures;
            for (size_t p = 0; p < tile.rgb.size(); p += 3) tile.rgb[p] = 70;  // a dark red tile
        }
        const uint8_t white[3] = {255, 255, 255};
        drawLabel(tile, 4, 4, std::to_string(i).c_str(), scale, white);
        pasteImage(sheet, tile, (i % columns) * o.width, (i / columns) * o.height);
    }
    if (const Fault fault = savePng(o.out, sheet)) {
        std::fprintf(stderr, "orvane render: %s: %s\n", o.out.c_str(), fault.reason);
        return 1;
    }
    // The sheet is written either way; entries that could not be shown make the status 1.
    return failures == 0 ? 0 : 1;
}

}  // namespace

int runRender(int argc, char** argv)
{
    if (isHelpRequest(argc, argv)) {
        std::fputs(usage, stdout);
        return 0;
    }
    Options o;
    const std::string problem = parse(argc, argv, &o);
    if (!problem.empty()) {
        std::fprintf(stderr, "orvane render: %s\n%s", problem.c_str(), usage);
        return 2;
    }
    static Palette palette;
    if (const Fault fault = readPalette(o.palette.c_str(), palette)) {
        std::fprintf(stderr, "orvane render: %s\n", fault.reason);
        return 1;
    }
    OffscreenGl gl;
    if (const Fault fault = gl.open(o.width, o.height)) {
        std::fprintf(stderr, "orvane render: no offscreen OpenGL: %s\n", fault.reason);
        return 1;
    }
    return o.sheet ? renderSheet(o, palette, gl) : renderEntryPictures(o, palette, gl);
}
