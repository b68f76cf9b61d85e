// lz_decompress_test.cpp: the unpacker's exact output, and its refusal of malformed streams.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "archive/lz_decompress.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Unpacks `in` into exactly `outSize` bytes; an empty result means refused.
Bytes unpack(const Bytes& in, int32_t outSize)
{
    Bytes out(static_cast<size_t>(outSize > 0 ? outSize : 0));
    if (!lzDecompress(outSize, out.data(), in.data(), in.size())) return {};
    return out;
}

uint16_t reference(unsigned distance, unsigned length) { return static_cast<uint16_t>(((distance - 1) << 4) | (length - 2)); }

void putReference(Bytes& s, unsigned distance, unsigned length)
{
    const uint16_t w = reference(distance, length);
    s.push_back(static_cast<uint8_t>(w));
    s.push_back(static_cast<uint8_t>(w >> 8));
}

}  // namespace

TEST(LzDecompress, WorkedExamples)
{
    // Two literals, then length 3 at distance 2; the stop comes after three of eight bits.
    EXPECT_EQ(unpack({0x03, 0x61, 0x62, 0x11, 0x00}, 5), (Bytes{0x61, 0x62, 0x61, 0x62, 0x61}));
    // Output of one byte: one flag byte, one literal, whatever follows is never read.
    EXPECT_EQ(unpack({0x01, 0x7A}, 1), (Bytes{0x7A}));
    // Distance 1 length 17 repeats the byte before it.
    Bytes expected(18, 0x42);
    EXPECT_EQ(unpack({0x01, 0x42, 0x0F, 0x00}, 18), expected);
}

TEST(LzDecompress, LiteralsOnlyUseOneFlagBytePerEight)
{
    Bytes stream;
    Bytes expected;
    for (int group = 0; group < 40; ++group) {  // long enough for the unchecked group path
        stream.push_back(0xFF);
        for (int k = 0; k < 8; ++k) {
            const uint8_t b = static_cast<uint8_t>(group * 8 + k);
            stream.push_back(b);
            expected.push_back(b);
        }
    }
    EXPECT_EQ(unpack(stream, static_cast<int32_t>(expected.size())), expected);
}

// Every distance 1..20 with every length, far from the buffer's ends (the fast path) and at the
// very end (the checked path), against a byte-by-byte model of the scheme.
TEST(LzDecompress, OverlappingReferencesRepeatLikeByteCopies)
{
    for (unsigned distance = 1; distance <= 20; ++distance) {
        for (unsigned length = 2; length <= 17; ++length) {
            Bytes stream;
            Bytes model;
            // 24 distinct literals, then eight copies of the reference, then 200 literals.
            for (int g = 0; g < 3; ++g) {
                stream.push_back(0xFF);
                for (int k = 0; k < 8; ++k) {
                    stream.push_back(static_cast<uint8_t>(0x10 + model.size()));
                    model.push_back(stream.back());
                }
            }
            stream.push_back(0x00);
            for (int k = 0; k < 8; ++k) {
                putReference(stream, distance, length);
                for (unsigned c = 0; c < length; ++c) model.push_back(model[model.size() - distance]);
            }
            for (int g = 0; g < 25; ++g) {
                stream.push_back(0xFF);
                for (int k = 0; k < 8; ++k) {
                    stream.push_back(static_cast<uint8_t>(g ^ k));
                    model.push_back(stream.back());
                }
            }
            EXPECT_EQ(unpack(stream, static_cast<int32_t>(model.size())), model) << distance << "/" << length;

            // The same reference as the stream's last item, ending the output exactly.
            Bytes tail{0x01, 0x55};  // bit 0 a literal, bit 1 the reference
            Bytes tailModel{0x55};
            if (distance > 1) {
                tail.clear();
                tailModel.clear();
                for (unsigned k = 0; k < 24; ++k) {
                    if (k % 8 == 0) tail.push_back(0xFF);
                    tail.push_back(static_cast<uint8_t>(k + 1));
                    tailModel.push_back(static_cast<uint8_t>(k + 1));
                }
                tail.push_back(0x00);
            }
            putReference(tail, distance, length);
            for (unsigned c = 0; c < length; ++c) tailModel.push_back(tailModel[tailModel.size() - distance]);
            EXPECT_EQ(unpack(tail, static_cast<int32_t>(tailModel.size())), tailModel) << distance << "/" << length;
        }
    }
}

TEST(LzDecompress, RefusesMalformedStreamsWithinItsBuffers)
{
    // A reference before the output's start: first item, and one byte too far later on.
    EXPECT_TRUE(unpack({0x00, 0x00, 0x00}, 2).empty());
    EXPECT_TRUE(unpack({0x03, 0x61, 0x62, 0x20, 0x00}, 5).empty());  // distance 3 with 2 written
    // A stream ending before the output is full: after a flag byte, mid-reference, mid-group.
    EXPECT_TRUE(unpack({0x01}, 1).empty());
    EXPECT_TRUE(unpack({0x01, 0x61, 0x00}, 5).empty());
    EXPECT_TRUE(unpack({0x03, 0x61}, 5).empty());
    EXPECT_TRUE(unpack({}, 4).empty());
    // A reference longer than what remains: 4 bytes wanted, 5 would be written.
    EXPECT_TRUE(unpack({0x01, 0x61, 0x03, 0x00}, 4).empty());
    // No output at all.
    EXPECT_TRUE(unpack({0x01, 0x61}, 0).empty());
    EXPECT_TRUE(unpack({0x01, 0x61}, -5).empty());

    // A refusal far into a long stream, where the unchecked group path is running.
    Bytes longStream;
    for (int g = 0; g < 30; ++g) {
        longStream.push_back(0xFF);
        for (int k = 0; k < 8; ++k) longStream.push_back(static_cast<uint8_t>(k));
    }
    longStream.push_back(0x00);
    putReference(longStream, 4096, 17);  // only 240 bytes written so far
    for (int k = 0; k < 40; ++k) longStream.push_back(0);
    EXPECT_TRUE(unpack(longStream, 1000).empty());
}

TEST(LzDecompress, IgnoresBytesAfterTheOutputIsFull)
{
    EXPECT_EQ(unpack({0x03, 0x61, 0x62, 0x11, 0x00, 0xEE, 0xEE, 0xEE}, 5), (Bytes{0x61, 0x62, 0x61, 0x62, 0x61}));
}
