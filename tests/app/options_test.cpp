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

// Parses `args` (without the program's name) from fresh defaults: the fault's reason, empty when
// the command line is good.
std::string parse(std::vector<std::string> args, ViewerOptions* options)
{
    *options = ViewerOptions{};
    std::vector<char*> argv{const_cast<char*>("orvane-viewer")};
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    return parseViewerOptions(static_cast<int>(argv.size() - 1), argv.data(), options).reason;
}

// The options set, a letter each: archive Named, Info, Watch, Skeleton, Help, Version.
std::string flagsOf(const ViewerOptions& o)
{
    std::string flags;
    for (const auto& [on, letter] : {std::pair{o.archiveNamed, 'n'},
                                     {o.info, 'i'},
                                     {o.watch, 'w'},
                                     {o.skeleton, 's'},
                                     {o.help, 'h'},
                                     {o.version, 'v'}})
        if (on) flags += letter;
    return flags;
}

TEST(ViewerCommandLine, WhatEachFormSets)
{
    const struct {
        std::vector<std::string> args;
        const char* archive;
        const char* palette;
        int32_t entry;
        const char* flags;
        const char* why;
    } cases[] = {
        {{}, "body.ZRK", "palette.dmp", 0, "", "no arguments: the fixed files, every option off"},
        {{"--info", "mods/x/game.ZRK", "--entry", "7", "--skeleton", "--watch"},
         "mods/x/game.ZRK",
         "mods/x/palette.dmp",
         7,
         "niws",
         "in any order; the palette beside the archive"},
        {{"--palette=colours.dmp", "--entry=131", "/abs/a.ZRK"},
         "/abs/a.ZRK",
         "colours.dmp",
         131,
         "n",
         "a named palette wins, wherever it stands"},
        {{"a.ZRK"}, "a.ZRK", "palette.dmp", 0, "n", "an archive in the working directory: the palette there"},
        {{"--palette", "p.dmp"}, "body.ZRK", "p.dmp", 0, "", "a palette alone"},
        {{"--", "--odd-name.ZRK"}, "--odd-name.ZRK", "palette.dmp", 0, "n", "after --, a name is a name"},
        {{"--info", "--help", "--no-such"}, "body.ZRK", "palette.dmp", 0, "ih", "--help answers at once"},
        {{"-h"}, "body.ZRK", "palette.dmp", 0, "h", "-h is --help"},
        {{"--version", "x", "y"}, "body.ZRK", "palette.dmp", 0, "v", "--version answers at once"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        ViewerOptions o;
        ASSERT_EQ(parse(c.args, &o), "");
        EXPECT_EQ(o.archivePath, c.archive);
        EXPECT_EQ(o.palettePath, c.palette);
        EXPECT_EQ(o.startEntry, c.entry);
        EXPECT_EQ(flagsOf(o), c.flags);
    }
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
    EXPECT_EQ(lastPageIndexFor(ViewerOptions{}, 3), lastModelIndex) << "paging reaches 131 unless an archive is named";
}

TEST(ViewerCommandLine, ANamedPaletteThatIsNoFileIsRefusedBeforeAnyWindow)
{
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    for (std::string palette : {dir.file("fifo"), dir.path()}) {
        std::vector<char*> argv{const_cast<char*>("orvane-viewer"), const_cast<char*>("--palette"), palette.data(),
                                nullptr};
        viewerOptions = ViewerOptions{};
        EXPECT_EQ(takeCommandLine(3, argv.data()), 1) << palette;  // and does not wait on the pipe
    }
    viewerOptions = ViewerOptions{};
}

}  // namespace
