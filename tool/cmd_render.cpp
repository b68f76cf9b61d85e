// cmd_render.cpp: the 'render' subcommand: draws one entry, or a contact sheet of every entry,
// to PNG through the viewer's drawing code in an offscreen context (no display needed).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/archive_format.h"
#include "image/digit_font.h"
#include "image/png_file.h"
#include "render/offscreen_gl.h"
#include "render/palette_file.h"
#include "render/render_entry.h"
#include "tool/command_line.h"
#include "tool/commands.h"

namespace {

const char* const usage =
    "usage: orvane render ARCHIVE INDEX -o OUT.png [options]\n"
    "       orvane render ARCHIVE --sheet -o OUT.png [options]\n"
    "\n"
    "Draws entry INDEX of ARCHIVE as the viewer shows it, or with --sheet every entry in one\n"
    "contact sheet labelled with its index. Needs no display.\n"
    "\n"
    "options:\n"
    "  --palette FILE    palette (default: palette.dmp beside ARCHIVE)\n"
    "  --wireframe       polygons as outlines, no culling (the viewer's F)\n"
    "  --zoom Z          view distance, as the viewer's zoom (default -5)\n"
    "  --angle-x A       view turn about x in degrees (default 20)\n"
    "  --angle-y A       view turn about y in degrees (default -40)\n"
    "  --auto-angle N    auto-rotation angle, 1024 units a turn (default 0)\n"
    "  --size WxH        picture size (default 800x600; with --sheet the size of one tile,\n"
    "                    default 320x240)\n";

struct Options {
    std::string archive;
    int index = -1;
    bool sheet = false;
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

// Returns an empty string, or what is wrong with the command line.
std::string parse(int argc, char** argv, Options* o)
{
    std::vector<const char*> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--sheet") {
            o->sheet = true;
        } else if (a == "--wireframe") {
            o->view.wireframe = true;
        } else if (a == "-o" || a == "--palette" || a == "--zoom" || a == "--angle-x" || a == "--angle-y" ||
                   a == "--auto-angle" || a == "--size") {
            if (!hasValue) return a + " needs a value";
            const char* v = argv[++i];
            long n = 0;
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
    } else {
        long n = 0;
        if (positional.size() != 2) return "give one ARCHIVE and one INDEX";
        if (!parseWholeNumber(positional[1], 0, reachableEntries - 1, &n)) return "bad INDEX " + std::string(positional[1]) + " (0..32767)";
        o->index = static_cast<int>(n);
    }
    if (o->out.empty()) return "no output file (-o OUT.png)";
    if (o->palette.empty()) o->palette = (std::filesystem::path(o->archive).parent_path() / "palette.dmp").string();
    if (o->width == 0) {
        o->width = o->sheet ? 320 : 800;
        o->height = o->sheet ? 240 : 600;
    }
    return "";
}

int renderOne(const Options& o, const Palette& palette, OffscreenGl& gl)
{
    if (const Fault fault = drawEntry(o.archive.c_str(), o.index, o.view, o.autoAngle, palette, o.width, o.height)) {
        std::fprintf(stderr, "orvane render: %s: entry %d: %s\n", o.archive.c_str(), o.index, fault.reason);
        return 1;
    }
    if (const Fault fault = savePng(o.out, gl.read())) {
        std::fprintf(stderr, "orvane render: %s: %s\n", o.out.c_str(), fault.reason);
        return 1;
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
        drawNumber(tile, 4, 4, i, scale, white);
        const int x0 = (i % columns) * o.width, y0 = (i / columns) * o.height;
        for (int y = 0; y < o.height; ++y) {
            const size_t from = static_cast<size_t>(y) * static_cast<size_t>(o.width) * 3;
            const size_t to = (static_cast<size_t>(y0 + y) * static_cast<size_t>(sheet.width) + static_cast<size_t>(x0)) * 3;
            std::memcpy(&sheet.rgb[to], &tile.rgb[from], static_cast<size_t>(o.width) * 3);
        }
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
    return o.sheet ? renderSheet(o, palette, gl) : renderOne(o, palette, gl);
}
