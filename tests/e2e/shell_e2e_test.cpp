// shell_e2e_test.cpp: the viewer's window, its ending and its input, seen from outside the process.
#include <gtest/gtest.h>

#include "tests/e2e/temp_dir.h"
#include "tests/e2e/x_session.h"

namespace {

constexpr double startSeconds = 30.0;  // software GL on a busy machine can be slow to start
constexpr double promptExitSeconds = 5.0;

// A viewer in its own X server and folder, with a palette and no archive: it shows an empty scene.
class ShellE2e : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.ok());
        ASSERT_TRUE(folder.write("palette.dmp", testPalette()));
    }

    // Keeps a picture of the window next to the test's output when something went wrong.
    void TearDown() override
    {
        if (HasFailure() && viewer && viewer->running()) {
            const std::string shot = std::string("/tmp/orvane-e2e-") +
                                     ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".png";
            if (writePng(viewer->capture(), shot)) std::printf("window saved to %s\n", shot.c_str());
        }
        if (viewer) std::printf("viewer output:\n%s\n", viewer->output().c_str());
    }

    ViewerProcess& start()
    {
        viewer = std::make_unique<ViewerProcess>(server, folder.path());
        return *viewer;
    }

    XServer server;
    TempDir folder;
    std::unique_ptr<ViewerProcess> viewer;
};

TEST_F(ShellE2e, WindowIs800By600WithItsCaptionAndABlackScene)
{
    ViewerProcess& v = start();
    ASSERT_TRUE(v.waitForWindow(startSeconds)) << v.output();
    EXPECT_EQ(v.windowWidth(), 800);
    EXPECT_EQ(v.windowHeight(), 600);
    EXPECT_EQ(v.windowTitle(), "Orvane model viewer v0.02");

    v.waitFrames(10);
    EXPECT_TRUE(v.running());
    // No archive: one line names it and the entry, and the scene stays empty (black).
    EXPECT_NE(v.output().find("body.ZRK: entry 0: "), std::string::npos) << v.output();
    Image picture = v.capture();
    ASSERT_EQ(picture.width, 800);
    ASSERT_EQ(picture.height, 600);
    for (int y = 0; y < 600; y += 37) {
        for (int x = 0; x < 800; x += 41) {
            uint8_t rgb[3];
            picture.pixel(x, y, rgb);
            ASSERT_EQ(rgb[0] | rgb[1] | rgb[2], 0) << "at " << x << "," << y;
        }
    }
}

TEST_F(ShellE2e, EscapeEndsWithStatusZeroAtOnce)
{
    ViewerProcess& v = start();
    ASSERT_TRUE(v.waitForWindow(startSeconds)) << v.output();
    v.waitFrames(3);
    v.pressKey("Escape");
    int status = -1;
    ASSERT_TRUE(v.waitForExit(promptExitSeconds, &status));
    EXPECT_EQ(status, 0);
}

TEST_F(ShellE2e, WindowManagerCloseRequestEndsWithStatusZero)
{
    ViewerProcess& v = start();
    ASSERT_TRUE(v.waitForWindow(startSeconds)) << v.output();
    v.waitFrames(3);
    v.requestClose();
    int status = -1;
    ASSERT_TRUE(v.waitForExit(promptExitSeconds, &status));
    EXPECT_EQ(status, 0);
}

TEST_F(ShellE2e, KeysAndMouseMotionKeepItRunning)
{
    ViewerProcess& v = start();
    ASSERT_TRUE(v.waitForWindow(startSeconds)) << v.output();
    v.waitFrames(3);

    // Every key the viewer answers to except Escape, keys it ignores, and paging past both ends
    // (each press reloads, here failing on the missing archive each time).
    const char* keys[] = {"space", "d", "e", "f", "Prior", "Next", "Next", "a", "Return", "F1", "Shift_L", "space", "f"};
    for (const char* key : keys) {
        v.pressKey(key);
        v.waitFrames(1);
    }
    for (int step = 0; step < 20; ++step) {
        v.movePointer(step * 37 % 800, step * 29 % 600);
        v.waitFrames(1);
    }
    v.waitFrames(5);
    ASSERT_TRUE(v.running()) << v.output();

    // Still answering: Escape ends it normally, after every earlier event was handled.
    v.pressKey("Escape");
    int status = -1;
    ASSERT_TRUE(v.waitForExit(promptExitSeconds, &status));
    EXPECT_EQ(status, 0);

    // Page Up went to entry 1, the two Page Downs back to 0 and then reloaded 0 at the end.
    const std::string out = v.output();
    EXPECT_NE(out.find("body.ZRK: entry 1: "), std::string::npos) << out;
    size_t entry0 = 0;
    for (size_t at = out.find("body.ZRK: entry 0: "); at != std::string::npos; at = out.find("body.ZRK: entry 0: ", at + 1)) {
        ++entry0;
    }
    EXPECT_EQ(entry0, 3u) << out;  // start-up, Page Down to 0, Page Down at 0
}

TEST_F(ShellE2e, ShortPaletteIsAcceptedAndMissingPaletteStops)
{
    ASSERT_TRUE(folder.write("palette.dmp", {1, 2, 3}));
    {
        ViewerProcess& v = start();
        ASSERT_TRUE(v.waitForWindow(startSeconds)) << v.output();
        v.waitFrames(3);
        EXPECT_TRUE(v.running());
    }

    TempDir empty;
    ViewerProcess v(server, empty.path());
    int status = -1;
    ASSERT_TRUE(v.waitForExit(startSeconds, &status));
    EXPECT_EQ(status, 1);
    EXPECT_NE(v.output().find("Impossible to load palette.dmp!\n"), std::string::npos) << v.output();
}

}  // namespace
