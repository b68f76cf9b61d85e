// draw_e2e_test.cpp: the real viewer on the demo data, driven through the X server as a person
// would, judged by screenshots: bodies show, keys and the mouse change the picture as they
// should, a damaged entry is reported and survived, and the tool renders the same picture.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/temp_dir.h"
#include "tests/e2e/x_session.h"
#include "tool/archive_writer.h"
#include "tool/demo_data.h"
#include "tool/offscreen_gl.h"
#include "tool/png_writer.h"

namespace {

constexpr double startSeconds = 30.0;  // software GL on a busy machine can be slow to start

bool litPixel(const Image& image, size_t i)
{
    return image.rgb[i] > 16 || image.rgb[i + 1] > 16 || image.rgb[i + 2] > 16;
}

int litCount(const Image& image)
{
    int n = 0;
    for (size_t i = 0; i + 2 < image.rgb.size(); i += 3) n += litPixel(image, i) ? 1 : 0;
    return n;
}

// The width of the smallest column range holding every lit pixel.
int litWidth(const Image& image)
{
    int low = image.width, high = -1;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (litPixel(image, (static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)) * 3)) {
                low = std::min(low, x);
                high = std::max(high, x);
            }
    return high < low ? 0 : high - low + 1;
}

// The share of pixels whose colour differs by more than `tolerance` in some channel.
double differingShare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int tolerance)
{
    if (a.size() != b.size() || a.empty()) return 1.0;
    size_t differing = 0;
    for (size_t i = 0; i + 2 < a.size(); i += 3) {
        for (size_t c = 0; c < 3; ++c) {
            if (std::abs(int(a[i + c]) - int(b[i + c])) > tolerance) {
                ++differing;
                break;
            }
        }
    }
    return static_cast<double>(differing) / static_cast<double>(a.size() / 3);
}
double differingShare(const Image& a, const Image& b, int tolerance = 8) { return differingShare(a.rgb, b.rgb, tolerance); }

class DrawE2e : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.ok());
        std::string error;
        ASSERT_TRUE(writeDemoFiles(folder.path(), &error)) << error;
    }

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
        EXPECT_TRUE(viewer->waitForWindow(startSeconds)) << viewer->output();
        // The pointer at (320, 20) gives the start angles (-40 = 320 degrees about y, 20 about
        // x), whatever motion the window's appearance under the pointer produced.
        viewer->movePointer(320, 20);
        return *viewer;
    }

    // The picture once it has stopped changing (input handled, frames drawn).
    Image settled()
    {
        Image last = viewer->capture();
        for (int attempt = 0; attempt < 40; ++attempt) {
            viewer->waitFrames(3);
            Image next = viewer->capture();
            if (next.rgb == last.rgb) return next;
            last = std::move(next);
        }
        ADD_FAILURE() << "the picture never settled";
        return last;
    }

    Image afterKey(const char* key)
    {
        viewer->pressKey(key);
        return settled();
    }

    XServer server;
    TempDir folder;
    std::unique_ptr<ViewerProcess> viewer;
};

TEST_F(DrawE2e, FirstBodyIsVisibleAndPagingChangesAndRestoresIt)
{
    ViewerProcess& v = start();
    const Image first = settled();
    ASSERT_EQ(first.width, 800);
    EXPECT_GT(litCount(first), 800 * 600 / 50) << "the figure covers a good part of the window";

    const Image second = afterKey("Prior");
    EXPECT_GT(litCount(second), 800 * 600 / 100);
    EXPECT_GT(differingShare(first, second), 0.02) << "Page Up shows another body";

    const Image back = afterKey("Next");
    EXPECT_LT(differingShare(first, back), 0.001) << "Page Down brings the first body back";
    EXPECT_TRUE(v.running());
    EXPECT_EQ(v.output().find("body.ZRK"), std::string::npos) << "every demo entry loads: " << v.output();
}

