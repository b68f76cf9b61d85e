// lz_pack.h: packs bytes into the archive's LZ scheme (the reverse of lz_decompress.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The scheme's limits: a reference copies 2..17 bytes from 1..4096 bytes back.
inline constexpr std::size_t lzMinMatch = 2;
inline constexpr std::size_t lzMaxMatch = 17;
inline constexpr std::size_t lzWindow = 4096;

// Returns a stream that lzDecompress(size, out, stream) unpacks to exactly `data`. The parse
// is optimal for the scheme's item sizes (a literal costs 9 bits, a reference 17) over the
// longest matches that the hash chains find. An empty input gives an empty stream. The stream
// may be larger than the input (at most by one flag byte per eight bytes).
std::vector<uint8_t> lzPack(const uint8_t* data, std::size_t size);
inline std::vector<uint8_t> lzPack(const std::vector<uint8_t>& data) { return lzPack(data.data(), data.size()); }
