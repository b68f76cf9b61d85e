// archive_loader_test.cpp: loading entries from archive files, and refusing damaged ones.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/little_endian.h"
#include "tests/archive/archive_test_support.h"

namespace {

struct RawEntry {
    uint32_t unpackedSize, storedSize;
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

const Bytes packedAbaba{0x03, 0x61, 0x62, 0x11, 0x00};  // unpacks to "ababa"
const Bytes ababa{'a', 'b', 'a', 'b', 'a'};

std::string loaderFault(const std::vector<RawEntry>& entries) { return loadEntry(rawArchive(entries), 0).fault; }

}  // namespace

TEST(ArchiveLoader, LoadsStoredAndPackedEntriesExactly)
{
    const TempFile file(rawArchive({
        {4, 999, 0, {1, 2, 3, 4}},  // stored: the stored-size field plays no part
        {5, 5, 1, packedAbaba},
        {5, 9, 1, {0x03, 0x61, 0x62, 0x11, 0x00, 7, 7, 7, 7}},  // bytes after the stream unused
        {3, 0, -7, {9, 8, 7}},                                  // any mode <= 0 is stored
        {0, 0, 0, {}},
    }));
    EXPECT_EQ(loadEntry(file.path, 0).bytes, (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(loadEntry(file.path, 1).bytes, ababa);
    EXPECT_EQ(loadEntry(file.path, 2).bytes, ababa);
    EXPECT_EQ(loadEntry(file.path, 3).bytes, (Bytes{9, 8, 7}));
    const Loaded empty = loadEntry(file.path, 4);
    EXPECT_EQ(empty.fault, "");
    EXPECT_NE(empty.out, nullptr);
    EXPECT_TRUE(empty.bytes.empty());
}

TEST(ArchiveLoader, RefusesIndicesOutsideTheTableLeavingOutAlone)
{
    const Bytes archive = rawArchive({{1, 1, 0, {5}}, {1, 1, 0, {6}}});  // first offset 8: two entries
    const TempFile file(archive);
    EXPECT_EQ(loadEntry(file.path, 1).bytes, Bytes{6});
    for (int16_t index : {2, -1, 32767, -32768}) {
        const Loaded r = loadEntry(file.path, index);
        EXPECT_EQ(r.fault, archiveNoSuchEntry) << index;
        EXPECT_EQ(r.out, untouched) << index;
    }
    Bytes negative = archive;  // a first offset of 2^31 or more divides to a negative count
    writeU32(&negative[0], 0x80000008u);
    EXPECT_EQ(loadEntry(negative, 0).fault, archiveNoSuchEntry);

    EXPECT_EQ(loadEntry("/nonexistent/body.ZRK", 0).fault, archiveCannotOpen);
    uint8_t* out = untouched;
    EXPECT_STREQ(loadArchiveEntry(nullptr, 0, &out).reason, archiveCannotOpen);
    EXPECT_EQ(out, untouched);
}

TEST(ReadBlock, FailsOnANullStreamAndOnAShortRead)
{
    uint8_t bytes[8] = {};
    EXPECT_EQ(readBlock(nullptr, bytes, 1), 1);  // a failed read, not a crash
    const TempFile file({1, 2, 3});
    FILE* stream = std::fopen(file.path.c_str(), "rb");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(readBlock(stream, bytes, 0), 0);
    EXPECT_EQ(readBlock(stream, bytes, 2), 0);
    EXPECT_EQ(readBlock(stream, bytes, 2), 1) << "one byte was left";
    std::fclose(stream);
}

TEST(ArchiveLoader, RefusesTruncatedEntries)
{
    const Bytes good = rawArchive({{4, 4, 0, {1, 2, 3, 4}}, {5, 5, 1, packedAbaba}});
    const size_t entryEnds[] = {22, good.size()};
    for (size_t cut = 4; cut < good.size(); ++cut) {  // each entry loads only when all of it is there
        const TempFile file(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut)));
        for (int16_t index = 0; index < 2; ++index) {
            const Loaded r = loadEntry(file.path, index);
            EXPECT_EQ(r.fault, cut >= entryEnds[index] ? std::string() : std::string(archiveTruncated)) << cut;
            if (!r.fault.empty()) {
                EXPECT_EQ(r.out, untouched) << cut;
            }
        }
    }
    Bytes farOffset = good;
    writeU32(&farOffset[4], 0xFFFFFFF0u);
    EXPECT_EQ(loadEntry(farOffset, 1).fault, archiveTruncated);
    Bytes longTable = rawArchive({{1, 1, 0, {5}}});  // claims 1000 entries
    writeU32(&longTable[0], 4000);
    EXPECT_EQ(loadEntry(longTable, 999).fault, archiveTruncated);
    // Sizes claiming more than the file holds are refused before any allocation.
    EXPECT_EQ(loaderFault({{0xFFFFFFFFu, 4, 0, {1, 2, 3, 4}}}), archiveTruncated);
    EXPECT_EQ(loaderFault({{5, 0xFFFFFFFFu, 1, packedAbaba}}), archiveTruncated);
}

TEST(ArchiveLoader, RefusesUnsupportedModesAndDamagedPackedEntries)
{
    for (int16_t mode : {2, 3, 0x7FFF}) {
        const Loaded r = loadEntry(rawArchive({{4, 4, mode, {1, 2, 3, 4}}}), 0);
        EXPECT_EQ(r.fault, archiveUnsupportedMode) << mode;
        EXPECT_EQ(r.out, untouched);
    }
    // Over 8 output bytes per packed byte cannot come from the scheme; nor can nothing.
    EXPECT_EQ(loaderFault({{41, 5, 1, packedAbaba}}), archiveDamagedPacked);
    EXPECT_EQ(loaderFault({{0x7FFFFFFFu, 5, 1, packedAbaba}}), archiveDamagedPacked);
    EXPECT_EQ(loaderFault({{0, 5, 1, packedAbaba}}), archiveDamagedPacked);
    // Plausible sizes, but a stream that runs out, or reaches before the output's start.
    const Loaded r = loadEntry(rawArchive({{6, 5, 1, packedAbaba}}), 0);
    EXPECT_EQ(r.fault, archiveDamagedPacked);
    EXPECT_EQ(r.out, untouched);
    EXPECT_EQ(loaderFault({{3, 3, 1, {0x00, 0x00, 0x00}}}), archiveDamagedPacked);
}
