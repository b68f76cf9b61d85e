// cmd_render.cpp: the 'render' subcommand: draws one entry, or a contact sheet of every entry,
// to PNG through the viewer's drawing code in an offscreen context (no display needed).
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "archive/archive_format.h"
#include "image/digit_font.h"
#include "image/png_file.h"
#include "render/offscreen_gl.h"
#include "render/palette_file.h"
#include "render/render_entry.h"
#include "tool/archive_input.h"
#include "tool/commands.h"

const CommandSpec renderCommand = {
    .name = "render",
    .usage = "ARCHIVE (INDEX | --sheet) -o OUT.png [options]",
    .summary = "draw an entry (or a sheet of every entry) to PNG, no display needed",
    .description = "Draws entry INDEX of ARCHIVE as the viewer shows it, or with --sheet every entry in\n"
                   "one contact sheet labelled with its index, through the viewer's own drawing code\n"
                   "in an offscreen context.\n"
                   "\n"
                   "Exit status: 0 on success, 1 when the archive, an entry or the palette cannot be\n"
                   "used or OUT cannot be written (or is an input), 2 on a usage error.\n",
    .options = {{"-o", "OUT.png", "the picture to write ('-' for the standard output)"},
                {"--sheet", nullptr, "every entry in one contact sheet (no INDEX)"},
                {"--palette", "FILE", "palette (default: palette.dmp beside ARCHIVE)"},
                {"--wireframe", nullptr, "polygons as outlines, no culling (the viewer's F)"},
                {"--zoom", "Z", "view distance, as the viewer's zoom (default -5)"},
                {"--angle-x", "A", "view turn about x in degrees (default 20)"},
                {"--angle-y", "A", "view turn about y in degrees (default -40)"},
                {"--auto-angle", "N", "auto-rotation angle, 1024 units a turn (default 0)"},
                {"--size", "WxH", "picture size (default 800x600; with --sheet one tile's, 320x240)"}},
    .operands = {"ARCHIVE", "[INDEX]"},
};

namespace {

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
    if (!readWholeNumber(w.c_str(), 1, 8192, &lw) || !readWholeNumber(x + 1, 1, 8192, &lh)) return false;
    *width = static_cast<int>(lw);
    *height = static_cast<int>(lh);
    return true;
}

// Reads the command line into *o; returns -1 to go on, otherwise the status to exit with.
int parse(int argc, char** argv, Options* o)
{
    CommandLine line;
    if (const int status = parseCommandLine(renderCommand, argc, argv, &line); status >= 0) return status;
    o->archive = line.operands[0];
    o->sheet = line.has("--sheet");
    o->view.wireframe = line.has("--wireframe");
    for (const auto& [name, value] : {std::pair{"--zoom", &o->view.zoom}, {"--angle-x", &o->view.angleX}, {"--angle-y", &o->view.angleY}}) {
        if (line.has(name) && !parseFloat(line.value(name), value))
            return line.usageError("%s must be a number, not '%s'", name, line.value(name));
    }
    long n = 0;
    if (line.has("--auto-angle")) {
        if (!line.readNumber("--auto-angle", line.value("--auto-angle"), INT32_MIN, INT32_MAX, &n)) return usageStatus;
        o->autoAngle = static_cast<int32_t>(n);
    }
    if (line.has("--size") && !parseSize(line.value("--size"), &o->width, &o->height))
        return line.usageError("--size must be WxH, each a whole number from 1 to 8192, not '%s'", line.value("--size"));
    if (o->sheet) {
        if (line.operands.size() > 1) return line.usageError("--sheet takes no INDEX");
    } else {
        if (line.operands.size() < 2) return line.usageError("missing INDEX");
        if (!line.readNumber("INDEX", line.operands[1].c_str(), 0, reachableEntries - 1, &n)) return usageStatus;
        o->index = static_cast<int>(n);
    }
    if (!line.has("-o")) return line.usageError("no output file (-o OUT.png)");
    o->out = line.value("-o");
    o->palette = line.value("--palette", "");
    if (o->palette.empty()) o->palette = (std::filesystem::path(o->archive).parent_path() / "palette.dmp").string();
    if (o->width == 0) {
        o->width = o->sheet ? 320 : 800;
        o->height = o->sheet ? 240 : 600;
    }
    if (refuseSameFile(renderCommand, o->out, {o->archive, o->palette})) return 1;
    return -1;
}

int renderOne(const Options& o, const Palette& palette, OffscreenGl& gl)
{
    if (const Fault fault = drawEntry(o.archive.c_str(), o.index, o.view, o.autoAngle, palette, o.width, o.height)) {
        reportEntryFault(renderCommand, o.archive.c_str(), o.index, fault.reason);
        return 1;
    }
    if (const Fault fault = savePng(o.out, gl.read())) {
        std::fprintf(stderr, "orvane render: cannot write %s: %s\n", o.out.c_str(), fault.reason);
        return 1;
    }
    return 0;
}

int renderSheet(const Options& o, const ArchiveTable& table, const Palette& palette, OffscreenGl& gl)
{
    // The sheet holds at most this many tiles; the viewer itself reaches entries 0..131.
    constexpr long maxTiles = 1024;
    const long count = table.readable;
    if (count > maxTiles) {
        std::fprintf(stderr, "orvane render: %s: %ld entries; a sheet holds at most %ld\n", o.archive.c_str(), count, maxTiles);
        return 1;
    }
    const bool unread = table.readable < table.announced;
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
            reportEntryFault(renderCommand, o.archive.c_str(), i, fault.reason);
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
        std::fprintf(stderr, "orvane render: cannot write %s: %s\n", o.out.c_str(), fault.reason);
        return 1;
    }
    // The sheet is written either way; entries that could not be shown make the status 1.
    return failures == 0 && !unread ? 0 : 1;
}

}  // namespace

int runRender(int argc, char** argv)
{
    Options o;
    if (const int status = parse(argc, argv, &o); status >= 0) return status;
    ArchiveTable table;
    if (!readArchiveOrReport(renderCommand, o.archive.c_str(), &table)) return 1;
    static Palette palette;
    if (const Fault fault = loadPaletteFile(o.palette.c_str(), palette)) {
        std::fprintf(stderr, "orvane render: %s\n", fault.reason);
        return 1;
    }
    OffscreenGl gl;
    if (const Fault fault = gl.open(o.width, o.height)) {
        std::fprintf(stderr, "orvane render: no offscreen OpenGL: %s\n", fault.reason);
        return 1;
    }
    return o.sheet ? renderSheet(o, table, palette, gl) : renderOne(o, palette, gl);
}
