// info_overlay.h: --info: a box in the window's top-left corner telling what is shown: the
// archive, the entry (of how many), its counts or its fault, and the frame rate.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "render/bitmap_font.h"

inline constexpr int infoColumns = 24;   // characters a line holds
inline constexpr int infoLineCount = 6;
inline constexpr int infoScale = 1;      // screen pixels per font pixel
inline constexpr int infoPadding = 4;    // pixels between the box's edge and its text
inline constexpr int infoLineHeight = (glyphHeight + 2) * infoScale;
// The box's size is fixed, whatever it says, so that it never covers more than this.
inline constexpr int infoBoxWidth = infoColumns * glyphAdvance * infoScale - infoScale + 2 * infoPadding;
inline constexpr int infoBoxHeight = infoLineCount * infoLineHeight - 2 * infoScale + 2 * infoPadding;

inline constexpr uint8_t infoBacking[4] = {16, 20, 32, 255};
inline constexpr uint8_t infoInk[4] = {235, 235, 200, 255};

struct InfoFacts {
    std::string archive;      // the archive's path
    int32_t entry = 0;
    int32_t entryCount = -1;  // -1 when the archive cannot be read
    std::string fault;        // why the entry cannot be shown; empty when it is
    int32_t points = 0, bones = 0, polygons = 0, lines = 0, spheres = 0;
    double fps = -1.0;        // negative until a first second has been measured
};

using InfoLines = std::array<std::string, infoLineCount>;

// The box's lines, each at most infoColumns characters: the archive's file name (its tail when
// too long), "entry N of M", the counts, "fps F". A fault takes the counts' three lines,
// broken between words and cut with "..." when it does not fit.
InfoLines composeInfoLines(const InfoFacts& facts);

// Paints the box: backing and text, into infoBoxWidth x infoBoxHeight RGBA pixels, rows top first.
void paintInfoBox(const InfoLines& lines, uint8_t* rgba);

// Counts this frame for the frame rate (averaged over the last whole second) and draws the box
// over the picture, from the viewer state, the last body stage's render list and the time in
// milliseconds. The box is repainted and uploaded only when its text changes.
void drawInfoOverlay(uint32_t nowMilliseconds);
