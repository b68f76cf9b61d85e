// gif_file.h: pictures as one looping animated GIF (giflib), with one palette built from the
// colours of all of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/rgb_image.h"
#include "support/fault.h"

// Encodes `frames` (at least one, all of one size) into *out, each shown `delay` hundredths of
// a second, looping for ever.
Fault encodeAnimatedGif(const std::vector<RgbImage>& frames, int delay, std::vector<uint8_t>* out);

// encodeAnimatedGif, then the bytes to `path` ("-" is the standard output) in one write.
Fault saveAnimatedGif(const std::string& path, const std::vector<RgbImage>& frames, int delay);
