// cmd_check.cpp: the 'check' subcommand: loads, checks and prepares every entry of an archive as
// the viewer would, and tells for each whether the viewer can show it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "app/body_loading.h"
#include "app/viewer_state.h"
#include "archive/little_endian.h"
#include "body/body_check.h"
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

// The number of entries as the loader sees it: the first offset / 4 (signed), or -1 when the
// file cannot be read. The loader takes 16-bit indices, so at most 32,768 can be reached.
int32_t entryCount(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    uint8_t first[4];
    if (!in || !in.read(reinterpret_cast<char*>(first), sizeof first)) return -1;
    const int32_t count = static_cast<int32_t>(readU32(first)) / 4;
    return count > 32768 ? 32768 : count;
}

}  // namespace

int runCheck(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        printCheckUsage(stdout);
        return 0;
    }
    if (argc != 2) {
        printCheckUsage(stderr);
        return 2;
    }
    const char* path = argv[1];
    const int32_t count = entryCount(path);
    if (count < 0) {
        std::fprintf(stderr, "%s: cannot be opened or is shorter than its offset table\n", path);
        return 1;
    }

    int problems = 0;
    for (int32_t i = 0; i < count; ++i) {
        uint8_t* body = nullptr;
        uint32_t size = 0;
        const char* fault = loadPreparedBody(path, static_cast<int16_t>(i), &body, &size);
        const char* fatal = nullptr;
        if (fault == nullptr) checkBodyForFrames(body, size, &fatal);
        std::free(body);
        if (fault != nullptr) {
            std::printf("%s: entry %d: %s\n", path, i, fault);
            ++problems;
        } else if (fatal != nullptr) {
            std::printf("%s: entry %d: stops the viewer at its first frame with \"%s\"\n", path, i, fatal);
            ++problems;
        } else {
            std::printf("%s: entry %d: ok\n", path, i);
        }
    }
    std::printf("%s: %d entr%s, %d with problems\n", path, count, count == 1 ? "y" : "ies", problems);
    if (count > lastModelIndex + 1) {
        std::printf("%s: the viewer reaches entries 0 to %d only\n", path, lastModelIndex);
    }
    return problems == 0 && count > 0 ? 0 : 1;
}
