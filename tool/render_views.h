// render_views.h: the render command's pictures of one entry loaded once: a single picture with
// the skeleton or one bone picked out, a turntable, and a sheet of preset views.
#pragma once

#include <string>

#include "tool/posed_entry.h"

struct EntryPictures {
    std::string archive;
    int index = 0;
    std::string out;          // the picture, the GIF, or the pattern of the numbered PNGs
    ViewSettings view;
    int width = 800, height = 600;  // of the picture, a turntable frame, or one view's tile
    PictureExtras extras;
};

// Each returns the process's exit status and reports its failure with one line on standard
// error. `gl` must be open at width x height.
int renderPicture(const EntryPictures& job, OffscreenGl& gl);
// `frames` pictures of one full turn, auto-rotation angles 1024 / frames apart from
// view.autoAngle on; a looping GIF, or numbered PNGs when `out` ends in .png.
int renderTurntable(const EntryPictures& job, int frames, OffscreenGl& gl);
// Front, back, left, right, top and three-quarter views in a labelled 3 x 2 grid.
int renderViews(const EntryPictures& job, OffscreenGl& gl);

// The frame names of a PNG turntable: "spin.png" gives "spin-00.png", "spin-01.png", ...
// (as many digits as frames - 1 needs, at least two).
std::string turntableFrameName(const std::string& pattern, int frame, int frames);

// Hundredths of a second each of `frames` frames shows, so a turn lasts about three seconds.
int turntableDelay(int frames);
