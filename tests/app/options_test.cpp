// options_test.cpp: the viewer's command line: what each form sets, what is refused, where the
// palette is looked for and where paging stops.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "app/options.h"
#include "app/viewer_state.h"
#include "tests/support/scratch_dir.h"

namespace {

// Parses `args` (without the program's name) from fresh defaults.
std::string parse(std::vector<std::string> args, ViewerOptions* options)
{
    *options = ViewerOptions{};
    std::vector<char*> argv{const_cast<char*>("orvane-viewer")};
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    return parseViewerOptions(static_cast<int>(argv.size() - 1), argv.data(), options);
}

TEST(ViewerCommandLine, NoArgumentsKeepTheFixedFilesAndEveryOptionOff)
{
    ViewerOptions o;
    ASSERT_EQ(parse({}, &o), "");
    EXPECT_EQ(o.archivePath, "body.ZRK");
    EXPECT_EQ(o.palettePath, "palette.dmp");
    EXPECT_FALSE(o.archiveNamed || o.info || o.watch || o.skeleton || o.help || o.version);
    EXPECT_EQ(o.startEntry, 0);
    EXPECT_EQ(lastPageIndexFor(o, 3), lastModelIndex) << "paging reaches 131 unless an archive is named";
}

TEST(ViewerCommandLine, ArchivePaletteEntryAndFlagsInAnyOrder)
{
    ViewerOptions o;
    ASSERT_EQ(parse({"--info", "mods/x/game.ZRK", "--entry", "7", "--skeleton", "--watch"}, &o), "");
    EXPECT_TRUE(o.archiveNamed && o.info && o.watch && o.skeleton);
    EXPECT_EQ(o.archivePath, "mods/x/game.ZRK");
    EXPECT_EQ(o.palettePath, "mods/x/palette.dmp") << "the palette beside the archive";
    EXPECT_EQ(o.startEntry, 7);

    ASSERT_EQ(parse({"--palette=colours.dmp", "--entry=131", "/abs/a.ZRK"}, &o), "");
    EXPECT_EQ(o.palettePath, "colours.dmp") << "a named palette wins, wherever it stands";
    EXPECT_EQ(o.startEntry, 131);
    ASSERT_EQ(parse({"a.ZRK"}, &o), "");
    EXPECT_EQ(o.palettePath, "palette.dmp") << "an archive in the working directory: the palette there";
    ASSERT_EQ(parse({"--palette", "p.dmp"}, &o), "");
    EXPECT_EQ(o.archivePath, "body.ZRK");
    EXPECT_EQ(o.palettePath, "p.dmp");
    ASSERT_EQ(parse({"--", "--odd-name.ZRK"}, &o), "");
    EXPECT_EQ(o.archivePath, "--odd-name.ZRK") << "after --, a name is a name";

    // --help and --version answer at once, whatever follows them.
    ASSERT_EQ(parse({"--info", "--help", "--no-such"}, &o), "");
    EXPECT_TRUE(o.help);
    ASSERT_EQ(parse({"-h"}, &o), "");
    EXPECT_TRUE(o.help);
    ASSERT_EQ(parse({"--version", "x", "y"}, &o), "");
    EXPECT_TRUE(o.version);
}

TEST(ViewerCommandLine, BadCommandLinesSayWhatIsWrong)
{
    const struct {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{"--entry", "132"}, "--entry wants a whole number from 0 to 131, not '132'"},
        {{"--entry", "-1"}, "not '-1'"},
        {{"--entry", "3x"}, "not '3x'"},
        {{"--entry", " 3"}, "not ' 3'"},
        {{"--entry="}, "not ''"},
        {{"--entry", "99999999999999999999"}, "not '99999999999999999999'"},
        {{"--entry"}, "--entry wants a value"},
        {{"--palette"}, "--palette wants a value"},
        {{"--palette="}, "--palette wants a file name"},
        {{"a.ZRK", "b.ZRK"}, "one archive only, not also 'b.ZRK'"},
        {{"-"}, "the archive must be a file, not standard input"},
        {{""}, "the archive's name is empty"},
        {{"--infos"}, "unknown option '--infos'"},
        {{"--paletteX=a"}, "unknown option '--paletteX=a'"},
        {{"-x"}, "unknown option '-x'"},
    };
    for (const auto& c : cases) {
        ViewerOptions o;
        const std::string problem = parse(c.args, &o);
        EXPECT_NE(problem.find(c.says), std::string::npos) << c.args.size() << " args: " << problem;
    }
}

TEST(ViewerCommandLine, PagingStopsAtANamedArchivesLastEntry)
{
    ViewerOptions named;
    ASSERT_EQ(parse({"a.ZRK"}, &named), "");
    EXPECT_EQ(lastPageIndexFor(named, 8), 7);
    EXPECT_EQ(lastPageIndexFor(named, 1), 0);
    EXPECT_EQ(lastPageIndexFor(named, 0), 0) << "nothing to page to";
    EXPECT_EQ(lastPageIndexFor(named, 131), 130);
    EXPECT_EQ(lastPageIndexFor(named, 132), 131);
    EXPECT_EQ(lastPageIndexFor(named, 5000), 131) << "never past the viewer's own range";
    EXPECT_EQ(lastPageIndexFor(named, -1), 131) << "unreadable: as always";
}

TEST(ViewerCommandLine, ANamedPaletteThatIsNoFileIsRefusedBeforeAnyWindow)
{
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    for (std::string palette : {dir.file("fifo"), dir.path()}) {
        std::vector<char*> argv{const_cast<char*>("orvane-viewer"), const_cast<char*>("--palette"), palette.data(), nullptr};
        viewerOptions = ViewerOptions{};
        EXPECT_EQ(takeCommandLine(3, argv.data()), 1) << palette;  // and does not wait on the pipe
    }
    viewerOptions = ViewerOptions{};
}

}  // namespace
