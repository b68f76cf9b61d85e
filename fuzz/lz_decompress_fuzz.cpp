// lz_decompress_fuzz.cpp: fuzz harness: packed streams and output sizes to the unpacker, checked
// against a plain byte-by-byte model of the scheme.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "support/little_endian.h"
#include "archive/lz_decompress.h"

namespace {

// The scheme, one checked item at a time: the reference the fast unpacker must agree with.
bool modelDecompress(int32_t outSize, uint8_t* out, const uint8_t* in, size_t inSize)
{
    if (outSize <= 0) return false;
    const size_t end = static_cast<size_t>(outSize);
    size_t at = 0, ip = 0;
    while (at < end) {
        if (ip >= inSize) return false;
        const unsigned flags = in[ip++];
        for (int bit = 0; bit < 8 && at < end; ++bit) {
            if (flags & (1u << bit)) {
                if (ip >= inSize) return false;
                out[at++] = in[ip++];
            } else {
                if (ip + 2 > inSize) return false;
                const unsigned w = readU16(in + ip);
                ip += 2;
                const size_t length = (w & 15) + 2, distance = (w >> 4) + 1;
                if (distance > at || length > end - at) return false;
                for (size_t k = 0; k < length; ++k, ++at) out[at] = out[at - distance];
            }
        }
    }
    return true;
}

}  // namespace

// Input: a little-endian i32 whose value modulo 2^18 (sign kept) is the output size, then the
// packed stream. Both buffers are allocated to their exact sizes so that any stray access is
// caught.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4) return 0;
    const int32_t outSize = static_cast<int32_t>(readU32(data)) % (1 << 18);
    const size_t inSize = size - 4;
    std::unique_ptr<uint8_t[]> in(new uint8_t[inSize > 0 ? inSize : 1]);
    if (inSize > 0) std::memcpy(in.get(), data + 4, inSize);
    const size_t room = outSize > 0 ? static_cast<size_t>(outSize) : 0;
    std::unique_ptr<uint8_t[]> out(new uint8_t[room > 0 ? room : 1]);
    std::unique_ptr<uint8_t[]> expected(new uint8_t[room > 0 ? room : 1]);

    const bool ok = lzDecompress(outSize, out.get(), in.get(), inSize);
    const bool modelOk = modelDecompress(outSize, expected.get(), in.get(), inSize);
    if (ok != modelOk) std::abort();
    if (ok && std::memcmp(out.get(), expected.get(), room) != 0) std::abort();
    return 0;
}
