// cmd_render.cpp: the 'render' subcommand: draws one entry, or a contact sheet of every entry,
// to PNG through the viewer's drawing code in an offscreen context (no display needed).
#include <algorithm>
#include <cctype>
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
#include "image/gif_file.h"
#include "image/label_font.h"
#include "image/png_file.h"
#include "render/gl_state.h"
#include "support/file_io.h"
#include "render/offscreen_gl.h"
#include "image/palette_file.h"
#include "render/posed_entry.h"
#include "render/render_entry.h"
#include "render/views.h"
#include "tool/archive_input.h"
#include "tool/commands.h"

const CommandSyntax renderCommand = {
    .name = "render",
    .usage = "ARCHIVE (INDEX [--turntable N | --views] | --sheet) -o OUT.png [options]",
    .summary = "draw an entry, a turntable, its views or a sheet of every entry, no display needed",
    .description = "Draws entry INDEX of ARCHIVE as the viewer shows it, or with --sheet every entry in\n"
                   "one contact sheet labelled with its index, through the viewer's own drawing code\n"
                   "in an offscreen context. OUT may be '-' (standard output) for one picture, a GIF\n"
                   "or the views.\n"
                   "\n"
                   "Exit status: 0 on success, 1 when the archive, an entry or the palette cannot be\n"
                   "used or OUT cannot be written, 2 on a usage error (also an OUT that is an input, or\n"
                   "a sheet or GIF too large for its --size).\n",
    .options = {{"-o", "OUT.png", "the picture to write ('-' for the standard output)"},
                {"--sheet", nullptr, "every entry in one contact sheet (no INDEX)"},
                {"--palette", "FILE", "palette (default: palette.dmp beside ARCHIVE)"},
                {"--wireframe", nullptr, "polygons as outlines, no culling (the viewer's F)"},
                {"--zoom", "Z", "view distance, as the viewer's zoom (default -5)"},
                {"--angle-x", "A", "view turn about x in degrees (default 20)"},
                {"--angle-y", "A", "view turn about y in degrees (default -40)"},
                {"--auto-angle", "N", "auto-rotation angle, 1024 units a turn (default 0)"},
                {"--size", "WxH", "picture size (default 800x600; a tile's with --sheet, --views: 320x240)"},
                {"--skeleton", nullptr, "the skeleton on top: parent-to-bone lines, a dot at each origin"},
                {"--bone", "N", "bone N's polygons, lines and spheres in full colour, the rest dimmed"},
                {"--turntable", "N", "N frames of one turn: a looping GIF, or OUT-00.png, OUT-01.png, ..."},
                {"--views", nullptr, "front, back, left, right, top and three-quarter views in a grid"}},
    .operands = {"ARCHIVE", "[INDEX]"},
};

