// startup_test.cpp: start-up's failures, on the real viewer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/app/shell_fixture.h"
#include "tests/support/run_command.h"

namespace {

// Runs the viewer in `folder` with the SDL video driver named.
CommandRun runViewer(const std::filesystem::path& folder, const char* videoDriver)
{
    return runCommand("cd '" + folder.string() + "' && SDL_VIDEODRIVER=" + videoDriver + " timeout 20 '" +
                      ORVANE_VIEWER_PATH + "'");
}

using StartUp = ShellState;

TEST_F(StartUp, MissingPaletteStopsWithItsMessageOnStandardOutput)
{
    // The dummy driver has no OpenGL: the failed video mode is reported and start-up goes on
    // to the palette.
    const CommandRun run = runViewer(folder, "dummy");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Impossible to load palette.dmp!\n");
    EXPECT_NE(run.err.find("Video mode set failed: "), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("Impossible"), std::string::npos);
}

TEST_F(StartUp, SdlThatCannotStartStopsWithItsMessageOnStandardError)
{
    ASSERT_TRUE(scratch.write("palette.dmp", std::vector<uint8_t>(768, 1)));
    const CommandRun run = runViewer(folder, "no-such-driver");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("Couldn't initialize SDL: ", 0), 0u) << run.err;
    EXPECT_EQ(run.err.back(), '\n');
}

}  // namespace
