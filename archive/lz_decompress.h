// lz_decompress.h: unpacks the archive's LZ scheme (flag bytes, literals, back-references).
#pragma once

#include <cstddef>
#include <cstdint>

// Unpacks `in` (inSize bytes) into `out` (outSize bytes). Returns true when the output was
// filled exactly (input bytes after the last item are ignored); false for malformed data (a
// reference before the output's start or past its end, a stream that ends early,
// outSize <= 0), in which case `out` holds partial output. Never reads or writes outside the
// two buffers; allocates nothing.
bool lzDecompress(int32_t outSize, uint8_t* out, const uint8_t* in, size_t inSize);
