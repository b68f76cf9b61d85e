// palette_file_test.cpp: reading palette files of every length, and refusing missing ones.
#include <gtest/gtest.h>

#include <cstring>

#include "image/palette_file.h"
#include "tests/support/scratch_dir.h"

TEST(PaletteFile, ReadsTheFirst768BytesAndBlacksOutWhatAShortFileLacks)
{
    TempDir folder;
    Bytes bytes(1000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 1);
    ASSERT_TRUE(folder.write("long.dmp", bytes));
    ASSERT_TRUE(folder.write("short.dmp", {200, 100, 50, 9}));
    ASSERT_TRUE(folder.write("empty.dmp", {}));

    Palette palette;
    std::memset(palette, 0, sizeof palette);
    // Longer than 768: the first 768 bytes, in red, green, blue order.
    ASSERT_FALSE(readPalette(folder.file("long.dmp").c_str(), palette));
    EXPECT_EQ(palette[0][0], bytes[0]);
    EXPECT_EQ(palette[0][2], bytes[2]);
    EXPECT_EQ(palette[1][0], bytes[3]);
    EXPECT_EQ(palette[255][2], bytes[767]);

    // Short, over the colours read before: what is there is read, the rest is black again.
    ASSERT_FALSE(readPalette(folder.file("short.dmp").c_str(), palette));
    EXPECT_EQ(palette[0][0], 200);
    EXPECT_EQ(palette[0][1], 100);
    EXPECT_EQ(palette[0][2], 50);
    EXPECT_EQ(palette[1][0], 9);
    EXPECT_EQ(palette[1][1], 0);
    EXPECT_EQ(palette[255][2], 0);

    ASSERT_FALSE(readPalette(folder.file("long.dmp").c_str(), palette));
    ASSERT_FALSE(readPalette(folder.file("empty.dmp").c_str(), palette));
    EXPECT_EQ(palette[128][1], 0);

    // Missing: refused with the file named, palette untouched.
    palette[3][1] = 77;
    const Fault missing = readPalette(folder.file("no-such-palette.dmp").c_str(), palette);
    ASSERT_TRUE(missing);
    EXPECT_NE(std::strstr(missing.reason, "no-such-palette.dmp"), nullptr) << missing.reason;
    EXPECT_EQ(palette[3][1], 77);
}
