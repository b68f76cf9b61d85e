// decimal_text.h: numbers as printf's "%.7g" writes them, without its cost: an OBJ file of a big
// body is millions of them.
#pragma once

// Room a number may take, sign and exponent included, with some to spare.
inline constexpr int decimal7Room = 32;

// Writes `value` at `out` (which has decimal7Room chars) as "%.7g" would; returns the end.
char* writeDecimal7(char* out, double value);
