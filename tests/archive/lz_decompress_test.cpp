// lz_decompress_test.cpp: the unpacker's exact output, and its refusal of malformed streams.
#include <gtest/gtest.h>

#include <algorithm>

#include "archive/lz_decompress.h"
#include "tests/archive/archive_test_support.h"

namespace {

// Unpacks `in` into exactly `outSize` bytes; an empty result means refused.
Bytes unpack(const Bytes& in, int32_t outSize)
{
    Bytes out(static_cast<size_t>(outSize > 0 ? outSize : 0));
    if (!lzDecompress(outSize, out.data(), in.data(), in.size())) return {};
    return out;
}

// Writes a stream item by item, and beside it what unpacking must give, copied byte by byte.
struct StreamWriter {
    Bytes stream, expected;
    size_t flagAt = 0;
    int bit = 8;
    void item(bool literal)
    {
        if (bit == 8) {
            flagAt = stream.size();
            stream.push_back(0);
            bit = 0;
        }
        if (literal) stream[flagAt] = static_cast<uint8_t>(stream[flagAt] | (1 << bit));
        ++bit;
    }
    void literals(size_t count)
    {
        for (size_t k = 0; k < count; ++k) {
            item(true);
            stream.push_back(static_cast<uint8_t>(0x30 + k * 7 + expected.size()));
            expected.push_back(stream.back());
        }
    }
    void reference(unsigned distance, unsigned length)
    {
        item(false);
        const unsigned w = ((distance - 1) << 4) | (length - 2);
        stream.push_back(static_cast<uint8_t>(w));
        stream.push_back(static_cast<uint8_t>(w >> 8));
        // A reference before the start (a stream that must be refused) expects zeros, never reads outside.
        for (unsigned k = 0; k < length; ++k)
            expected.push_back(distance <= expected.size() ? expected[expected.size() - distance] : 0);
    }
    Bytes run() const { return unpack(stream, static_cast<int32_t>(expected.size())); }
};

}  // namespace

TEST(LzDecompress, WorkedExamples)
{
    // Two literals, then length 3 at distance 2; the stop comes after three of eight bits, and
    // bytes after the last item are never read.
    EXPECT_EQ(unpack({0x03, 0x61, 0x62, 0x11, 0x00}, 5), (Bytes{0x61, 0x62, 0x61, 0x62, 0x61}));
    EXPECT_EQ(unpack({0x03, 0x61, 0x62, 0x11, 0x00, 0xEE}, 5), (Bytes{0x61, 0x62, 0x61, 0x62, 0x61}));
    EXPECT_EQ(unpack({0x01, 0x7A}, 1), Bytes{0x7A});
    EXPECT_EQ(unpack({0x01, 0x42, 0x0F, 0x00}, 18), Bytes(18, 0x42));  // distance 1, length 17
    StreamWriter literalsOnly;
    literalsOnly.literals(320);
    EXPECT_EQ(literalsOnly.stream.size(), 320u + 40u);
    EXPECT_EQ(literalsOnly.run(), literalsOnly.expected);
}

// Every distance 1..24 with every length, far from the buffers' ends (where groups run
// unchecked) and as the stream's last item (the checked path).
TEST(LzDecompress, OverlappingReferencesRepeatLikeByteCopies)
{
    for (unsigned distance = 1; distance <= 24; ++distance) {
        for (unsigned length = 2; length <= 17; ++length) {
            StreamWriter middle;
            middle.literals(24);
            for (int k = 0; k < 8; ++k) middle.reference(distance, length);
            middle.literals(200);
            EXPECT_EQ(middle.run(), middle.expected) << distance << "/" << length;

            StreamWriter last;
            last.literals(24);
            last.reference(distance, length);
            EXPECT_EQ(last.run(), last.expected) << distance << "/" << length;
        }
    }
}

TEST(LzDecompress, RefusesMalformedStreamsWithinItsBuffers)
{
    const struct {
        const char* fault;
        Bytes stream;
        int32_t size;
    } refused[] = {
        {"a reference with nothing written", {0x00, 0x00, 0x00}, 2},
        {"distance 3 with 2 bytes written", {0x03, 0x61, 0x62, 0x20, 0x00}, 5},
        {"the stream ends after a flag byte", {0x01}, 1},
        {"the stream ends inside a reference", {0x01, 0x61, 0x00}, 5},
        {"an empty stream", {}, 4},
        {"5 bytes into the last 4", {0x01, 0x61, 0x03, 0x00}, 5},
        {"no room at all", {0x01, 0x61}, 0},
        {"a negative size", {0x01, 0x61}, -5},
    };
    for (const auto& c : refused) {
        Bytes out(static_cast<size_t>(std::max(c.size, 0)));
        EXPECT_FALSE(lzDecompress(c.size, out.data(), c.stream.data(), c.stream.size())) << c.fault;
    }

    StreamWriter tooFar;  // the same faults deep in a long stream, where groups run unchecked
    tooFar.literals(240);
    tooFar.reference(241, 17);
    tooFar.literals(300);
    EXPECT_TRUE(tooFar.run().empty());
    StreamWriter cut;
    cut.literals(600);
    cut.stream.resize(300);
    EXPECT_TRUE(cut.run().empty());
}
