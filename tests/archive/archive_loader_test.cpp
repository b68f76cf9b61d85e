// archive_loader_test.cpp: loading entries from archive files, and refusing damaged ones.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "archive/archive_loader.h"
#include "archive/little_endian.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct RawEntry {
    uint32_t unpackedSize;
    uint32_t storedSize;
    int16_t mode;
    Bytes data;
};

// An archive laid out field by field, whatever the fields say.
Bytes rawArchive(const std::vector<RawEntry>& entries)
{
    Bytes out(4 * entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        writeU32(&out[4 * i], static_cast<uint32_t>(out.size()));
        const size_t at = out.size();
        out.resize(at + 10);
        writeU32(&out[at], entries[i].unpackedSize);
        writeU32(&out[at + 4], entries[i].storedSize);
        writeU16(&out[at + 8], static_cast<uint16_t>(entries[i].mode));
        out.insert(out.end(), entries[i].data.begin(), entries[i].data.end());
    }
    return out;
}

// A file in the temporary folder holding `bytes`, removed when the test's object dies.
struct TempFile {
    std::string path;
    explicit TempFile(const Bytes& bytes)
    {
        char name[] = "/tmp/orvane-archive-XXXXXX";
        const int fd = mkstemp(name);
        EXPECT_GE(fd, 0);
        path = name;
        if (!bytes.empty()) {
            EXPECT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        }
        close(fd);
    }
    ~TempFile() { std::remove(path.c_str()); }
};

uint8_t sentinelByte;
uint8_t* const sentinel = &sentinelByte;

struct Loaded {
    ArchiveFault fault;
    Bytes bytes;
    uint8_t* out;  // the out pointer after the call (sentinel when untouched)
};

Loaded load(const Bytes& archive, int16_t index)
{
    TempFile file(archive);
    uint8_t* out = sentinel;
    uint32_t size = 0xDEADBEEF;
    Loaded result{loadArchiveEntry(file.path.c_str(), index, &out, &size), {}, out};
    if (result.fault == ArchiveFault::none) {
        result.bytes.assign(out, out + size);
        std::free(out);
    }
    return result;
}

const Bytes packedAbaba{0x03, 0x61, 0x62, 0x11, 0x00};  // unpacks to "ababa"

}  // namespace

