// gif_writer.h: pictures as one looping animated GIF (giflib), with one palette built from the
// colours of all of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tool/offscreen_gl.h"

// Encodes `frames` (at least one, all of one size) into *out, each shown `delay` hundredths of
// a second, looping for ever. Returns an empty string or the reason.
std::string encodeAnimatedGif(const std::vector<RgbImage>& frames, int delay, std::vector<uint8_t>* out);
