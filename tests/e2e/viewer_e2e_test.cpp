// viewer_e2e_test.cpp: the real viewer in a private X server, driven as a person would and judged
// by its window, its exit status, its output and screenshots.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/info_overlay.h"
#include "demo/demo_data.h"
#include "image/png_file.h"
#include "render/skeleton_overlay.h"
#include "tests/e2e/x_session.h"
#include "tests/support/demo_figure_facts.h"
#include "tests/support/lit_pixels.h"
#include "tests/support/run_command.h"
#include "tests/support/scratch_dir.h"

namespace {

constexpr double promptExitSeconds = 5.0;

// The width of the smallest column range holding every lit pixel.
int litWidth(const RgbImage& image)
{
    int low = image.width, high = -1;
    for (size_t i = 0; i + 2 < image.rgb.size(); i += 3)
        if (isLit(&image.rgb[i])) {
            const int x = static_cast<int>(i / 3 % static_cast<size_t>(image.width));
            low = std::min(low, x);
            high = std::max(high, x);
        }
    return high < low ? 0 : high - low + 1;
}

// The share of pixels whose colour differs by more than `tolerance` in some channel.
double differingShare(const RgbImage& a, const RgbImage& b, int tolerance = 8)
{
    if (a.rgb.size() != b.rgb.size() || a.rgb.empty()) return 1.0;
    size_t differing = 0;
    for (size_t i = 0; i + 2 < a.rgb.size(); i += 3)
        differing += std::abs(a.rgb[i] - b.rgb[i]) > tolerance || std::abs(a.rgb[i + 1] - b.rgb[i + 1]) > tolerance ||
                     std::abs(a.rgb[i + 2] - b.rgb[i + 2]) > tolerance;
    return static_cast<double>(differing) / static_cast<double>(a.rgb.size() / 3);
}

// The demo's first bodies in a stored archive, entry 1 ending in the middle of its bone table.
Bytes withDamagedEntry1(size_t entries)
{
    std::vector<Bytes> bodies;
    for (const DemoBody& body : demoBodies()) bodies.push_back(body.bytes);
    bodies.resize(entries);
    bodies[1].resize(60);
    return archiveOf(bodies, EntryPacking::stored);
}

// A viewer in its own X server and folder; tests put the data they need in the folder first.
class ViewerE2e : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.ok()); }

    // Keeps a picture of the window next to the test's output when something went wrong.
    void TearDown() override
    {
        if (HasFailure() && viewer && viewer->running()) {
            const std::string shot = std::string("/tmp/orvane-e2e-") +
                                     ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".png";
            if (!savePng(shot, viewer->capture())) std::printf("window saved to %s\n", shot.c_str());
        }
        if (viewer) std::printf("viewer output:\n%s\n", viewer->output().c_str());
    }

    // Starts the viewer with `args` (ending any viewer started before).
    ViewerProcess& start(const std::vector<std::string>& args = {})
    {
        viewer.reset();
        viewer = std::make_unique<ViewerProcess>(server, folder.path(), args);
        EXPECT_TRUE(viewer->waitForWindow(startSeconds)) << viewer->output();
        // The pointer at (320, 20) gives the start angles (-40 = 320 degrees about y, 20 about
        // x), whatever motion the window's appearance under the pointer produced.
        viewer->movePointer(320, 20);
        return *viewer;
    }

    // The picture once it has stopped changing (input handled, frames drawn).
    RgbImage settled()
    {
        RgbImage last = viewer->capture();
        for (int attempt = 0; attempt < 40; ++attempt) {
            viewer->waitFrames(3);
            RgbImage next = viewer->capture();
            if (next.rgb == last.rgb) return next;
            last = std::move(next);
        }
        ADD_FAILURE() << "the picture never settled";
        return last;
    }

    // The same once a body shows: a software rasteriser may take a while over its first frame,
    // and the window is black until then.
    RgbImage settledShowing()
    {
        for (int attempt = 0; attempt < 200 && litPixels(viewer->capture()) == 0; ++attempt) viewer->waitFrames(1);
        return settled();
    }

    RgbImage afterKey(const char* key)
    {
        viewer->pressKey(key);
        return settled();
    }

    // The tool's picture of the same frame: `arguments` follow "orvane render" in the folder.
    RgbImage renderedByTool(const std::string& arguments)
    {
        const CommandRun render = runCommand(std::string("cd '") + folder.path() + "' && '" + ORVANE_TOOL_PATH +
                                             "' render " + arguments + " -o tool.png");
        EXPECT_EQ(render.status, 0) << arguments << ": " << render.err;
        RgbImage rendered;
        const Fault unreadable = loadPng(folder.file("tool.png"), &rendered);
        EXPECT_FALSE(unreadable) << unreadable.reason;
        return rendered;
    }

    void expectPromptExitZero()
    {
        int status = -1;
        ASSERT_TRUE(viewer->waitForExit(promptExitSeconds, &status));
        EXPECT_EQ(status, 0);
    }

    XServer server;
    TempDir folder;
    std::unique_ptr<ViewerProcess> viewer;
};

