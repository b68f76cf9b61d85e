// bitmap_font.h: a small built-in 5 x 7 bitmap font for printable ASCII, written into pixel
// buffers (the viewer's overlays; the tool's pictures can use it too).
#pragma once

#include <cstdint>

inline constexpr int glyphWidth = 5;
inline constexpr int glyphHeight = 7;
inline constexpr int glyphAdvance = 6;  // one blank column between characters

// The seven rows of character `c`, top first, each the low five bits with the leftmost pixel in
// bit 4. Characters outside printable ASCII (32..126) get the glyph of '?'.
const uint8_t* glyphRows(char c);

// A pixel buffer of `width` x `height` pixels of `channels` bytes each (3 or 4), rows top first.
struct PixelTarget {
    uint8_t* pixels;
    int width;
    int height;
    int channels;
};

// Fills the rectangle with `colour` (`channels` bytes); clipped to the buffer.
void fillRect(const PixelTarget& target, int x, int y, int w, int h, const uint8_t* colour);

// Writes `text` with the top-left corner of its first glyph at (x, y), each font pixel `scale` x
// `scale` pixels in `colour` (`channels` bytes); only the glyphs' set pixels are written, and
// everything is clipped to the buffer. Returns the x just past the last character's advance.
int drawText(const PixelTarget& target, int x, int y, const char* text, int scale, const uint8_t* colour);
