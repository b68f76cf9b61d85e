// command_line_test.cpp: the tool's command lines: what a bad one says (one line, then the
// usage line, status 2, nothing written), the conventions users expect, output that cannot
// reach standard output, and inputs that are not regular files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "demo/demo_data.h"
#include "tests/support/run_command.h"
#include "tests/support/scratch_dir.h"

namespace {

namespace fs = std::filesystem;

class CommandLines : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(writeDemoFiles(folder.path()).reason, std::string());
        ASSERT_TRUE(folder.write("e0.bin", demoBodies()[0].bytes));
    }

    CommandRun tool(const std::string& arguments) { return runToolIn(folder.path(), arguments); }

    std::vector<std::string> names() const { return fileNames(folder.path()); }

    TempDir folder;
};

TEST_F(CommandLines, ABadLineSaysWhatWasWrongThenTheUsageLine)
{
    const std::string index = "INDEX must be a whole number from 0 to 32767, not ";
    const auto before = names();
    for (const auto& [arguments, said] : std::vector<std::pair<std::string, std::string>>{
             {"pack --bogus e0.bin", "orvane pack: unknown option --bogus"},
             {"pack new.ZRK e0.bin --bogus", "orvane pack: unknown option --bogus"},
             {"pack --stored=yes new.ZRK e0.bin", "orvane pack: option --stored takes no value"},
             {"pack new.ZRK", "orvane pack: missing FILE"},
             {"demo --bogus", "orvane demo: unknown option --bogus"},
             {"demo -", "orvane demo: DIR must be a folder, not '-'"},
             {"list", "orvane list: missing ARCHIVE"},
             {"list body.ZRK more.ZRK", "orvane list: unexpected argument 'more.ZRK'"},
             {"check body.ZRK -x", "orvane check: unknown option -x"},
             {"extract body.ZRK 0", "orvane extract: missing OUT"},
             {"extract body.ZRK ' 3' out.bin", "orvane extract: " + index + "' 3'"},
             {"extract body.ZRK +3 out.bin", "orvane extract: " + index + "'+3'"},
             {"extract body.ZRK 3x out.bin", "orvane extract: " + index + "'3x'"},
             {"extract body.ZRK 32768 out.bin", "orvane extract: " + index + "'32768'"},
             {"dump body.ZRK -1", "orvane dump: " + index + "'-1'"},
             {"dump body.ZRK 0 --frames -1",
              "orvane dump: --frames must be a whole number from 0 to 2147483647, not '-1'"},
             {"render body.ZRK -1 -o out.png", "orvane render: " + index + "'-1'"},
             {"render body.ZRK 0 --turntable 0 -o out.gif",
              "orvane render: --turntable must be a whole number from 1 to 1024, not '0'"},
             {"bones body.ZRK x", "orvane bones: " + index + "'x'"},
             {"export body.ZRK 0 -o out.glb --look shiny", "orvane export: --look must be viewer or base, not 'shiny'"},
             {"dump body.ZRK --session 1,,2", "orvane dump: --session takes steps INDEX[:FRAMES],... (INDEX 0 to "
                                              "32767, at most 2147483647 frames in all), not '1,,2'"},
             {"dump body.ZRK --session 0:2147483647,1",
              "orvane dump: --session takes steps INDEX[:FRAMES],... (INDEX 0 to 32767, at most 2147483647 frames in "
              "all), not '0:2147483647,1'"},
             {"demo ''", "orvane demo: an empty argument ('') names nothing"},
             {"export body.ZRK 0 -o ''", "orvane export: option -o needs a value (OUT), not ''"},
             {"export body.ZRK 0 --palette=", "orvane export: option --palette needs a value (FILE), not ''"},
             {"import e0.obj -o x.bin --scale ' 3'", "orvane import: --scale needs a positive number"},
             {"render body.ZRK --sheet --size 8000x60 -o s.png",
              "orvane render: a sheet of 24000x180 pixels is too large (at most 16384x16384); choose a smaller --size"},
             {"dump body.ZRK 0 --session 1", "orvane dump: --session takes no INDEX"},
             {"render body.ZRK 0", "orvane render: no output file (-o OUT.png)"},
             {"render body.ZRK 0 -o", "orvane render: option -o needs a value (OUT.png)"},
             {"render body.ZRK 3 --sheet -o out.png", "orvane render: --sheet takes no INDEX"},
             {"render body.ZRK 0 -o out.png --zoom far", "orvane render: --zoom must be a number, not 'far'"},
             {"render body.ZRK 0 -o out.png --size 0x10",
              "orvane render: --size must be WxH, each a whole number from 1 to 8192, not '0x10'"},
             {"", "orvane: missing COMMAND"},
             {"bogus", "orvane: unknown command 'bogus'"},
             {"--bogus", "orvane: unknown option --bogus"},
             {"help bogus", "orvane: unknown command 'bogus'"}}) {
        const CommandRun run = tool(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        const std::vector<std::string> lines = linesOf(run.err);
        ASSERT_GE(lines.size(), 2u) << arguments << "\n" << run.err;
        EXPECT_EQ(lines[0], said) << arguments;
        const std::string command = arguments.substr(0, arguments.find(' '));
        const bool topLevel = said.rfind("orvane: ", 0) == 0;
        EXPECT_EQ(lines[1].rfind(topLevel ? "usage: orvane COMMAND" : "usage: orvane " + command + " ", 0), 0u)
            << run.err;
        if (!topLevel) {
            EXPECT_EQ(lines.size(), 2u) << run.err;
        }
        EXPECT_EQ(run.out, "") << arguments;
        EXPECT_EQ(names(), before) << arguments << " left a file behind";
    }
}

TEST_F(CommandLines, FollowsTheConventionsUsersExpect)
{
    // Options anywhere, '--' ends them, --opt=value.
    ASSERT_EQ(tool("pack stored.ZRK e0.bin --stored").status, 0);
    EXPECT_NE(tool("list stored.ZRK").out.find("    0          4      0 "), std::string::npos);
    ASSERT_EQ(tool("extract body.ZRK 0 -- -dash.bin").status, 0);
    EXPECT_EQ(folder.read("-dash.bin"), demoBodies()[0].bytes);
    const CommandRun spaced = tool("dump body.ZRK 0 --frames 2 --auto-rotate");
    EXPECT_EQ(spaced.status, 0);
    EXPECT_EQ(linesOf(spaced.out).size(), 2u);
    EXPECT_EQ(tool("dump --auto-rotate --frames=2 body.ZRK 0").out, spaced.out);
    ASSERT_EQ(tool("pack - e0.bin < e0.bin").out, tool("pack - - < e0.bin").out);

    // --help anywhere before '--', and 'help COMMAND', print the command's help and do nothing else.
    const CommandRun help = tool("extract body.ZRK --help 0 out.bin");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: orvane extract ARCHIVE INDEX OUT\n", 0), 0u) << help.out;
    EXPECT_FALSE(fs::exists(folder.file("out.bin")));
    EXPECT_EQ(tool("help extract").out, help.out);
    EXPECT_NE(tool("dump --help").out.find("prints the viewer's own message on standard\noutput"), std::string::npos);
    EXPECT_EQ(tool("--version").out, "orvane 0.2.0\n");

    // The main help names every command and option, the summaries in one column.
    const CommandRun main = tool("--help");
    EXPECT_EQ(main.status, 0);
    for (const char* word : {"demo",
                             "--force",
                             "list",
                             "extract",
                             "pack",
                             "--stored",
                             "check",
                             "dump",
                             "--frames N",
                             "--auto-rotate",
                             "--session STEPS",
                             "bones",
                             "render",
                             "--turntable N",
                             "--views",
                             "--bone N",
                             "--skeleton",
                             "-o OUT.png",
                             "--sheet",
                             "--palette FILE",
                             "--wireframe",
                             "--zoom Z",
                             "--angle-x A",
                             "--angle-y A",
                             "--auto-angle N",
                             "--size WxH",
                             "diff",
                             "--pictures DIR",
                             "patch create",
                             "--note TEXT",
                             "patch apply",
                             "patch info"})
        EXPECT_NE(main.out.find(" " + std::string(word) + " "), std::string::npos) << word;
    std::size_t column = 0;
    for (const std::string& line : linesOf(main.out)) {
        if (line.size() < 4 || line[2] == ' ' || line.rfind("  ", 0) != 0) continue;  // command lines only
        const std::size_t at = line.find_first_not_of(' ', line.find("  ", 2));       // names may be two words
        if (column == 0) column = at;
        EXPECT_EQ(at, column) << line;
    }
    EXPECT_EQ(tool("help").out, main.out);
}

TEST_F(CommandLines, OutputThatCannotReachStandardOutputFails)
{
    for (const char* arguments : {"list body.ZRK", "check body.ZRK", "dump body.ZRK 0 --frames 50", "--help",
                                  "list --help", "--version", "demo fresh"}) {
        const CommandRun run = tool(std::string(arguments) + " > /dev/full");
        EXPECT_EQ(run.status, 1) << arguments;
        EXPECT_NE(run.err.find("cannot write to standard output: No space left on device"), std::string::npos)
            << arguments << "\n"
            << run.err;
    }
    const CommandRun extract = tool("extract body.ZRK 0 - > /dev/full");
    EXPECT_EQ(extract.status, 1);
    EXPECT_NE(extract.err.find("cannot write -: No space left on device"), std::string::npos) << extract.err;
}

TEST_F(CommandLines, InputsAreRegularFilesOrDash)
{
    ASSERT_EQ(mkfifo(folder.file("pipe").c_str(), 0600), 0);
    fs::create_directory(folder.file("folder"));
    for (const char* input : {"/dev/zero", "pipe", "folder"}) {
        const CommandRun run = tool(std::string("pack new.ZRK e0.bin ") + input);
        EXPECT_EQ(run.status, 1) << input;
        EXPECT_EQ(run.err, std::string("orvane pack: ") + input + ": cannot read it: not a regular file\n");
        EXPECT_FALSE(fs::exists(folder.file("new.ZRK")));
    }
}

}  // namespace
