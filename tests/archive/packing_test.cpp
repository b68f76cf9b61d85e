// packing_test.cpp: the encoder's streams and the writer's archives load back byte for byte.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/little_endian.h"
#include "archive/lz_decompress.h"
#include "tests/archive/archive_test_support.h"
#include "archive/archive_writer.h"
#include "archive/lz_pack.h"
#include "testkit/sample_bodies.h"

namespace {

Bytes randomBytes(size_t size, unsigned alphabet, uint32_t seed)
{
    std::mt19937 rng(seed);
    Bytes out(size);
    for (uint8_t& b : out) b = static_cast<uint8_t>(rng() % alphabet);
    return out;
}

// Packs and unpacks between guard bytes; the stream must also hold no spare byte at its end.
void expectRoundTrip(const Bytes& data)
{
    const Bytes packed = lzPack(data);
    Bytes out(data.size() + 32, 0xA5);
    const int32_t size = static_cast<int32_t>(data.size());
    ASSERT_TRUE(lzDecompress(size, out.data() + 16, packed.data(), packed.size())) << data.size();
    EXPECT_EQ(Bytes(out.begin() + 16, out.end() - 16), data);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 16), Bytes(16, 0xA5));
    EXPECT_EQ(Bytes(out.end() - 16, out.end()), Bytes(16, 0xA5));
    EXPECT_FALSE(lzDecompress(size, out.data() + 16, packed.data(), packed.size() - 1)) << data.size();
}

Bytes twice(const Bytes& block)
{
    Bytes out = block;
    out.insert(out.end(), block.begin(), block.end());
    return out;
}

struct Header {
    uint32_t unpacked, stored;
    int16_t mode;
};
Header headerOf(const Bytes& archive, size_t index)
{
    const uint32_t at = readU32(&archive.at(4 * index));
    return {readU32(&archive.at(at)), readU32(&archive.at(at + 4)), readI16(&archive.at(at + 8))};
}

}  // namespace

TEST(LzPack, RoundTripsVariedData)
{
    EXPECT_TRUE(lzPack(Bytes{}).empty());
    expectRoundTrip(Bytes(100000, 0));
    expectRoundTrip(sampleBodies(0, 20));
    for (size_t size : {1u, 2u, 3u, 17u, 18u, 4097u, 70000u}) {
        for (unsigned alphabet : {2u, 5u, 256u})
            expectRoundTrip(randomBytes(size, alphabet, static_cast<uint32_t>(size + alphabet)));
    }
    // Repeats at exactly the window's reach pack into references; one byte further they cannot.
    const Bytes near = twice(randomBytes(4096, 256, 11));
    expectRoundTrip(near);
    EXPECT_LT(lzPack(near).size(), 4096u * 9 / 8 + 241u * 17 / 8 + 64);
    const Bytes far = twice(randomBytes(4097, 256, 12));
    expectRoundTrip(far);
    EXPECT_GT(lzPack(far).size(), 8000u);
}

TEST(LzPack, ParsesIntoTheFewestBytes)
{
    EXPECT_EQ(lzPack(Bytes(1000, 0)).size(), 8u + 1u + 59u * 2u);     // 1 literal, 59 references: 60 items
    EXPECT_EQ(lzPack(Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9}).size(), 11u);  // literals: a flag byte per eight
    EXPECT_EQ(lzPack(Bytes{'a', 'b', 'a', 'b'}).size(), 5u);          // a 2-byte match saves a bit over two literals
}

TEST(ArchiveWriter, PacksOnlyWhereSmallerAndLoadsBack)
{
    const std::vector<Bytes> entries{sampleBody(3), randomBytes(3000, 256, 5), {}, {42}, Bytes(20000, 0xEE)};
    for (EntryPacking packing : {EntryPacking::packedIfSmaller, EntryPacking::stored}) {
        const Bytes archive = archiveOf(entries, packing);
        const TempFile file(archive);
        EXPECT_EQ(readU32(&archive[0]), 4 * entries.size());
        size_t end = 4 * entries.size();
        for (size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(loadEntry(file.path, static_cast<int16_t>(i)).bytes, entries[i]) << i;
            const Header h = headerOf(archive, i);
            EXPECT_EQ(readU32(&archive[4 * i]), end) << i;  // entries back to back
            end += 10 + h.stored;
            EXPECT_EQ(h.unpacked, entries[i].size());
            const bool shouldPack = packing == EntryPacking::packedIfSmaller && (i == 0 || i == 4);
            EXPECT_EQ(h.mode, shouldPack ? 1 : 0) << i;
            if (shouldPack) {
                EXPECT_LT(h.stored, h.unpacked);
            } else {
                EXPECT_EQ(h.stored, h.unpacked);
            }
        }
        EXPECT_EQ(end, archive.size());
        EXPECT_EQ(loadEntry(file.path, static_cast<int16_t>(entries.size())).fault, std::string(archiveNoSuchEntry));
    }
}