// A palette of three bytes and no archive: the window, an empty scene, input survived, Escape.
TEST_F(ViewerE2e, WindowSurvivesInputAndEscapeEndsItAtOnce)
{
    ASSERT_TRUE(folder.write("palette.dmp", {1, 2, 3}));  // a short palette is accepted
    ViewerProcess& v = start();
    EXPECT_EQ(v.windowWidth(), 800);
    EXPECT_EQ(v.windowHeight(), 600);
    EXPECT_EQ(v.windowTitle(), "Orvane model viewer v0.02");
    v.waitFrames(3);
    EXPECT_NE(v.output().find("body.ZRK: entry 0: "), std::string::npos) << v.output();
    const RgbImage picture = v.capture();
    ASSERT_EQ(picture.width, 800);
    ASSERT_EQ(picture.height, 600);
    EXPECT_TRUE(std::all_of(picture.rgb.begin(), picture.rgb.end(), [](uint8_t c) { return c == 0; }))
        << "nothing loaded: the scene stays black";

    // Every key the viewer answers to except Escape, keys it ignores, paging past both ends,
    // and mouse motion all over the window.
    for (const char* key : {"space", "d", "e", "f", "Prior", "Next", "Next", "a", "Return", "F1", "Shift_L", "space"}) {
        v.pressKey(key);
        v.waitFrames(1);
    }
    for (int step = 0; step < 20; ++step) {
        v.movePointer(step * 37 % 800, step * 29 % 600);
        v.waitFrames(1);
    }
    v.waitFrames(5);
    ASSERT_TRUE(v.running()) << v.output();
    v.pressKey("Escape");
    expectPromptExitZero();
}

TEST_F(ViewerE2e, WindowManagerCloseRequestEndsWithStatusZero)
{
    ASSERT_TRUE(folder.write("palette.dmp", testPalette()));
    ViewerProcess& v = start();
    v.waitFrames(3);
    v.requestClose();
    expectPromptExitZero();
}

TEST_F(ViewerE2e, FirstBodyMatchesTheToolAndPagingChangesAndRestoresIt)
{
    ASSERT_EQ(writeDemoFiles(folder.path()).reason, std::string());
    ViewerProcess& v = start();
    const RgbImage first = settledShowing();
    EXPECT_GT(litPixels(first), 800 * 600 / 50) << "the figure covers a good part of the window";

    // The same drawing code and state; the window's visual may round colours or depth a little
    // differently, so a few edge pixels may differ.
    const RgbImage rendered = renderedByTool("body.ZRK 0 --angle-y 320 --angle-x 20");
    EXPECT_LT(differingShare(first, rendered, 12), 0.003) << "share of differing pixels";

    const RgbImage second = afterKey("Prior");
    EXPECT_GT(litPixels(second), 800 * 600 / 100);
    EXPECT_GT(differingShare(first, second), 0.02) << "Page Up shows another body";
    EXPECT_LT(differingShare(first, afterKey("Next")), 0.001) << "Page Down brings the first body back";
    EXPECT_TRUE(v.running());
    EXPECT_EQ(v.output().find("body.ZRK"), std::string::npos) << "the demo entries load: " << v.output();
}

TEST_F(ViewerE2e, MouseAndKeysChangeTheView)
{
    ASSERT_EQ(writeDemoFiles(folder.path()).reason, std::string());
    ViewerProcess& v = start();
    const RgbImage filled = settledShowing();

    v.movePointer(100, 60);
    const RgbImage turned = settled();
    EXPECT_GT(differingShare(filled, turned), 0.02) << "the pointer's position sets the view angles";
    v.movePointer(600, 300);
    EXPECT_GT(differingShare(turned, settled()), 0.02);
    v.movePointer(320, 20);
    EXPECT_LT(differingShare(filled, settled()), 0.001) << "the same position gives the same view";

    const RgbImage outlines = afterKey("f");
    EXPECT_LT(litPixels(outlines), litPixels(filled)) << "outlines leave the insides of faces empty";
    EXPECT_LT(differingShare(filled, afterKey("f")), 0.001) << "F again restores the filled picture";

    EXPECT_LT(litWidth(afterKey("d")), litWidth(filled)) << "D moves the view away: the body gets smaller";
    afterKey("e");
    EXPECT_GT(litWidth(afterKey("e")), litWidth(filled)) << "E brings it closer: larger";

    v.pressKey("space");
    v.waitFrames(3);
    const RgbImage a = v.capture();
    v.waitFrames(5);
    EXPECT_GT(differingShare(a, v.capture()), 0.002) << "Space: the body turns between two screenshots";
    const RgbImage stopped = afterKey("space");
    v.waitFrames(10);
    EXPECT_EQ(differingShare(stopped, v.capture()), 0.0) << "Space again stops it";
}

