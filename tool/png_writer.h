// png_writer.h: writes (and, for comparisons, reads back) 8-bit RGB PNG files.
#pragma once

#include <string>

#include "tool/offscreen_gl.h"

// Writes `image` as an 8-bit RGB PNG. Returns false with a reason in *error.
bool savePng(const std::string& path, const RgbImage& image, std::string* error);

// Reads any 8-bit or 16-bit PNG as 8-bit RGB (alpha dropped, grey widened). Returns false
// with a reason in *error.
bool loadPng(const std::string& path, RgbImage* image, std::string* error);
