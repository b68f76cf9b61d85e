// info_overlay.h: --info: a box in the window's top-left corner telling what is shown: the
// archive, the entry (of how many), its counts or its fault, and the frame rate.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "body/bone_tree.h"
#include "image/label_font.h"
#include "image/rgb_image.h"

inline constexpr int infoColumns = 24;  // characters a line holds
inline constexpr int infoLineCount = 6;
inline constexpr int infoScale = 1;    // screen pixels per font pixel
inline constexpr int infoPadding = 2;  // pixels between the box's edge and the lines' own margins
// The box's size is fixed, whatever it says, so that it never covers more than this.
inline constexpr int infoBoxWidth = (infoColumns * 6 + 2) * infoScale + 2 * infoPadding;
inline constexpr int infoBoxHeight = infoLineCount * 9 * infoScale + 2 * infoPadding;

// The label font's own backing, so that each line's box melts into the whole box.
inline constexpr uint8_t infoBacking[3] = {24, 24, 24};
inline constexpr uint8_t infoInk[3] = {235, 235, 200};

struct InfoFacts {
    std::string archive;  // the archive's path
    int32_t entry = 0;
    int32_t entryCount = -1;  // -1 when the archive cannot be read
    std::string fault;        // why the entry cannot be shown; empty when it is
    int32_t points = 0, bones = 0, polygons = 0, lines = 0, spheres = 0;
    double fps = -1.0;  // negative until a first second has been measured
};

using InfoLines = std::array<std::string, infoLineCount>;

// The box's lines, each at most infoColumns characters: the archive's file name (its tail when
// too long), "entry N of M", the counts, "fps F". A fault takes the counts' three lines,
// broken between words and cut with "..." when it does not fit.
InfoLines composeInfoLines(const InfoFacts& facts);

// The box: backing and the lines in the label font (which writes capitals).
RgbImage paintInfoBox(const InfoLines& lines);

// The point count of a prepared body's frame data (byte 26); 0 when it lies outside its `size` bytes.
int32_t bodyPointCount(const uint8_t* body, uint32_t size);

// Counts this frame for the frame rate (averaged over the last whole second) and draws the box
// over the picture, from the viewer state, the last body stage's render list, the current
// body's bone tree (null when there is none) and the time in milliseconds. The box is repainted
// and uploaded only when its text changes.
void drawInfoOverlay(uint32_t nowMilliseconds, const BoneTree* tree);
