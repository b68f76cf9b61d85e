// cmd_diff_pictures.cpp: old and new bodies of each changed entry side by side, through the
// viewer's drawing code in an offscreen context.
#include "tool/cmd_diff_pictures.h"

#include <cstdio>

#include "image/label_font.h"
#include "image/png_file.h"
#include "render/gl_state.h"
#include "render/offscreen_gl.h"
#include "image/palette_file.h"
#include "render/posed_entry.h"

namespace {

constexpr int tileWidth = 400, tileHeight = 300;

// One side's tile: the body as the viewer shows it at rest, labelled; a dark red tile, with the
// reason, when it cannot be drawn.
RgbImage drawSide(OffscreenGl& gl, const Palette& palette, const std::string& archive, long index, const char* side)
{
    PosedEntry entry;
    RgbImage tile;
    Fault fault = entry.load(archive.c_str(), static_cast<int>(index));
    if (!fault) {
        initGl(tileWidth, tileHeight);
        fault = entry.draw(gl, View{}, 0, palette, PictureExtras{}, &tile);
    }
    if (tile.rgb.empty()) tile = blackImage(tileWidth, tileHeight);
    const uint8_t white[3] = {255, 255, 255};
    const std::string label = std::string(side) + " " + std::to_string(index);
    drawLabel(tile, 6, 6, label.c_str(), 3, white);
    if (fault) {
        for (size_t p = 0; p < tile.rgb.size(); p += 3) tile.rgb[p] = 70;
        drawLabel(tile, 6, tileHeight - 6 - labelHeight(1), fault.reason, 1, white);
    }
    return tile;
}

}  // namespace

std::string diffPictureName(const std::string& dir, long index)
{
    char name[32];
    std::snprintf(name, sizeof name, "entry-%03ld.png", index);
    return dir + "/" + name;
}

Fault drawDiffPictures(const DiffPictures& pictures, const std::string& dir, std::vector<FileContents>* files)
{
    files->clear();
    static Palette palette;
    if (const Fault fault = loadPaletteFile(pictures.palette.c_str(), palette)) return fault;
    OffscreenGl gl;
    if (const Fault fault = gl.open(tileWidth, tileHeight)) return withContext("no offscreen OpenGL", fault);
    for (const long index : pictures.entries) {
        RgbImage picture = blackImage(2 * tileWidth + 4, tileHeight);
        for (size_t p = 0; p < picture.rgb.size(); ++p) picture.rgb[p] = 90;  // the grey seam between the two
        pasteImage(picture, drawSide(gl, palette, pictures.oldArchive, index, "OLD"), 0, 0);
        pasteImage(picture, drawSide(gl, palette, pictures.newArchive, index, "NEW"), tileWidth + 4, 0);
        std::vector<uint8_t> png;
        if (const Fault fault = encodePng(picture, &png)) return fault;
        files->emplace_back(diffPictureName(dir, index), std::move(png));
    }
    return noFault();
}
