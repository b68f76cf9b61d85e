// file_safety_test.cpp: the user's files are never lost: a failed write leaves the target as it
// was in every writing command; pipes, devices and '-' are written straight to; an output that
// is also an input is refused; demo keeps existing files unless forced.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/tool/demo_folder.h"

namespace {

namespace fs = std::filesystem;

// Every command that writes a file, with OUT where the output goes; each writes more than the
// 1 KiB that the file-size limit below allows.
const std::vector<std::string> writers = {
    "pack --raw OUT body.ZRK",
    "pack --stored --raw OUT body.ZRK palette.dmp",
    "extract body.ZRK 7 OUT",
    "render body.ZRK 0 -o OUT",
    "render body.ZRK --sheet --size 80x60 -o OUT",
    "render body.ZRK 0 --views --size 80x60 -o OUT",
    "export body.ZRK 0 --format glb -o OUT",
};

std::string withOutput(std::string command, const std::string& out)
{
    return command.replace(command.find("OUT"), 3, out);
}

class FileSafety : public DemoFolder {
protected:
    // Runs the tool in the folder; `limit` first sets a file-size limit of 2 blocks (1 KiB).
    CommandRun tool(const std::string& arguments, bool limit = false)
    {
        return runCommand("cd '" + folder.path() + "' && " + (limit ? "ulimit -f 2 && " : "") + "exec '" +
                          ORVANE_TOOL_PATH + "' " + arguments);
    }

    // What the folder holds: each name with its kind and contents (or link target).
    std::map<std::string, std::string> snapshot() const
    {
        std::map<std::string, std::string> files;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder.path())) {
            const std::string name = fs::relative(entry.path(), folder.path()).string();
            if (entry.is_symlink())
                files[name] = "link to " + fs::read_symlink(entry.path()).string();
            else if (entry.is_fifo())
                files[name] = "fifo";
            else if (entry.is_directory())
                files[name] = "folder";
            else
                files[name] = readText(entry.path().string());
        }
        return files;
    }
};

TEST_F(FileSafety, AFailedWriteLeavesTheTargetAsItWas)
{
    ASSERT_TRUE(folder.write("old.bin", Bytes{'O', 'L', 'D'}));
    fs::create_symlink("old.bin", folder.file("link.bin"));
    for (const std::string& writer : writers) {
        for (const char* target : {"old.bin", "link.bin", "new.bin"}) {
            const auto before = snapshot();
            const CommandRun run = tool(withOutput(writer, target), true);
            EXPECT_EQ(run.status, 1) << writer << " to " << target;
            EXPECT_NE(run.err.find(std::string("cannot write ") + target + ": File too large"), std::string::npos)
                << run.err;
            EXPECT_EQ(snapshot(), before) << writer << " to " << target << ": the folder changed";
        }
    }

    // demo replaces both files or neither (the palette alone would fit in the limit).
    fs::create_directory(folder.file("old"));
    ASSERT_TRUE(folder.write("old/palette.dmp", Bytes{'P'}));
    ASSERT_TRUE(folder.write("old/body.ZRK", Bytes{'B'}));
    const auto before = snapshot();
    const CommandRun run = tool("demo --force old", true);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("File too large"), std::string::npos) << run.err;
    EXPECT_EQ(snapshot(), before);
}

TEST_F(FileSafety, AWriteThatSucceedsReplacesTheTargetKeepingLinkAndPermissions)
{
    ASSERT_TRUE(folder.write("old.bin", Bytes{'O', 'L', 'D'}));
    chmod(folder.file("old.bin").c_str(), 0640);
    fs::create_symlink("old.bin", folder.file("link.bin"));
    const CommandRun run = tool("extract body.ZRK 3 link.bin");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::is_symlink(folder.file("link.bin")));
    EXPECT_EQ(folder.read("old.bin"), demoBodies()[3].bytes);
    EXPECT_EQ(fs::status(folder.file("old.bin")).permissions() & fs::perms::all, fs::perms(0640));
}

