// cmd_diff.cpp: the 'diff' subcommand: two archives compared entry by entry, with pictures of
// the entries that changed on request.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "body/entry_diff.h"
#include "tool/cmd_diff_pictures.h"
#include "tool/cmd_patch_files.h"
#include "tool/commands.h"

const CommandSyntax diffCommand = {
    .name = "diff",
    .usage = "OLD NEW [--pictures DIR] [--palette FILE]",
    .summary = "compare two archives entry by entry, in words and pictures",
    .description = "Prints one line per entry: 'same' (stored bytes identical), 'repacked' (the same\n"
                   "unpacked bytes, stored differently), 'changed' with what changed in words\n"
                   "(points moved, bones with other angles, elements added, removed or recoloured,\n"
                   "other fields), 'added', 'removed', or 'damaged' with the side and its fault;\n"
                   "then a count. With --pictures, writes DIR/entry-NNN.png for each changed entry:\n"
                   "the old body and the new side by side, labelled, drawn by the viewer's code.\n"
                   "\n"
                   "Exit status, as diff's: 0 when the archives show the same bodies, 1 when they\n"
                   "differ, 2 on trouble (a file that cannot be read, a damaged table or entry, a\n"
                   "picture that cannot be written) or a usage error.\n",
    .options = {{"--pictures", "DIR", "a picture of each changed entry in DIR (made if missing)"},
                {"--palette", "FILE", "palette for the pictures (default: palette.dmp beside NEW)"}},
    .operands = {"OLD", "NEW"},
};

namespace {

constexpr int troubleStatus = 2;

// Reads one side; prints its fault and is false when its table cannot be read in full (an index
// reaches only the first 32768 entries, so diff compares no more).
bool readSide(const std::string& path, std::vector<uint8_t>* bytes, StoredArchive* archive)
{
    if (!readWholeInput(diffCommand, path, bytes)) return false;
    Fault fault = readStoredEntries(*bytes, archive, reachableEntries);
    if (!fault) fault = unreadEntriesFault(*archive, bytes->size());
    if (fault) std::fprintf(stderr, "orvane diff: %s: %s\n", path.c_str(), fault.reason);
    return !fault;
}

// Writes the pictures of the changed entries as one batch; false after saying why.
bool writePictures(const DiffPictures& pictures, const std::string& dir)
{
    std::vector<FileContents> files;
    if (const Fault fault = drawDiffPictures(pictures, dir, &files)) {
        std::fprintf(stderr, "orvane diff: %s\n", fault.reason);
        return false;
    }
    // The folder is made only once every picture is drawn.
    std::error_code error;
    if (!std::filesystem::is_directory(dir, error) && !std::filesystem::create_directory(dir, error)) {
        std::fprintf(stderr, "orvane diff: cannot make the folder %s: %s\n", dir.c_str(),
                     error ? error.message().c_str() : "something else has that name");
        return false;
    }
    if (const Fault fault = writeFilesTogether(files)) {
        std::fprintf(stderr, "orvane diff: cannot write the pictures: %s (none written)\n", fault.reason);
        return false;
    }
    return true;
}

}  // namespace

int runDiff(int argc, char** argv)
{
    CommandLine line;
    if (const int status = parseCommandLine(diffCommand, argc, argv, &line); status >= 0) return status;
    const std::string& oldPath = line.operands[0];
    const std::string& newPath = line.operands[1];
    if (oldPath == "-" || newPath == "-") return line.usageError("OLD and NEW must be files");
    const char* dir = line.value("--pictures");
    DiffPictures pictures{oldPath, newPath, line.value("--palette", ""), {}};
    if (pictures.palette.empty())
        pictures.palette = (std::filesystem::path(newPath).parent_path() / "palette.dmp").string();

    std::vector<uint8_t> oldBytes, newBytes;
    StoredArchive before, after;
    if (!readSide(oldPath, &oldBytes, &before) || !readSide(newPath, &newBytes, &after)) return troubleStatus;
    const std::vector<EntryComparison> verdicts = compareArchives(before, after);

    size_t counts[verdictCount] = {};
    for (size_t i = 0; i < verdicts.size(); ++i) {
        const EntryComparison& v = verdicts[i];
        ++counts[static_cast<int>(v.verdict)];
        std::printf("%5zu  %s%s%s\n", i, verdictName(v.verdict), v.detail.empty() ? "" : ": ", v.detail.c_str());
        if (v.verdict == EntryVerdict::changed) pictures.entries.push_back(static_cast<long>(i));
    }
    std::printf("%zu %s:", verdicts.size(), verdicts.size() == 1 ? "entry" : "entries");
    const char* separator = " ";
    for (int k = 0; k < verdictCount; ++k) {
        if (counts[k] == 0) continue;
        std::printf("%s%zu %s", separator, counts[k], verdictName(static_cast<EntryVerdict>(k)));
        separator = ", ";
    }
    std::printf("\n");

    if (dir != nullptr && !pictures.entries.empty()) {
        for (const long index : pictures.entries)
            if (refuseSameFile(diffCommand, diffPictureName(dir, index), {oldPath, newPath, pictures.palette}))
                return troubleStatus;
        std::fflush(stdout);
        if (!writePictures(pictures, dir)) return troubleStatus;
    }
    if (counts[static_cast<int>(EntryVerdict::damaged)] > 0) return troubleStatus;
    const bool differ = counts[static_cast<int>(EntryVerdict::changed)] +
                            counts[static_cast<int>(EntryVerdict::added)] +
                            counts[static_cast<int>(EntryVerdict::removed)] >
                        0;
    return differ ? 1 : 0;
}
