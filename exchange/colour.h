// colour.h: palette colours (display values 0..255, as the viewer hands them to OpenGL) and
// glTF's linear colours, both ways, and the palette entry nearest a colour.
#pragma once

#include <cstdint>

#include "exchange/geometry.h"

// A palette component (0..255, display space) in glTF's linear space.
float linearFromDisplay(uint8_t value);
// The same for any display value (0..255, clamped), such as a mean of colours.
double linearFromDisplayValue(double value);

// The same for all 256 values, worked out once.
const float* linearFromDisplayTable();

// glTF's linear colour component (0..1, clamped) in display space (0..255).
double displayFromLinear(double linear);

// The palette entry nearest a display colour (squared distance; the lowest index on a tie).
uint8_t nearestPaletteIndex(const uint8_t (*palette)[3], const Vec3& colour);
