// damaged_archive_test.cpp: one damaged file, one wording, whichever command reads it:
// "orvane COMMAND: PATH: FAULT" for the archive, "orvane COMMAND: PATH: entry N: FAULT" for an
// entry; and 'list' keeps its columns whatever the file holds.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "demo/demo_data.h"
#include "support/little_endian.h"
#include "tests/support/run_command.h"
#include "tests/support/scratch_dir.h"

namespace {

// Every command that reads an archive, with F where the archive goes.
const std::vector<std::string> readers = {
    "list F",
    "check F",
    "extract F 0 out.bin",
    "dump F 0",
    "dump F --session 0:2,1",
    "bones F 0",
    "render F 0 -o out.png --palette palette.dmp",
    "render F 0 --turntable 2 -o out.gif --palette palette.dmp",
    "render F --sheet -o out.png --palette palette.dmp",
    "export F 0 -o out.glb --palette palette.dmp",
    "export F --all -o out --palette palette.dmp",
};

std::string commandOf(const std::string& reader) { return reader.substr(0, reader.find(' ')); }
std::string withArchive(std::string reader, const std::string& archive)
{
    return reader.replace(reader.find('F'), 1, archive);
}

Bytes word(uint32_t value)
{
    Bytes bytes(4);
    writeU32(bytes.data(), value);
    return bytes;
}

class DamagedArchives : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.write("palette.dmp", testPalette())); }

    CommandRun tool(const std::string& arguments) { return runToolIn(folder.path(), arguments); }

    TempDir folder;
};

TEST_F(DamagedArchives, EveryReadingCommandWordsAFaultTheSameWay)
{
    const Bytes sound = demoArchive();
    Bytes random = {0x14, 0xbd, 0x00, 0xb3, 0x5e, 0x77, 0x01, 0xfe, 0x9a, 0x33, 0x10};  // a negative first offset
    Bytes cutTable(sound.begin(), sound.begin() + 14);                                  // 8 slots announced, 3 held
    Bytes zeroOffset = word(0);
    zeroOffset.resize(40, 7);
    ASSERT_TRUE(folder.write("random.ZRK", random));
    ASSERT_TRUE(folder.write("cut.ZRK", cutTable));
    ASSERT_TRUE(folder.write("zero.ZRK", zeroOffset));
    ASSERT_TRUE(folder.write("short.ZRK", {8, 0}));
    std::filesystem::create_directory(folder.file("folder.ZRK"));
    ASSERT_EQ(mkfifo(folder.file("pipe.ZRK").c_str(), 0600), 0);

    for (const auto& [archive, fault] : std::vector<std::pair<std::string, std::string>>{
             {"folder.ZRK", "not a regular file"},
             {"/dev/zero", "not a regular file"},
             {"pipe.ZRK", "not a regular file"},
             {"missing.ZRK", "cannot open the archive (No such file or directory)"},
             {"short.ZRK", "too short to hold an offset table"},
             {"random.ZRK", "damaged offset table: the first offset gives a negative entry count"},
             {"zero.ZRK", "the offset table announces no entries"},
             {"cut.ZRK", "the offset table announces 8 entries; the file holds 3 slots"}}) {
        for (const std::string& reader : readers) {
            const CommandRun run = tool(withArchive(reader, archive));
            EXPECT_EQ(run.status, 1) << reader << " on " << archive;
            const std::string line = "orvane " + commandOf(reader) + ": " + archive + ": " + fault + "\n";
            EXPECT_EQ(run.err.substr(0, line.size()), line) << reader << " on " << archive;
        }
    }

    // The cut table: every entry-walking command goes through the same three slots.
    EXPECT_NE(tool("list cut.ZRK").out.find("\n3 entries, 3 damaged\n"), std::string::npos);
    EXPECT_NE(tool("check cut.ZRK").out.find("cut.ZRK: 3 entries, 3 with problems\n"), std::string::npos);
}

TEST_F(DamagedArchives, AnEntryFaultReadsTheSameInEveryCommand)
{
    Bytes archive = demoArchive();
    const uint32_t second = readU32(archive.data() + 4), third = readU32(archive.data() + 8);
    archive.resize((second + third) / 2);  // entry 1 cut inside its data
    ASSERT_TRUE(folder.write("cut.ZRK", archive));
    for (const std::string reader :
         {"extract F 1 out.bin", "dump F 1", "bones F 1", "render F 1 -o out.png", "render F 1 --views -o out.png",
          "export F 1 -o out.glb", "render F --sheet -o out.png"}) {
        const CommandRun run = tool(withArchive(reader, "cut.ZRK"));
        EXPECT_EQ(run.status, 1) << reader;
        EXPECT_NE(run.err.find("orvane " + commandOf(reader) + ": cut.ZRK: entry 1: truncated entry\n"),
                  std::string::npos)
            << reader << "\n"
            << run.err;
    }
    EXPECT_NE(tool("check cut.ZRK").out.find("cut.ZRK: entry 1: truncated entry\n"), std::string::npos);
    EXPECT_NE(tool("list cut.ZRK").out.find(" damaged  truncated entry\n"), std::string::npos);
}

TEST_F(DamagedArchives, ListKeepsItsColumnsWhateverTheValues)
{
    // Entry 0 sound; entry 1 a header of extremes: the largest sizes, the most negative mode;
    // entry 2's offset lies past the end of the file.
    Bytes archive = word(12);
    const Bytes body = {1, 2, 3};
    const uint32_t first = 12, extreme = first + 10 + 3;
    for (const uint32_t offset : {extreme, 0xfffffff0u}) {
        const Bytes w = word(offset);
        archive.insert(archive.end(), w.begin(), w.end());
    }
    for (const Bytes& part :
         {word(3), word(0), Bytes{0, 0}, body, word(0xffffffffu), word(0xffffffffu), Bytes{0x00, 0x80}})
        archive.insert(archive.end(), part.begin(), part.end());
    ASSERT_TRUE(folder.write("odd.ZRK", archive));

    const CommandRun run = tool("list odd.ZRK");
    EXPECT_EQ(run.status, 1);
    std::vector<std::string> rows;
    for (std::size_t at = 0, end; (end = run.out.find('\n', at)) != std::string::npos; at = end + 1)
        rows.push_back(run.out.substr(at, end - at));
    ASSERT_EQ(rows.size(), 5u) << run.out;
    EXPECT_EQ(rows[0], "index     offset   mode     stored   unpacked   ratio");
    EXPECT_EQ(rows[1], "    0         12      0          3          3  100.0%");
    EXPECT_EQ(rows[2], "    1         25 -32768 4294967295 4294967295 damaged  truncated entry");
    EXPECT_EQ(rows[3], "    2 4294967280      -          -          - damaged  truncated entry");
    EXPECT_EQ(rows[4], "3 entries, 2 damaged");
}

}  // namespace