namespace {

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
    if (!readWholeNumber(w.c_str(), 1, 8192, &lw) || !readWholeNumber(x + 1, 1, 8192, &lh)) return false;
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

// Reads the command line into *o; returns -1 to go on, otherwise the status to exit with.
int parse(int argc, char** argv, Options* o)
{
    CommandLine line;
    if (const int status = parseCommandLine(renderCommand, argc, argv, &line); status >= 0) return status;
    o->archive = line.operands[0];
    o->sheet = line.has("--sheet");
    o->views = line.has("--views");
    o->extras.skeleton = line.has("--skeleton");
    o->view.wireframe = line.has("--wireframe");
    o->anglesGiven = line.has("--angle-x") || line.has("--angle-y");
    for (const auto& [name, value] :
         {std::pair{"--zoom", &o->view.zoom}, {"--angle-x", &o->view.angleX}, {"--angle-y", &o->view.angleY}}) {
        if (line.has(name) && !parseFloat(line.value(name), value))
            return line.usageError("%s must be a number, not '%s'", name, line.value(name));
    }
    long n = 0;
    if (line.has("--auto-angle")) {
        if (!line.readNumber("--auto-angle", line.value("--auto-angle"), INT32_MIN, INT32_MAX, &n)) return usageStatus;
        o->autoAngle = static_cast<int32_t>(n);
    }
    if (line.has("--bone")) {
        if (!line.readNumber("--bone", line.value("--bone"), 0, 32767, &n)) return usageStatus;
        o->extras.bone = static_cast<int32_t>(n);
    }
    if (line.has("--turntable")) {
        if (!line.readNumber("--turntable", line.value("--turntable"), 1, 1024, &n)) return usageStatus;
        o->turntable = static_cast<int>(n);
    }
    if (line.has("--size") && !parseSize(line.value("--size"), &o->width, &o->height))
        return line.usageError("--size must be WxH, each a whole number from 1 to 8192, not '%s'",
                               line.value("--size"));
    if (o->sheet) {
        if (line.operands.size() > 1) return line.usageError("--sheet takes no INDEX");
        if (o->views || o->turntable > 0 || o->extras.skeleton || o->extras.bone >= 0)
            return line.usageError("--sheet draws every entry plainly: no --views, --turntable, --skeleton or --bone");
    } else {
        if (line.operands.size() < 2) return line.usageError("missing INDEX");
        if (!line.readNumber("INDEX", line.operands[1].c_str(), 0, reachableEntries - 1, &n)) return usageStatus;
        o->index = static_cast<int>(n);
    }
    if (!line.has("-o")) return line.usageError("no output file (-o OUT.png)");
    o->out = line.value("-o");
    if (o->views && o->turntable > 0) return line.usageError("choose --views or --turntable");
    if (o->views && o->anglesGiven) return line.usageError("--views sets the angles itself: no --angle-x or --angle-y");
    std::string extension = o->out.size() >= 4 ? o->out.substr(o->out.size() - 4) : std::string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool gif = extension == ".gif";
    o->gif = gif;
    if (o->turntable > 0 && ((!gif && extension != ".png") || o->out.size() == 4))
        return line.usageError("--turntable writes OUT.gif or OUT.png");
    o->palette = line.value("--palette", "");
    if (o->palette.empty()) o->palette = (std::filesystem::path(o->archive).parent_path() / "palette.dmp").string();
    if (o->width == 0) {
        o->width = o->sheet || o->views ? 320 : 800;
        o->height = o->sheet || o->views ? 240 : 600;
    }
    // The GIF is made from every frame at once; keep that under a gigabyte.
    if (o->turntable > 0 && gif &&
        static_cast<double>(o->width) * o->height * 3.0 * o->turntable > 1024.0 * 1024 * 1024)
        return line.usageError("a turntable of %d frames of that --size is too large for one GIF", o->turntable);
    // The outputs must not overwrite the files read.
    std::vector<std::string> outputs{o->out};
    if (o->turntable > 0 && !gif)
        for (int k = 0; k < o->turntable; ++k) outputs.push_back(turntableFrameName(o->out, k, o->turntable));
    for (const std::string& out : outputs)
        if (refuseSameFile(renderCommand, out, {o->archive, o->palette})) return usageStatus;
    return -1;
}

int reportEntry(const Options& o, const Fault& fault)
{
    reportEntryFault(renderCommand, o.archive.c_str(), o.index, fault.reason);
    return 1;
}

int reportOutput(const std::string& path, const Fault& fault)
{
    std::fprintf(stderr, "orvane render: cannot write %s: %s\n", path.c_str(), fault.reason);
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
    std::vector<FileContents> pngFrames;
    for (int k = 0; k < frames; ++k) {
        RgbImage picture;
        if (const Fault fault =
                entry.draw(gl, o.view, turntableAngle(o.autoAngle, k, frames), palette, o.extras, &picture))
            return reportEntry(o, fault);
        if (o.turntable > 0 && !o.gif) {
            // Frames are kept encoded (small) and written as one batch: all of them or none.
            pngFrames.emplace_back(turntableFrameName(o.out, k, frames), std::vector<uint8_t>());
            if (const Fault fault = encodePng(picture, &pngFrames.back().second))
                return reportOutput(pngFrames.back().first, fault);
        } else {
            pictures.push_back(std::move(picture));
        }
    }
    if (o.turntable == 0) {
        if (const Fault fault = savePng(o.out, pictures[0])) return reportOutput(o.out, fault);
    } else if (o.gif) {
        if (const Fault fault = saveAnimatedGif(o.out, pictures, turntableDelay(frames)))
            return reportOutput(o.out, fault);
    } else if (const Fault fault = writeFilesTogether(pngFrames)) {
        std::fprintf(stderr, "orvane render: cannot write %s (no frame was replaced)\n", fault.reason);
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
        std::fprintf(stderr, "orvane render: %s: %ld entries; a sheet holds at most %ld\n", o.archive.c_str(), count,
                     maxTiles);
        return 1;
    }
    const bool unread = table.readable < table.announced;
    const int tiles = static_cast<int>(count);
    const int columns = tiles <= 4 ? tiles : static_cast<int>(std::ceil(std::sqrt(static_cast<double>(tiles) * 0.75)));
    const int rows = (tiles + columns - 1) / columns;
    const long sheetWidth = static_cast<long>(columns) * o.width, sheetHeight = static_cast<long>(rows) * o.height;
    if (sheetWidth > 16384 || sheetHeight > 16384) {
        // As the GIF's size check: the command line asked for too much, status 2.
        std::fprintf(
            stderr,
            "orvane render: a sheet of %ldx%ld pixels is too large (at most 16384x16384); choose a smaller --size\n",
            sheetWidth, sheetHeight);
        printUsageLine(renderCommand, stderr);
        return usageStatus;
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
        drawLabel(tile, 4, 4, std::to_string(i).c_str(), scale, white);
        pasteImage(sheet, tile, (i % columns) * o.width, (i / columns) * o.height);
    }
    if (const Fault fault = savePng(o.out, sheet)) return reportOutput(o.out, fault);
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
    return o.sheet ? renderSheet(o, table, palette, gl) : renderEntryPictures(o, palette, gl);
}
