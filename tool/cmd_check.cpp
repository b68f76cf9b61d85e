// cmd_check.cpp: the 'check' subcommand: loads, checks and prepares every entry of an archive as
// the viewer would, and tells for each whether the viewer can show it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "body/body_loading.h"
#include "archive/archive_format.h"
#include "body/body_check.h"
#include "tool/command_line.h"
#include "tool/commands.h"

namespace {

void printCheckUsage(FILE* stream)
{
    std::fprintf(stream,
                 "usage: orvane check ARCHIVE\n"
                 "Loads every entry as the viewer would and prints one line per entry: 'ok', the\n"
                 "first fault that makes the viewer refuse it, or the fatal condition that would\n"
                 "stop the viewer at its first frame. Exit status 1 when any entry has a problem.\n");
}

}  // namespace

int runCheck(int argc, char** argv)
{
    if (isHelpRequest(argc, argv)) {
        printCheckUsage(stdout);
        return 0;
    }
    if (argc != 2) {
        printCheckUsage(stderr);
        return 2;
    }
    const char* path = argv[1];
    int32_t announced = 0;
    if (readArchiveEntryCount(path, &announced)) {
        std::fprintf(stderr, "%s: cannot be opened or is shorter than its offset table\n", path);
        return 1;
    }
    if (announced < 0) {
        std::fprintf(stderr, "%s: the first offset gives a negative entry count\n", path);
        return 1;
    }
    const int32_t count = announced > reachableEntries ? reachableEntries : announced;

    int problems = 0;
    for (int32_t i = 0; i < count; ++i) {
        uint8_t* body = nullptr;
        uint32_t size = 0;
        const Fault fault = loadPreparedBody(path, static_cast<int16_t>(i), &body, &size);
        const char* fatal = nullptr;
        if (!fault) (void)checkBodyForFrames(body, size, &fatal);  // already passed in the load
        std::free(body);
        if (fault) {
            std::printf("%s: entry %d: %s\n", path, i, fault.reason);
            ++problems;
        } else if (fatal != nullptr) {
            std::printf("%s: entry %d: stops the viewer at its first frame with \"%s\"\n", path, i, fatal);
            ++problems;
        } else {
            std::printf("%s: entry %d: ok\n", path, i);
        }
    }
    std::printf("%s: %d entr%s, %d with problems\n", path, count, count == 1 ? "y" : "ies", problems);
    if (count > viewerLastEntry + 1) {
        std::printf("%s: the viewer reaches entries 0 to %d only\n", path, viewerLastEntry);
    }
    return problems == 0 && count > 0 ? 0 : 1;
}
