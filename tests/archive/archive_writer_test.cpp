// archive_writer_test.cpp: archives built by the writer load back entry by entry.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "archive/archive_loader.h"
#include "archive/little_endian.h"
#include "tool/archive_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Header {
    uint32_t unpacked, stored;
    int16_t mode;
};

Header headerOf(const Bytes& archive, std::size_t index)
{
    const uint32_t at = readU32(&archive.at(4 * index));
    return {readU32(&archive.at(at)), readU32(&archive.at(at + 4)), readI16(&archive.at(at + 8))};
}

// Every entry of `archive`, loaded through the viewer's loader from a file.
std::vector<Bytes> loadAll(const Bytes& archive, std::size_t count)
{
    char name[] = "/tmp/orvane-writer-XXXXXX";
    const int fd = mkstemp(name);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, archive.data(), archive.size()), static_cast<ssize_t>(archive.size()));
    close(fd);
    std::vector<Bytes> out;
    for (std::size_t i = 0; i < count; ++i) {
        uint8_t* data = nullptr;
        uint32_t size = 0;
        const ArchiveFault fault = loadArchiveEntry(name, static_cast<int16_t>(i), &data, &size);
        EXPECT_EQ(fault, ArchiveFault::none) << i << ": " << describeArchiveFault(fault);
        out.emplace_back(data, data + (fault == ArchiveFault::none ? size : 0));
        std::free(data);
    }
    uint8_t* beyond = nullptr;
    EXPECT_EQ(loadArchiveEntry(name, static_cast<int16_t>(count), &beyond), ArchiveFault::noSuchEntry);
    std::remove(name);
    return out;
}

std::vector<Bytes> sampleEntries()
{
    std::mt19937 rng(5);
    Bytes noise(3000);
    for (uint8_t& b : noise) b = static_cast<uint8_t>(rng());
    Bytes pattern;
    for (int i = 0; i < 5000; ++i) pattern.push_back(static_cast<uint8_t>(i % 13 * 3));
    return {pattern, noise, {}, {42}, Bytes(20000, 0xEE)};
}

}  // namespace

TEST(ArchiveWriter, PacksOnlyWhereSmallerAndLoadsBack)
{
    const std::vector<Bytes> entries = sampleEntries();
    const Bytes archive = buildArchive(entries);
    EXPECT_EQ(readU32(&archive[0]), 4 * entries.size());
    EXPECT_EQ(loadAll(archive, entries.size()), entries);

    const Header pattern = headerOf(archive, 0);
    EXPECT_EQ(pattern.mode, 1);
    EXPECT_EQ(pattern.unpacked, 5000u);
    EXPECT_LT(pattern.stored, 1000u);
    const Header noise = headerOf(archive, 1);
    EXPECT_EQ(noise.mode, 0);
    EXPECT_EQ(noise.stored, 3000u);
    EXPECT_EQ(headerOf(archive, 2).mode, 0);  // empty: nothing to pack
    EXPECT_EQ(headerOf(archive, 3).mode, 0);  // one byte cannot shrink
    EXPECT_EQ(headerOf(archive, 4).mode, 1);
    // Each entry's data ends where the next one's header begins.
    for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
        EXPECT_EQ(readU32(&archive[4 * i]) + 10 + headerOf(archive, i).stored, readU32(&archive[4 * i + 4]));
    }
    EXPECT_EQ(readU32(&archive[4 * (entries.size() - 1)]) + 10 + headerOf(archive, entries.size() - 1).stored, archive.size());
}

TEST(ArchiveWriter, StoresEverythingWhenAsked)
{
    const std::vector<Bytes> entries = sampleEntries();
    const Bytes archive = buildArchive(entries, EntryPacking::stored);
    std::size_t total = 4 * entries.size();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(headerOf(archive, i).mode, 0);
        total += 10 + entries[i].size();
    }
    EXPECT_EQ(archive.size(), total);
    EXPECT_EQ(loadAll(archive, entries.size()), entries);
}
