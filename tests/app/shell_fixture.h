// shell_fixture.h: puts the viewer state back to its start values and runs each test in an empty
// folder, so loads find no archive and every reload prints its one line; SDL on request.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/viewer_state.h"
#include "tests/support/scratch_dir.h"

// Writes `bytes` as the file `path` (relative to the test's folder), replacing it.
inline void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class ShellState : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous = std::filesystem::current_path();
        ASSERT_FALSE(scratch.path().empty());
        folder = scratch.path();
        std::filesystem::current_path(folder);

        releaseCurrentBody();
        modelIndex = 0;
        viewZoom = defaultViewZoom;
        viewAngleX = defaultViewAngleX;
        viewAngleY = defaultViewAngleY;
        wireframe = 0;
        autoRotate = 0;
        autoAngle = 0;
        viewerOptions = ViewerOptions{};
        lastPageIndex = lastModelIndex;
    }

    void TearDown() override
    {
        releaseCurrentBody();
        std::filesystem::current_path(previous);
    }

    // A stand-in body buffer, so that a reload can be seen to release it.
    static void holdSomeBody() { currentBody = static_cast<uint8_t*>(std::malloc(64)); }

    TempDir scratch;
    std::filesystem::path previous;
    std::filesystem::path folder;
};

// The same with SDL started on its display-less video driver: events work, drawing goes nowhere.
class SdlShellState : public ShellState {
protected:
    static void SetUpTestSuite()
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_NE(SDL_SetVideoMode(800, 600, 32, 0), nullptr) << SDL_GetError();
    }
    static void TearDownTestSuite() { SDL_Quit(); }
};
