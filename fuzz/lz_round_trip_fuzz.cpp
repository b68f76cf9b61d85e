// lz_round_trip_fuzz.cpp: fuzz harness: any bytes packed by the encoder unpack to themselves.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "archive/lz_decompress.h"
#include "archive/lz_pack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> packed = lzPack(data, size);
    if (size == 0) {
        if (!packed.empty()) std::abort();
        return 0;
    }
    if (packed.size() > size + (size + 7) / 8) std::abort();  // never worse than all literals
    std::unique_ptr<uint8_t[]> out(new uint8_t[size]);
    if (!lzDecompress(static_cast<int32_t>(size), out.get(), packed.data(), packed.size())) std::abort();
    if (std::memcmp(out.get(), data, size) != 0) std::abort();
    return 0;
}
