// palette_file.h: reads a palette file: 256 colours of three bytes (red, green, blue).
#pragma once

#include "render/view.h"
#include "support/fault.h"

// Reads up to 768 bytes of the file at `path` into `palette` with a single read; the colours a
// shorter file leaves unread are black. Fails, touching nothing, when the file cannot be opened.
Fault readPalette(const char* path, Palette& palette);
