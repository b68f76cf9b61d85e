// png_file.h: writes (and, for comparisons, reads back) 8-bit RGB PNG files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/rgb_image.h"
#include "support/fault.h"

// Encodes `image` as an 8-bit RGB PNG into *out.
Fault encodePng(const RgbImage& image, std::vector<uint8_t>* out);
// Writes `image` as an 8-bit RGB PNG to `path` ("-" is the standard output).
Fault savePng(const std::string& path, const RgbImage& image);

// The PNG file's bytes, for a caller that writes several files together.
Fault encodePng(const RgbImage& image, std::vector<uint8_t>* encoded);

// Reads any 8-bit or 16-bit PNG as 8-bit RGB (alpha dropped, grey widened).
Fault loadPng(const std::string& path, RgbImage* image);