TEST_F(ViewerE2e, DamagedEntryIsReportedAndTheViewerKeepsRunning)
{
    // Entry 1 ends in the middle of its bone table; entries 0 and 2 are sound.
    ASSERT_EQ(writeDemoFiles(folder.path()).reason, std::string());
    ASSERT_TRUE(folder.write("body.ZRK", withDamagedEntry1(3)));

    ViewerProcess& v = start();
    EXPECT_GT(litPixels(settledShowing()), 0);
    EXPECT_EQ(litPixels(afterKey("Prior")), 0) << "an entry that cannot be shown leaves an empty scene";
    const std::string out = v.output();
    const size_t line = out.find("body.ZRK: entry 1: ");
    ASSERT_NE(line, std::string::npos) << out;
    EXPECT_EQ(out.find("body.ZRK", line + 1), std::string::npos) << "one line: " << out;
    EXPECT_NE(out.find('\n', line), std::string::npos);
    EXPECT_GT(litPixels(afterKey("Prior")), 0) << "the next entry shows again";
    EXPECT_TRUE(v.running());
}

// --- the command line's options ---------------------------------------------------------------

bool insideInfoBox(int x, int y) { return x < infoBoxWidth && y < infoBoxHeight; }

// Pixels outside the information box's corner that differ at all.
int differingOutsideInfoBox(const RgbImage& a, const RgbImage& b)
{
    if (a.width != b.width || a.height != b.height) return -1;
    int differing = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            differing += !insideInfoBox(x, y) && !std::equal(a.at(x, y), a.at(x, y) + 3, b.at(x, y));
    return differing;
}

// Rows of the box above its frame-rate line, which changes by itself, that differ from the
// box painted with `lines`.
int differingInfoRows(const RgbImage& window, const InfoLines& lines)
{
    const RgbImage box = paintInfoBox(lines);
    int differing = 0;
    for (int y = 0; y < infoPadding + (infoLineCount - 1) * labelHeight(infoScale); ++y) {
        for (int x = 0; x < infoBoxWidth; ++x) {
            if (!std::equal(box.at(x, y), box.at(x, y) + 3, window.at(x, y))) {
                ++differing;
                break;
            }
        }
    }
    return differing;
}

const InfoFacts figureFacts = demoFigureFacts("body.ZRK");

TEST_F(ViewerE2e, ArchiveByPathStartsAtTheEntryAndPagesOnlyWithinTheArchive)
{
    // Nothing in the working folder: the archive and its palette are found by the path given.
    ASSERT_TRUE(std::filesystem::create_directory(folder.file("mods")));
    ASSERT_EQ(writeDemoFiles(folder.file("mods")).reason, std::string());
    ViewerProcess& v = start({"mods/body.ZRK", "--entry", "7"});
    const RgbImage last = settledShowing();
    EXPECT_LT(differingShare(last, renderedByTool("mods/body.ZRK 7 --angle-y 320 --angle-x 20")), 0.003)
        << "the viewer opens on entry 7 of the named archive";

    EXPECT_LT(differingShare(last, afterKey("Prior")), 0.001) << "entry 7 is the archive's last: Page Up stays";
    EXPECT_GT(differingShare(last, afterKey("Next")), 0.02) << "Page Down goes to entry 6";
    EXPECT_LT(differingShare(last, afterKey("Prior")), 0.001);
    EXPECT_TRUE(v.running());
    EXPECT_EQ(v.output(), "") << "no entry past the archive's end was asked for";
}

