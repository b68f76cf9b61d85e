// viewer_process_e2e_test.cpp: the viewer never outlives its display and ends when asked: a
// display lost under it, SIGINT and SIGTERM, and no display at all.
#include <gtest/gtest.h>
#include <signal.h>

#include <string>

#include "demo/demo_data.h"
#include "tests/e2e/x_session.h"
#include "tests/support/run_command.h"
#include "tests/support/scratch_dir.h"

namespace {

class ViewerProcessE2e : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(writeDemoFiles(folder.path()).reason, std::string()); }

    TempDir folder;
};

TEST_F(ViewerProcessE2e, EndsWithOneLineWhenItsDisplayIsLost)
{
    XServer server;
    ASSERT_TRUE(server.ok());
    ViewerProcess viewer(server, folder.path());
    ASSERT_TRUE(viewer.waitForWindow(startSeconds)) << viewer.output();
    viewer.waitFrames(5);
    viewer.detach();
    server.kill();
    int status = -1;
    ASSERT_TRUE(viewer.waitForExit(5.0, &status)) << "the viewer outlived its display\n" << viewer.output();
    EXPECT_EQ(status, 1);
    EXPECT_EQ(viewer.output(), "orvane-viewer: the display connection was lost\n");
}

TEST_F(ViewerProcessE2e, StopSignalsEndAHealthyViewerAsACloseRequestDoes)
{
    XServer server;
    ASSERT_TRUE(server.ok());
    for (const int signal : {SIGINT, SIGTERM}) {
        ViewerProcess viewer(server, folder.path());
        ASSERT_TRUE(viewer.waitForWindow(startSeconds)) << viewer.output();
        viewer.waitFrames(3);
        viewer.sendSignal(signal);
        int status = -1;
        ASSERT_TRUE(viewer.waitForExit(5.0, &status)) << "signal " << signal;
        EXPECT_EQ(status, 0) << "signal " << signal;
        EXPECT_EQ(viewer.output(), "") << "signal " << signal;
    }
}

TEST_F(ViewerProcessE2e, WithoutADisplaySaysSoAndEnds)
{
    const std::string viewer = std::string("cd '") + folder.path() +
                               "' && exec env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 20 '" +
                               ORVANE_VIEWER_PATH + "'";
    const CommandRun run = runCommand(viewer);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("Couldn't initialize SDL: ", 0), 0u) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
    EXPECT_EQ(run.out, "");

    const CommandRun version = runCommand(viewer + " --version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("orvane-viewer ", 0), 0u) << version.out;
}

}  // namespace
