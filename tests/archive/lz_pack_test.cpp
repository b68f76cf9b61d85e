// lz_pack_test.cpp: the encoder's streams unpack byte for byte, and its parse is tight.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "archive/lz_decompress.h"
#include "tool/body_builder.h"
#include "tool/lz_pack.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes randomBytes(std::size_t size, unsigned alphabet, uint32_t seed)
{
    std::mt19937 rng(seed);
    Bytes out(size);
    for (uint8_t& b : out) b = static_cast<uint8_t>(rng() % alphabet);
    return out;
}

// Packs, unpacks into a buffer with guard bytes on both sides, and checks both.
::testing::AssertionResult roundTrips(const Bytes& data)
{
    const Bytes packed = lzPack(data);
    if (data.empty()) return packed.empty() ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << "empty input";
    Bytes out(data.size() + 32, 0xA5);
    if (!lzDecompress(static_cast<int32_t>(data.size()), out.data() + 16, packed.data(), packed.size()))
        return ::testing::AssertionFailure() << "refused, size " << data.size();
    for (std::size_t i = 0; i < 16; ++i) {
        if (out[i] != 0xA5 || out[out.size() - 1 - i] != 0xA5) return ::testing::AssertionFailure() << "guard overwritten";
    }
    if (!std::equal(data.begin(), data.end(), out.begin() + 16)) return ::testing::AssertionFailure() << "bytes differ, size " << data.size();
    // The unpacker reads no byte after the last item, so a shorter stream must be refused.
    if (lzDecompress(static_cast<int32_t>(data.size()), out.data() + 16, packed.data(), packed.size() - 1))
        return ::testing::AssertionFailure() << "stream has a spare byte at its end";
    return ::testing::AssertionSuccess();
}

Bytes sampleBody()
{
    BodyBuilder b;
    for (int i = 0; i < 60; ++i) b.addPoint(static_cast<int16_t>(i * 7 % 200 - 100), static_cast<int16_t>(i * 13 % 90), static_cast<int16_t>(-i));
    const int root = b.addBone(0, 30, 0, -1);
    b.addNormal(0, 0, 100, 100);
    b.addBone(30, 30, 3, root, 12, 40);
    b.addNormal(100, 0, 0, 100);
    for (int i = 0; i + 3 < 60; i += 2) b.addPolygon(1, static_cast<uint16_t>(16 + i % 5), {i, i + 1, i + 2, i + 3});
    for (int i = 0; i + 1 < 60; i += 5) b.addLine(9, i, i + 1);
    b.addSphere(3, 12, 5);
    return b.build();
}

}  // namespace

TEST(LzPack, RoundTripsVariedData)
{
    EXPECT_TRUE(roundTrips({}));
    EXPECT_TRUE(roundTrips({7}));
    EXPECT_TRUE(roundTrips({7, 7}));
    EXPECT_TRUE(roundTrips({7, 7, 7}));
    EXPECT_TRUE(roundTrips(Bytes(100000, 0)));
    EXPECT_TRUE(roundTrips(sampleBody()));
    for (std::size_t size : {1u, 2u, 17u, 18u, 100u, 4096u, 4097u, 9000u, 70000u}) {
        EXPECT_TRUE(roundTrips(randomBytes(size, 256, static_cast<uint32_t>(size))));
        EXPECT_TRUE(roundTrips(randomBytes(size, 2, static_cast<uint32_t>(size) + 1)));
        EXPECT_TRUE(roundTrips(randomBytes(size, 5, static_cast<uint32_t>(size) + 2)));
    }
    std::string text;
    for (int i = 0; i < 400; ++i) text += "bone " + std::to_string(i % 37) + " points " + std::to_string(i * i % 1000) + "\n";
    EXPECT_TRUE(roundTrips(Bytes(text.begin(), text.end())));
}

TEST(LzPack, ParsesRunsIntoTheFewestItems)
{
    // One literal, then 999 bytes in 59 references: 60 items need 8 flag bytes.
    EXPECT_EQ(lzPack(Bytes(1000, 0)).size(), 8u + 1u + 59u * 2u);
    // Eight literals need one flag byte each group.
    const Bytes distinct{1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(lzPack(distinct).size(), distinct.size() + 2);
    // A length-2 match saves one bit over two literals, so "abab" ends in a reference.
    EXPECT_EQ(lzPack(Bytes{'a', 'b', 'a', 'b'}).size(), 1u + 2u + 2u);
}

TEST(LzPack, ReachesBackExactlyTheWindow)
{
    // A random block repeated at distance 4096 packs its repeat into references...
    Bytes near = randomBytes(4096, 256, 11);
    Bytes twice = near;
    twice.insert(twice.end(), near.begin(), near.end());
    const std::size_t nearPacked = lzPack(twice).size();
    EXPECT_LT(nearPacked, 4096u * 9 / 8 + 241u * 17 / 8 + 64);
    EXPECT_TRUE(roundTrips(twice));
    // ... but at distance 4097 it is out of reach and stays mostly literals.
    Bytes far = randomBytes(4097, 256, 12);
    Bytes farTwice = far;
    farTwice.insert(farTwice.end(), far.begin(), far.end());
    EXPECT_GT(lzPack(farTwice).size(), 8000u);
    EXPECT_TRUE(roundTrips(farTwice));
}
