// views.h: more than one picture of one posed entry: the angles of a turntable, and a sheet of
// preset views (front, back, left, right, top, three-quarter) as CAD and mesh viewers offer.
#pragma once

#include <cstdint>

#include "image/rgb_image.h"
#include "render/posed_entry.h"

// The auto-rotation angle of frame `frame` of a turntable of `frames` frames (one turn, 1024
// units) that starts at `start`; wraps as the viewer's angle register does.
int32_t turntableAngle(int32_t start, int frame, int frames);

inline constexpr int viewSheetColumns = 3;
inline constexpr int viewSheetRows = 2;

// The six preset views of `entry`, each a tile of gl's size labelled with its name, in a
// 3 x 2 grid in *sheet. `view` gives the zoom and wireframe; the presets set the angles. Fails
// as PosedEntry::draw does.
Fault drawViewSheet(PosedEntry& entry, OffscreenGl& gl, const View& view, int32_t autoAngle, const Palette& palette,
                    const PictureExtras& extras, RgbImage* sheet);
