// startup_test.cpp: the palette read and start-up's failures, the latter on the real viewer.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/startup.h"
#include "app/viewer_state.h"
#include "tests/app/shell_fixture.h"

namespace {

using PaletteRead = ShellState;

void writeFile(const char* name, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST_F(PaletteRead, FullShortLongAndMissingFiles)
{
    std::memset(palette, 0, sizeof palette);
    std::vector<uint8_t> bytes(1000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 1);

    // Longer than 768: the first 768 bytes, in red, green, blue order.
    writeFile("palette.dmp", bytes);
    ASSERT_TRUE(readPalette("palette.dmp"));
    EXPECT_EQ(palette[0][0], bytes[0]);
    EXPECT_EQ(palette[0][2], bytes[2]);
    EXPECT_EQ(palette[1][0], bytes[3]);
    EXPECT_EQ(palette[255][2], bytes[767]);

    // Short: what is there is read, the rest stays black.
    std::memset(palette, 0, sizeof palette);
    writeFile("short.dmp", {200, 100, 50, 9});
    ASSERT_TRUE(readPalette("short.dmp"));
    EXPECT_EQ(palette[0][0], 200);
    EXPECT_EQ(palette[0][1], 100);
    EXPECT_EQ(palette[0][2], 50);
    EXPECT_EQ(palette[1][0], 9);
    EXPECT_EQ(palette[1][1], 0);
    EXPECT_EQ(palette[255][2], 0);

    writeFile("empty.dmp", {});
    EXPECT_TRUE(readPalette("empty.dmp"));

    // Missing: refused, palette untouched.
    palette[3][1] = 77;
    EXPECT_FALSE(readPalette("no-such-palette.dmp"));
    EXPECT_EQ(palette[3][1], 77);
}

// Runs the viewer in `folder` with SDL's display-less driver; returns its exit status.
int runViewer(const std::filesystem::path& folder, const char* videoDriver, std::string* out, std::string* err)
{
    const std::string outPath = (folder / "stdout.txt").string();
    const std::string errPath = (folder / "stderr.txt").string();
    const std::string command = "cd '" + folder.string() + "' && SDL_VIDEODRIVER=" + videoDriver + " timeout 20 '" +
                                ORVANE_VIEWER_PATH + "' >'" + outPath + "' 2>'" + errPath + "' </dev/null";
    const int raw = std::system(command.c_str());
    *out = readFile(outPath);
    *err = readFile(errPath);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

using StartUp = ShellState;

TEST_F(StartUp, MissingPaletteStopsWithItsMessageOnStandardOutput)
{
    // The dummy driver has no OpenGL: the failed video mode is reported and start-up goes on
    // to the palette.
    std::string out, err;
    EXPECT_EQ(runViewer(folder, "dummy", &out, &err), 1);
    EXPECT_EQ(out, "Impossible to load palette.dmp!\n");
    EXPECT_NE(err.find("Video mode set failed: "), std::string::npos) << err;
    EXPECT_EQ(err.find("Impossible"), std::string::npos);

}

TEST_F(StartUp, SdlThatCannotStartStopsWithItsMessageOnStandardError)
{
    writeFile("palette.dmp", std::vector<uint8_t>(768, 1));
    std::string out, err;
    EXPECT_EQ(runViewer(folder, "no-such-driver", &out, &err), 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err.rfind("Couldn't initialize SDL: ", 0), 0u) << err;
    EXPECT_EQ(err.back(), '\n');
}

}  // namespace