TEST_F(DrawE2e, WireframeToggleAndZoomKeys)
{
    start();
    const Image filled = settled();

    const Image outlines = afterKey("f");
    EXPECT_GT(differingShare(filled, outlines), 0.01);
    EXPECT_LT(litCount(outlines), litCount(filled)) << "outlines leave the insides of faces empty";
    const Image refilled = afterKey("f");
    EXPECT_LT(differingShare(filled, refilled), 0.001) << "F again restores the filled picture";

    const Image fartherAway = afterKey("d");
    EXPECT_LT(litWidth(fartherAway), litWidth(filled)) << "D moves the view away: the body gets smaller";
    afterKey("e");
    const Image closer = afterKey("e");
    EXPECT_GT(litWidth(closer), litWidth(filled)) << "E brings it closer: larger";
}

TEST_F(DrawE2e, MouseMotionTurnsTheBody)
{
    ViewerProcess& v = start();
    const Image startView = settled();

    v.movePointer(100, 60);
    const Image turned = settled();
    EXPECT_GT(differingShare(startView, turned), 0.02) << "the pointer's position sets the view angles";

    v.movePointer(600, 300);
    const Image turnedAgain = settled();
    EXPECT_GT(differingShare(turned, turnedAgain), 0.02);

    v.movePointer(320, 20);
    EXPECT_LT(differingShare(startView, settled()), 0.001) << "the same position gives the same view";
}

TEST_F(DrawE2e, SpaceStartsAndStopsTheRotation)
{
    ViewerProcess& v = start();
    settled();
    v.pressKey("space");
    v.waitFrames(3);
    const Image a = v.capture();
    v.waitFrames(5);
    const Image b = v.capture();
    EXPECT_GT(differingShare(a, b), 0.002) << "the body turns between two screenshots";

    v.pressKey("space");
    const Image stopped = settled();
    v.waitFrames(10);
    EXPECT_EQ(differingShare(stopped, v.capture()), 0.0) << "Space again stops it";
}

TEST_F(DrawE2e, DamagedEntryIsReportedAndTheViewerKeepsRunning)
{
    // Entry 1 ends in the middle of its bone table; entries 0 and 2 are sound.
    std::vector<DemoBody> bodies = demoBodies();
    std::vector<uint8_t> damaged = bodies[1].bytes;
    damaged.resize(60);
    ASSERT_TRUE(folder.write("body.ZRK", buildArchive({bodies[0].bytes, damaged, bodies[2].bytes}, EntryPacking::stored)));

    ViewerProcess& v = start();
    const Image first = settled();
    EXPECT_GT(litCount(first), 0);

    const Image empty = afterKey("Prior");
    EXPECT_EQ(litCount(empty), 0) << "an entry that cannot be shown leaves an empty scene";
    const std::string out = v.output();
    const size_t line = out.find("body.ZRK: entry 1: ");
    ASSERT_NE(line, std::string::npos) << out;
    EXPECT_EQ(out.find("body.ZRK", line + 1), std::string::npos) << "one line: " << out;
    EXPECT_NE(out.find('\n', line), std::string::npos);
    EXPECT_TRUE(v.running());

    const Image third = afterKey("Prior");
    EXPECT_GT(litCount(third), 0) << "the next entry shows again";
    EXPECT_TRUE(v.running());
}

TEST_F(DrawE2e, FirstFrameMatchesTheToolsRendering)
{
    ViewerProcess& v = start();
    const Image window = settled();

    const std::string png = folder.file("entry0.png");
    const std::string command = std::string("cd '") + folder.path() + "' && '" + ORVANE_TOOL_PATH +
                                "' render body.ZRK 0 -o entry0.png --angle-y 320 --angle-x 20";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
    RgbImage rendered;
    std::string error;
    ASSERT_TRUE(loadPng(png, &rendered, &error)) << error;
    ASSERT_EQ(rendered.width, window.width);
    ASSERT_EQ(rendered.height, window.height);

    // The same drawing code and state; the window's visual may round colours or depth a little
    // differently, so a few edge pixels may differ.
    const double share = differingShare(window.rgb, rendered.rgb, 12);
    EXPECT_LT(share, 0.003) << "share of differing pixels";
    EXPECT_GT(litCount(window), 800 * 600 / 50);
    EXPECT_TRUE(v.running());
}

}  // namespace
