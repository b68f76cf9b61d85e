// lz_pack.cpp: the LZ encoder: hash-chain match finding, then an optimal parse.
#include "archive/lz_pack.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int hashBits = 15;
constexpr std::size_t hashSize = std::size_t{1} << hashBits;
constexpr int chainDepth = 512;  // candidates tried per position; deeper rarely pays
constexpr std::size_t none = std::numeric_limits<std::size_t>::max();

std::size_t hash3(const uint8_t* p)
{
    const uint32_t v =
        static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16);
    return (v * 2654435761u) >> (32 - hashBits);
}

struct Match {
    uint16_t length = 0;    // 0 when none of at least lzMinMatch bytes was found
    uint16_t distance = 0;  // 1..lzWindow
};

// The longest match (up to lzMaxMatch) at every position, within the window.
std::vector<Match> findMatches(const uint8_t* data, std::size_t size)
{
    std::vector<Match> matches(size);
    std::vector<std::size_t> head(hashSize, none);
    std::vector<std::size_t> previous(size, none);
    std::vector<std::size_t> lastPair(65536, none);  // most recent position of each 2-byte pair

    for (std::size_t i = 0; i + lzMinMatch <= size; ++i) {
        const std::size_t limit = std::min(lzMaxMatch, size - i);
        Match best;
        if (i + 3 <= size) {
            const std::size_t h = hash3(data + i);
            int depth = chainDepth;
            for (std::size_t j = head[h]; j != none && i - j <= lzWindow && depth-- > 0; j = previous[j]) {
                if (best.length > 0 && data[j + best.length] != data[i + best.length]) continue;  // cannot beat best
                std::size_t length = 0;
                while (length < limit && data[j + length] == data[i + length]) ++length;
                if (length > best.length) {
                    best.length = static_cast<uint16_t>(length);
                    best.distance = static_cast<uint16_t>(i - j);
                    if (length == limit) break;
                }
            }
            previous[i] = head[h];
            head[h] = i;
        }
        const std::size_t pair = static_cast<std::size_t>(data[i]) | (static_cast<std::size_t>(data[i + 1]) << 8);
        if (best.length < lzMinMatch && lastPair[pair] != none && i - lastPair[pair] <= lzWindow) {
            best.length = static_cast<uint16_t>(lzMinMatch);
            best.distance = static_cast<uint16_t>(i - lastPair[pair]);
        }
        lastPair[pair] = i;
        if (best.length >= lzMinMatch) matches[i] = best;
    }
    return matches;
}

}  // namespace

std::vector<uint8_t> lzPack(const uint8_t* data, std::size_t size)
{
    std::vector<uint8_t> out;
    if (size == 0) return out;
    const std::vector<Match> matches = findMatches(data, size);

    // cost[i]: fewest bits to encode data[i..] (9 per literal, 17 per reference, flag bits
    // included); step[i]: the length of the first item on that path (1 = literal).
    constexpr uint64_t literalBits = 9, referenceBits = 17;
    std::vector<uint64_t> cost(size + 1, 0);
    std::vector<uint8_t> step(size, 1);
    for (std::size_t i = size; i-- > 0;) {
        cost[i] = literalBits + cost[i + 1];
        for (std::size_t length = lzMinMatch; length <= matches[i].length; ++length) {
            const uint64_t c = referenceBits + cost[i + length];
            if (c < cost[i]) {
                cost[i] = c;
                step[i] = static_cast<uint8_t>(length);
            }
        }
    }

    out.reserve(size + size / 8 + 1);
    std::size_t flagAt = 0;
    int bit = 8;
    for (std::size_t i = 0; i < size; i += step[i]) {
        if (bit == 8) {
            flagAt = out.size();
            out.push_back(0);
            bit = 0;
        }
        if (step[i] == 1) {
            out[flagAt] = static_cast<uint8_t>(out[flagAt] | (1u << bit));
            out.push_back(data[i]);
        } else {
            const unsigned w = ((static_cast<unsigned>(matches[i].distance) - 1) << 4) | (step[i] - lzMinMatch);
            out.push_back(static_cast<uint8_t>(w));
            out.push_back(static_cast<uint8_t>(w >> 8));
        }
        ++bit;
    }
    return out;
}
