// cmd_check.cpp: the 'check' subcommand: loads, checks and prepares every entry of an archive as
// the viewer would, and tells for each whether the viewer can show it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "archive/archive_format.h"
#include "body/body_loading.h"
#include "tool/archive_input.h"
#include "tool/commands.h"

const CommandSyntax checkCommand = {
    .name = "check",
    .usage = "ARCHIVE",
    .summary = "check every entry as the viewer would",
    .description = "Loads every entry as the viewer would and prints one line per entry: 'ok', the\n"
                   "first fault that makes the viewer refuse it, or the fatal condition that would\n"
                   "stop the viewer at its first frame.\n"
                   "\n"
                   "Exit status: 0 when every entry is ok, 1 when any entry has a problem or the\n"
                   "archive cannot be read, 2 on a usage error.\n",
    .options = {},
    .operands = {"ARCHIVE"},
};

int runCheck(int argc, char** argv)
{
    CommandLine line;
    if (const int status = parseCommandLine(checkCommand, argc, argv, &line); status >= 0) return status;
    const char* path = line.operands[0].c_str();
    ArchiveTable table;
    if (!readArchiveOrReport(checkCommand, path, &table)) return 1;
    const bool unread = table.readable < table.announced;
    const int32_t count = table.readable;

    int problems = 0;
    for (int32_t i = 0; i < count; ++i) {
        uint8_t* body = nullptr;
        const Fault fault = loadPreparedBody(path, static_cast<int16_t>(i), &body, nullptr, FatalBodies::refuse);
        std::free(body);
        if (fault) {
            std::printf("%s: entry %d: %s\n", path, i, fault.reason);
            ++problems;
        } else {
            std::printf("%s: entry %d: ok\n", path, i);
        }
    }
    std::printf("%s: %d entr%s, %d with problems\n", path, count, count == 1 ? "y" : "ies", problems);
    if (count > viewerLastEntry + 1) {
        std::printf("%s: the viewer reaches entries 0 to %d only\n", path, viewerLastEntry);
    }
    return problems == 0 && !unread ? 0 : 1;
}