TEST_F(ViewerE2e, InfoBoxAndSkeletonGoOverTheBodyAndLeaveTheRestOfThePictureAlone)
{
    ASSERT_EQ(writeDemoFiles(folder.path()).reason, std::string());
    start();
    const RgbImage plain = settledShowing();

    start({"--info"});
    const RgbImage informed = settledShowing();
    EXPECT_EQ(differingOutsideInfoBox(plain, informed), 0) << "the body's pixels outside the box are untouched";
    EXPECT_TRUE(hasColour(informed, 0, 0, infoBacking) &&
                hasColour(informed, infoBoxWidth - 1, infoBoxHeight - 1, infoBacking))
        << "the box fills the corner";
    EXPECT_EQ(differingInfoRows(informed, composeInfoLines(figureFacts)), 0)
        << "archive, entry of how many, points, bones, polygons, lines and spheres";
    const RgbImage outlines = afterKey("f");
    EXPECT_EQ(differingInfoRows(outlines, composeInfoLines(figureFacts)), 0) << "a filled box in wireframe too";

    start({"--skeleton"});
    const RgbImage skeleton = settledShowing();
    int overBody = 0, drawn = 0;
    for (int y = 0; y < skeleton.height; ++y)
        for (int x = 0; x < skeleton.width; ++x) {
            const bool bone = hasColour(skeleton, x, y, skeletonOverlayColour);
            drawn += bone;
            overBody += bone && isLit(plain.at(x, y));
        }
    EXPECT_GT(drawn, 16 * 36 + 300) << "a dot at each of the 16 bones' origins and the lines between them";
    EXPECT_GT(overBody, drawn / 2) << "drawn over the body, never hidden by it";
    EXPECT_EQ(pixelsOfColour(plain, skeletonOverlayColour), 0) << "a colour the body itself never shows";
}

TEST_F(ViewerE2e, InfoBoxStatesTheFaultOfAnEntryThatCannotBeShown)
{
    ASSERT_TRUE(folder.write("palette.dmp", testPalette()));
    ASSERT_TRUE(folder.write("two.ZRK", withDamagedEntry1(2)));

    ViewerProcess& v = start({"two.ZRK", "--info", "--entry", "1"});
    const RgbImage picture = settledShowing();  // the box is all that is lit: wait for it
    InfoFacts facts;
    facts.archive = "two.ZRK", facts.entry = 1, facts.entryCount = 2,
    facts.fault = "bone count past the end of the body";
    EXPECT_EQ(differingInfoRows(picture, composeInfoLines(facts)), 0) << "the fault in place of the counts";
    EXPECT_NE(v.output().find("two.ZRK: entry 1: " + facts.fault), std::string::npos) << v.output();
}

TEST_F(ViewerE2e, WatchShowsAReplacedEntryAndKeepsTheLastGoodPictureThroughADamagedFile)
{
    ASSERT_EQ(writeDemoFiles(folder.path()).reason, std::string());
    ViewerProcess& v = start({"body.ZRK", "--watch"});
    settledShowing();
    v.movePointer(100, 60);
    const RgbImage before = afterKey("d");  // a view of its own, which a reload must keep

    // As orvane writes an archive: beside it, then renamed into place.
    const std::vector<DemoBody> bodies = demoBodies();
    ASSERT_TRUE(folder.write("body.new", archiveOf({bodies[3].bytes, bodies[0].bytes})));
    std::filesystem::rename(folder.file("body.new"), folder.file("body.ZRK"));
    const auto changedFrom = [&](const RgbImage& old) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            v.waitFrames(3);
            if (differingShare(old, v.capture()) > 0.02) return settled();
        }
        ADD_FAILURE() << "the picture never changed";
        return v.capture();
    };
    const RgbImage replaced = changedFrom(before);
    EXPECT_LT(differingShare(replaced, renderedByTool("body.ZRK 0 --zoom -5.5 --angle-x 60 --angle-y 100")), 0.003)
        << "the new entry 0, in the view as it was";

    // Half written: the file ends inside entry 0. One line, and the picture stays.
    std::vector<uint8_t> half = archiveOf({bodies[4].bytes}, EntryPacking::stored);
    half.resize(half.size() / 2);
    ASSERT_TRUE(folder.write("body.ZRK", half));
    for (int attempt = 0; attempt < 100 && v.output().find("body.ZRK: entry 0: ") == std::string::npos; ++attempt) {
        v.waitFrames(3);
    }
    EXPECT_EQ(v.output(), "body.ZRK: entry 0: truncated entry\n");
    EXPECT_LT(differingShare(replaced, settled()), 0.001) << "the last good picture stays";

    ASSERT_TRUE(folder.write("body.ZRK", demoArchive()));
    EXPECT_LT(differingShare(before, changedFrom(replaced)), 0.001) << "a good file again: its entry 0";
    EXPECT_TRUE(v.running());
}

}  // namespace
