// render_entry.h: draws one archive entry into the current OpenGL context exactly as the
// viewer's window would show it.
#pragma once

#include <cstdint>

#include "render/view.h"
#include "support/fault.h"

// initGl at width x height, the entry loaded and prepared as the viewer does, the body stage run
// as the viewer's first two frames run it at `autoAngle` (from the second frame on the picture
// stays put), then drawScene. The pipeline starts from a fresh process's state. When the entry
// cannot be shown the empty scene is drawn and the fault says why: the loader's reason, or that
// the viewer would stop on it (viewerStopsFault).
Fault drawEntry(const char* archive, int index, const View& view, int32_t autoAngle, const Palette& palette, int width,
                int height);