TEST_F(FileSafety, PipesDevicesAndDashAreWrittenStraightAndKept)
{
    fs::create_symlink("/dev/full", folder.file("full"));
    ASSERT_EQ(mkfifo(folder.file("pipe").c_str(), 0600), 0);
    for (const std::string& writer : writers) {
        const CommandRun full = tool(withOutput(writer, "full"));
        EXPECT_EQ(full.status, 1) << writer;
        EXPECT_NE(full.err.find("cannot write full: No space left on device"), std::string::npos) << full.err;
        EXPECT_TRUE(fs::is_symlink(folder.file("full"))) << writer << " removed the link to a device";

        const CommandRun piped =
            runCommand("cd '" + folder.path() + "' && { timeout 60 cat pipe > piped & } && '" + ORVANE_TOOL_PATH +
                       "' " + withOutput(writer, "pipe") + "; status=$?; wait; exit $status");
        EXPECT_EQ(piped.status, 0) << writer << ": " << piped.err;
        EXPECT_TRUE(fs::is_fifo(folder.file("pipe"))) << writer;
        EXPECT_GT(folder.read("piped").size(), 1000u) << writer;

        const CommandRun dash = tool(withOutput(writer, "-"));
        EXPECT_EQ(dash.status, 0) << writer << ": " << dash.err;
        EXPECT_EQ(dash.out, readText(folder.file("piped"))) << writer << " to '-'";
        EXPECT_FALSE(fs::exists(folder.file("-")));
    }
    EXPECT_EQ(tool("render body.ZRK 0 -o -").out.substr(1, 3), "PNG");

    // A path naming the standard output writes through it: an append keeps what the file held.
    ASSERT_TRUE(folder.write("log", Bytes{'O', 'L', 'D'}));
    const CommandRun appended = tool("extract body.ZRK 1 /dev/stdout >> log");
    EXPECT_EQ(appended.status, 0) << appended.err;
    const Bytes log = folder.read("log");
    ASSERT_GT(log.size(), 3u);
    EXPECT_EQ(Bytes(log.begin(), log.begin() + 3), (Bytes{'O', 'L', 'D'}));
    const std::string entry = tool("extract body.ZRK 1 -").out;
    EXPECT_EQ(std::string(log.begin() + 3, log.end()), entry) << "the entry follows the old bytes";
}

TEST_F(FileSafety, AnOutputThatIsAlsoAnInputIsRefusedBeforeWriting)
{
    fs::create_directory(folder.file("sub"));
    fs::create_symlink("../body.ZRK", folder.file("sub/link.ZRK"));
    const auto before = snapshot();
    for (const auto& [arguments, same] : std::vector<std::pair<std::string, std::string>>{
             {"extract body.ZRK 1 body.ZRK", "body.ZRK is also the input body.ZRK"},
             {"extract body.ZRK 1 ./sub/../body.ZRK", "./sub/../body.ZRK is also the input body.ZRK"},
             {"extract sub/link.ZRK 1 body.ZRK", "body.ZRK is also the input sub/link.ZRK"},
             {"render body.ZRK 0 -o body.ZRK", "body.ZRK is also the input body.ZRK"},
             {"render body.ZRK 0 --palette palette.dmp -o palette.dmp", "palette.dmp is also the input palette.dmp"},
             {"render body.ZRK --sheet -o palette.dmp", "palette.dmp is also the input palette.dmp"},
             {"pack palette.dmp body.ZRK palette.dmp", "palette.dmp is also the input palette.dmp"},
             {"export body.ZRK 0 --format obj -o sub/../palette.dmp",
              "sub/../palette.dmp is also the input palette.dmp"},
             {"pack sub/link.ZRK palette.dmp body.ZRK", "sub/link.ZRK is also the input body.ZRK"},
             {"pack --palette palette.dmp palette.dmp body.ZRK", "palette.dmp is also the input palette.dmp"}}) {
        const CommandRun run = tool(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_NE(run.err.find(same + "; nothing written\nusage: orvane "), std::string::npos) << arguments << "\n"
                                                                                               << run.err;
        EXPECT_EQ(snapshot(), before) << arguments;
    }
}

TEST_F(FileSafety, DemoKeepsExistingFilesUnlessForced)
{
    ASSERT_TRUE(folder.write("body.ZRK", Bytes{'M', 'I', 'N', 'E'}));
    const auto before = snapshot();
    const CommandRun kept = tool("demo .");
    EXPECT_EQ(kept.status, 1);
    EXPECT_NE(kept.err.find("exists; give --force to replace it"), std::string::npos) << kept.err;
    EXPECT_EQ(snapshot(), before);

    const CommandRun forced = tool("demo --force .");
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(folder.read("body.ZRK"), demoArchive());
    EXPECT_EQ(tool("demo fresh").status, 0);
    EXPECT_EQ(folder.read("fresh/palette.dmp"), demoPalette());
}

}  // namespace
