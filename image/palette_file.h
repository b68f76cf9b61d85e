// palette_file.h: reads a palette file: 256 colours of three bytes (red, green, blue).
#pragma once

#include "image/palette.h"
#include "support/fault.h"

// Reads up to 768 bytes of the file at `path` into `palette` with a single read; the colours a
// shorter file leaves unread are black. Fails, touching nothing, when the file cannot be opened.
Fault readPalette(const char* path, Palette& palette);

// Reads a palette as the tool does, stricter than the viewer: the file must be a regular file
// of at least one byte (a folder or an empty file would draw everything black); its first 768
// bytes are the colours, the rest of a shorter file black.
Fault loadPaletteFile(const char* path, Palette& palette);
