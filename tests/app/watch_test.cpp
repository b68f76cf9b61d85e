// watch_test.cpp: --watch: a changed archive is read once it rests, a good entry replaces the
// body and keeps the view, a damaged or missing one keeps the last good body.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/watch.h"
#include "demo/demo_data.h"
#include "tests/app/shell_fixture.h"

namespace {

class ArchiveWatch : public ShellState {
protected:
    void SetUp() override
    {
        ShellState::SetUp();
        resetArchiveWatch();
        viewerOptions.archivePath = "body.ZRK";
        viewerOptions.archiveNamed = true;
        const std::vector<DemoBody> demo = demoBodies();
        first = demo[0].bytes;
        second = demo[1].bytes;
        ASSERT_NE(first.size(), second.size()) << "the bodies are told apart by size";
    }

    // As orvane writes archives: a file beside the target, renamed into place.
    static void replaceArchive(const std::vector<std::vector<uint8_t>>& entries)
    {
        writeBytes("body.ZRK.new", archiveOf(entries, EntryPacking::stored));
        std::filesystem::rename("body.ZRK.new", "body.ZRK");
    }

    // Polls at `now` and returns what was printed on standard error.
    static std::string poll(uint32_t now)
    {
        ::testing::internal::CaptureStderr();
        pollArchiveWatch(now);
        return ::testing::internal::GetCapturedStderr();
    }

    std::vector<uint8_t> first, second;
};

TEST_F(ArchiveWatch, AChangeIsReadOnceItRestsAndKeepsTheView)
{
    replaceArchive({first});
    loadCurrentBody();
    ASSERT_EQ(currentBodySize, first.size());
    EXPECT_EQ(poll(1000), "") << "the first look only takes note";
    EXPECT_EQ(poll(1300), "");
    EXPECT_EQ(currentBodySize, first.size()) << "nothing changed, nothing read";

    viewZoom = -7.5f;
    viewAngleX = 33.0f;
    autoAngle = 120;
    replaceArchive({second, first});
    poll(1350);  // too soon after the last look
    poll(1500);  // the change is seen
    EXPECT_EQ(currentBodySize, first.size()) << "a change is read only once it rests";
    EXPECT_EQ(poll(1700), "");
    EXPECT_EQ(currentBodySize, second.size());
    EXPECT_EQ(modelIndex, 0);
    EXPECT_EQ(viewZoom, -7.5f);
    EXPECT_EQ(viewAngleX, 33.0f);
    EXPECT_EQ(autoAngle, 120);
    EXPECT_EQ(lastPageIndex, 1) << "paging follows the archive's new length";

    // A file still being written: each look finds it changed again, so nothing is read yet.
    writeBytes("body.ZRK", std::vector<uint8_t>(40, 0));
    poll(1900);
    writeBytes("body.ZRK", std::vector<uint8_t>(90, 0));
    poll(2100);
    writeBytes("body.ZRK", archiveOf({first}, EntryPacking::stored));
    poll(2300);
    EXPECT_EQ(currentBodySize, second.size());
    EXPECT_EQ(poll(2500), "");
    EXPECT_EQ(currentBodySize, first.size());
}

TEST_F(ArchiveWatch, DamagedOrMissingArchiveKeepsTheLastGoodBody)
{
    replaceArchive({first, second});
    modelIndex = 1;
    loadCurrentBody();
    ASSERT_EQ(currentBodySize, second.size());
    const uint8_t* good = currentBody;
    poll(0);

    // Cut short in the middle of entry 1.
    std::vector<uint8_t> damaged = archiveOf({first, second}, EntryPacking::stored);
    damaged.resize(damaged.size() - second.size() / 2);
    writeBytes("body.ZRK", damaged);
    EXPECT_EQ(poll(200), "");
    const std::string line = poll(400);
    EXPECT_EQ(line, "body.ZRK: entry 1: truncated entry\n");
    EXPECT_EQ(currentBody, good);
    EXPECT_EQ(currentBodySize, second.size());
    EXPECT_EQ(poll(600) + poll(800), "") << "one line per change";

    std::filesystem::remove("body.ZRK");
    poll(1000);
    EXPECT_EQ(poll(1200), "body.ZRK: entry 1: cannot open the archive\n");
    EXPECT_EQ(currentBody, good);

    replaceArchive({second, first});
    poll(1400);
    EXPECT_EQ(poll(1600), "");
    EXPECT_EQ(currentBodySize, first.size()) << "a good entry arrives and is shown";
    EXPECT_FALSE(currentBodyFault);
}

TEST_F(ArchiveWatch, ABodyThatFailedToLoadIsShownOnceItIsGood)
{
    loadCurrentBody();  // no archive yet
    ASSERT_EQ(currentBody, nullptr);
    EXPECT_TRUE(currentBodyFault);
    poll(4294967000u);  // near the clock's wrap: the difference is taken unsigned
    replaceArchive({first});
    poll(4294967200u);
    poll(104);
    EXPECT_NE(currentBody, nullptr);
    EXPECT_FALSE(currentBodyFault);
}

}  // namespace
