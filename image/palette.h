// palette.h: the 256 colours a body's colour numbers index.
#pragma once

#include <cstdint>

// 256 colours, red, green, blue, used as they stand for OpenGL colours.
using Palette = uint8_t[256][3];
