// lz_decompress.cpp: unpacks the archive's LZ scheme into a buffer of known size.
//
// The stream is groups of one flag byte and eight items, flag bits lowest first: a set bit is
// one literal byte, a clear bit a little-endian u16 w that copies (w & 15) + 2 bytes from
// (w >> 4) + 1 bytes behind the output's end, byte by byte front to back, so a distance shorter
// than the length repeats what it has just written. The stream ends when the output is full.
//
// Speed: a group that cannot run past either buffer (16 input bytes left, room for eight of
// the longest references plus copy slack) is unpacked without per-item bounds tests, and
// references copy eight bytes at a time where the distance allows; the bytes written are the
// same as the byte-by-byte copy's. Everything else goes through the fully checked path.
#include "archive/lz_decompress.h"

#include <cstring>  // Required for: memcpy, memset

namespace {

constexpr size_t groupInputBytes = 16;  // eight references
constexpr size_t longestReference = 17;
constexpr size_t copySlack = 8;  // eight-byte copies may write past the length
constexpr size_t groupOutputRoom = 8 * longestReference + copySlack;

inline void copy8(uint8_t* to, const uint8_t* from) { std::memcpy(to, from, 8); }

// Copies `length` (2..17) bytes from `distance` behind `to`. `to` must have length + 8 bytes of
// room after it, and distance must not reach before the output's start.
inline void copyReference(uint8_t* to, size_t distance, size_t length)
{
    const uint8_t* from = to - distance;
    if (distance >= 8) {
        // Each eight-byte block reads only bytes already final: from + k + 8 <= to + k.
        copy8(to, from);
        copy8(to + 8, from + 8);
        if (length > 16) copy8(to + 16, from + 16);
    } else if (distance == 1) {
        std::memset(to, *from, length);
    } else {
        // The first eight bytes one by one; after them the output repeats with period
        // `span` (a multiple of the distance, 8..14), far enough back for eight-byte blocks.
        for (size_t k = 0; k < 8; ++k) to[k] = from[k];
        const size_t span = distance * ((8 + distance - 1) / distance);
        copy8(to + 8, to + 8 - span);
        if (length > 16) copy8(to + 16, to + 16 - span);
    }
}

}  // namespace

bool lzDecompress(int32_t outSize, uint8_t* out, const uint8_t* in, size_t inSize)
{
    if (outSize <= 0 || out == nullptr || in == nullptr) return false;
    const size_t outEnd = static_cast<size_t>(outSize);
    size_t at = 0;  // bytes of output written
    size_t ip = 0;  // bytes of input read

    while (at < outEnd) {
        if (ip >= inSize) return false;  // the stream ends before the output is full
        unsigned flags = in[ip++];

        if (inSize - ip >= groupInputBytes && outEnd - at >= groupOutputRoom) {
            if (flags == 0xFF) {  // eight literals
                copy8(out + at, in + ip);
                at += 8;
                ip += 8;
                continue;
            }
            for (int bit = 0; bit < 8; ++bit, flags >>= 1) {
                if (flags & 1) {
                    out[at++] = in[ip++];
                    continue;
                }
                const unsigned w = static_cast<unsigned>(in[ip]) | (static_cast<unsigned>(in[ip + 1]) << 8);
                ip += 2;
                const size_t length = (w & 15) + 2;
                const size_t distance = (w >> 4) + 1;
                if (distance > at) return false;  // reaches before the output's start
                copyReference(out + at, distance, length);
                at += length;
            }
            continue;
        }

        // Near either end: every item checked, and the unpacking stops as soon as the output
        // is full, even in the middle of a flag byte.
        for (int bit = 0; bit < 8 && at < outEnd; ++bit, flags >>= 1) {
            if (flags & 1) {
                if (ip >= inSize) return false;
                out[at++] = in[ip++];
                continue;
            }
            if (inSize - ip < 2) return false;
            const unsigned w = static_cast<unsigned>(in[ip]) | (static_cast<unsigned>(in[ip + 1]) << 8);
            ip += 2;
            const size_t length = (w & 15) + 2;
            const size_t distance = (w >> 4) + 1;
            if (distance > at) return false;
            if (length > outEnd - at) return false;  // longer than what remains of the output
            uint8_t* to = out + at;
            const uint8_t* from = to - distance;
            for (size_t k = 0; k < length; ++k) to[k] = from[k];
            at += length;
        }
    }
    return true;
}