TEST(ArchiveLoader, LoadsStoredAndPackedEntriesExactly)
{
    const Bytes archive = rawArchive({
        {4, 999, 0, {1, 2, 3, 4}},                 // stored: the stored-size field plays no part
        {5, 5, 1, packedAbaba},
        {5, 9, 1, {0x03, 0x61, 0x62, 0x11, 0x00, 7, 7, 7, 7}},  // packed, trailing bytes unused
        {3, 0, -7, {9, 8, 7}},                    // any mode <= 0 is stored
        {0, 0, 0, {}},                            // an empty stored entry
    });
    EXPECT_EQ(load(archive, 0).bytes, (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(load(archive, 1).bytes, (Bytes{'a', 'b', 'a', 'b', 'a'}));
    EXPECT_EQ(load(archive, 2).bytes, (Bytes{'a', 'b', 'a', 'b', 'a'}));
    EXPECT_EQ(load(archive, 3).bytes, (Bytes{9, 8, 7}));
    const Loaded empty = load(archive, 4);
    EXPECT_EQ(empty.fault, ArchiveFault::none);
    EXPECT_TRUE(empty.bytes.empty());
}

TEST(ArchiveLoader, RefusesIndicesOutsideTheTableLeavingOutAlone)
{
    // The first offset is 8: two entries.
    const Bytes archive = rawArchive({{1, 1, 0, {5}}, {1, 1, 0, {6}}});
    EXPECT_EQ(load(archive, 1).bytes, Bytes{6});
    for (int16_t index : {int16_t{2}, int16_t{-1}, int16_t{32767}, int16_t{-32768}}) {
        const Loaded r = load(archive, index);
        EXPECT_EQ(r.fault, ArchiveFault::noSuchEntry) << index;
        EXPECT_EQ(r.out, sentinel) << index;
    }
    // A first offset of 2^31 or more counts as negative: no entries at all.
    Bytes negative = archive;
    writeU32(&negative[0], 0x80000008u);
    EXPECT_EQ(load(negative, 0).fault, ArchiveFault::noSuchEntry);

    uint8_t* out = sentinel;
    EXPECT_EQ(loadArchiveEntry("/nonexistent/body.ZRK", 0, &out), ArchiveFault::cannotOpen);
    EXPECT_EQ(loadArchiveEntry(nullptr, 0, &out), ArchiveFault::cannotOpen);
    EXPECT_EQ(out, sentinel);
}

TEST(ArchiveLoader, RefusesTruncatedEntries)
{
    const Bytes good = rawArchive({{4, 4, 0, {1, 2, 3, 4}}, {5, 5, 1, packedAbaba}});
    // Cut anywhere: each entry loads only when every byte of it is there.
    for (size_t cut = 0; cut < good.size(); ++cut) {
        const Bytes shortened(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
        for (int16_t index = 0; index < 2; ++index) {
            const Loaded r = load(shortened, index);
            const size_t entryEnd = index == 0 ? 22 : good.size();
            if (cut >= entryEnd) {
                EXPECT_EQ(r.fault, ArchiveFault::none) << cut << " " << index;
            } else {
                EXPECT_NE(r.fault, ArchiveFault::none) << cut << " " << index;
                EXPECT_EQ(r.out, sentinel) << cut << " " << index;
                if (cut >= 4) {
                    EXPECT_EQ(r.fault, ArchiveFault::truncated) << cut << " " << index;
                }
            }
        }
    }
    // Offsets pointing past the end of the file, and sizes claiming more than it holds.
    Bytes badOffset = good;
    writeU32(&badOffset[4], 0xFFFFFFF0u);
    EXPECT_EQ(load(badOffset, 1).fault, ArchiveFault::truncated);
    EXPECT_EQ(load(rawArchive({{0xFFFFFFFFu, 4, 0, {1, 2, 3, 4}}}), 0).fault, ArchiveFault::truncated);
    EXPECT_EQ(load(rawArchive({{5, 0xFFFFFFFFu, 1, packedAbaba}}), 0).fault, ArchiveFault::truncated);
    // A table claiming more entries than the file has room for.
    Bytes longTable = rawArchive({{1, 1, 0, {5}}});
    writeU32(&longTable[0], 4000);
    EXPECT_EQ(load(longTable, 999).fault, ArchiveFault::truncated);
}

TEST(ArchiveLoader, RefusesUnsupportedModesAndImpossiblePackedSizes)
{
    for (int16_t mode : {int16_t{2}, int16_t{3}, int16_t{0x7FFF}}) {
        const Loaded r = load(rawArchive({{4, 4, mode, {1, 2, 3, 4}}}), 0);
        EXPECT_EQ(r.fault, ArchiveFault::unsupportedMode) << mode;
        EXPECT_EQ(r.out, sentinel);
    }
    // More than 8 output bytes per packed byte cannot come from this scheme; nor can nothing.
    EXPECT_EQ(load(rawArchive({{41, 5, 1, packedAbaba}}), 0).fault, ArchiveFault::damagedPacked);
    EXPECT_EQ(load(rawArchive({{0x7FFFFFFFu, 5, 1, packedAbaba}}), 0).fault, ArchiveFault::damagedPacked);
    EXPECT_EQ(load(rawArchive({{0, 5, 1, packedAbaba}}), 0).fault, ArchiveFault::damagedPacked);
    // Sizes that fit the bound but a stream that cannot fill them, or reaches back too far.
    EXPECT_EQ(load(rawArchive({{6, 5, 1, packedAbaba}}), 0).fault, ArchiveFault::damagedPacked);
    EXPECT_EQ(load(rawArchive({{3, 3, 1, {0x00, 0x00, 0x00}}}), 0).fault, ArchiveFault::damagedPacked);
    const Loaded r = load(rawArchive({{6, 5, 1, packedAbaba}}), 0);
    EXPECT_EQ(r.out, sentinel);
}

TEST(ArchiveLoader, ReadBlockReportsNullStreamsAndShortReads)
{
    uint8_t buffer[8];
    EXPECT_EQ(readBlock(nullptr, buffer, 8), 1);
    TempFile file(Bytes{1, 2, 3, 4, 5});
    FILE* stream = std::fopen(file.path.c_str(), "rb");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(readBlock(stream, buffer, 4), 0);
    EXPECT_EQ(buffer[3], 4);
    EXPECT_EQ(readBlock(stream, buffer, 4), 1);  // one byte left
    std::fclose(stream);

    EXPECT_STREQ(describeArchiveFault(ArchiveFault::truncated), "truncated entry");
    EXPECT_STREQ(describeArchiveFault(ArchiveFault::damagedPacked), "damaged packed data");
}
