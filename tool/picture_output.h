// picture_output.h: writes the tool's pictures safely: encoded in memory, then a temporary file
// beside the target renamed into place, so a failure leaves an existing file whole.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tool/offscreen_gl.h"

// Writes `bytes` to `path` ('-': standard output) through a temporary file in the same folder.
// Returns an empty string, or the reason; the temporary file never outlives a failure.
std::string replaceFile(const std::string& path, const std::vector<uint8_t>& bytes);

// `image` as an 8-bit RGB PNG in memory. Returns an empty string or the reason.
std::string encodePng(const RgbImage& image, std::vector<uint8_t>* out);

// encodePng, then replaceFile.
std::string writePng(const std::string& path, const RgbImage& image);

// True when `output` names the same existing file as `input`.
bool sameFile(const std::string& output, const std::string& input);
