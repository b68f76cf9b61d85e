// overlays.h: what the command line adds over the body's picture, drawn before it is presented.
#pragma once

#include <cstdint>

// The skeleton (--skeleton) over the body, then the information box (--info) over both; nothing
// without those options. `nowMilliseconds` times the box's frame rate.
void drawViewerOverlays(uint32_t nowMilliseconds);
