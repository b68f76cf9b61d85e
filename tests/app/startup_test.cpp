// startup_test.cpp: start-up's failures, on the real viewer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/file_io.h"
#include "tests/app/shell_fixture.h"
#include "tests/support/run_command.h"

namespace {

void writeFile(const char* name, const std::vector<uint8_t>& bytes)
{
    ASSERT_FALSE(writeFileBytes(name, bytes));
}

// Runs the viewer in `folder` with SDL's display-less driver; returns its exit status.
int runViewer(const std::filesystem::path& folder, const char* videoDriver, std::string* out, std::string* err)
{
    const CommandRun run = runCommand("cd '" + folder.string() + "' && SDL_VIDEODRIVER=" + videoDriver +
                                      " timeout 20 '" + ORVANE_VIEWER_PATH + "'");
    *out = run.out;
    *err = run.err;
    return run.status;
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
