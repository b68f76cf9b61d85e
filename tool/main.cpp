// main.cpp: the orvane tool's entry: finds the subcommand and runs it.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "tool/commands.h"

#ifndef ORVANE_VERSION
#define ORVANE_VERSION "unknown"
#endif

namespace {

struct Command {
    const CommandSyntax* syntax;
    int (*run)(int argc, char** argv);
};

// Every command, in the order the help lists them.
const Command commands[] = {
    {&demoCommand, runDemo},
    {&listCommand, runList},
    {&extractCommand, runExtract},
    {&packCommand, runPack},
    {&checkCommand, runCheck},
    {&dumpCommand, runDump},
    {&bonesCommand, runBones},
    {&renderCommand, runRender},
    {&exportCommand, runExport},
    {&importCommand, runImport},
    {&replaceCommand, runReplace},
};

const Command* findCommand(const char* name)
{
    for (const Command& command : commands)
        if (std::strcmp(name, command.syntax->name) == 0) return &command;
    return nullptr;
}

void printUsage(FILE* stream)
{
    std::fprintf(stream, "usage: orvane COMMAND [ARGS...]\n"
                         "       orvane help COMMAND   (or orvane COMMAND --help) tells more about one command\n"
                         "       orvane --version\n");
}

void printHelp()
{
    printUsage(stdout);
    std::printf("\nStudies, builds and renders the resource archives of the Orvane model viewer.\n"
                "Options go anywhere on the line; '--' ends them; '--opt=value' is '--opt value';\n"
                "'-' names the standard input or output. Exit status: 0 on success, 1 for input\n"
                "that cannot be read or output that cannot be written, 2 for a bad command line.\n"
                "\ncommands:\n");
    std::vector<const CommandSyntax*> syntaxes;
    for (const Command& command : commands) syntaxes.push_back(command.syntax);
    printCommandTable(syntaxes, stdout);
}

int usageError(const char* format, const char* what)
{
    std::fprintf(stderr, "orvane: ");
    std::fprintf(stderr, format, what);
    std::fprintf(stderr, "\n");
    printUsage(stderr);
    return usageStatus;
}

int runTool(int argc, char** argv, const char** commandName)
{
    if (argc < 2) return usageError("%s", "missing COMMAND");
    const char* first = argv[1];
    if (std::strcmp(first, "--help") == 0 || std::strcmp(first, "-h") == 0 ||
        (std::strcmp(first, "help") == 0 && argc == 2)) {
        printHelp();
        return 0;
    }
    if (std::strcmp(first, "--version") == 0) {
        std::printf("orvane %s\n", ORVANE_VERSION);
        return 0;
    }
    if (std::strcmp(first, "help") == 0) {
        if (argc > 3) return usageError("unexpected argument '%s'", argv[3]);
        const Command* command = findCommand(argv[2]);
        if (command == nullptr) return usageError("unknown command '%s'", argv[2]);
        printCommandHelp(*command->syntax, stdout);
        return 0;
    }
    if (first[0] == '-') return usageError("unknown option %s", first);
    const Command* command = findCommand(first);
    if (command == nullptr) return usageError("unknown command '%s'", first);
    *commandName = command->syntax->name;
    return command->run(argc - 1, argv + 1);
}

}  // namespace

int main(int argc, char** argv)
{
    // A file-size limit then fails the write (EFBIG), which is reported and cleaned up, instead
    // of killing the process half-way through a temporary file.
    std::signal(SIGXFSZ, SIG_IGN);
    const char* commandName = "";
    int status = 1;
    try {
        status = runTool(argc, argv, &commandName);
    } catch (const std::bad_alloc&) {
        // Every input is capped so that this is never met; should it be, one line and status 1.
        std::fprintf(stderr, "orvane%s%s: out of memory\n", commandName[0] != '\0' ? " " : "", commandName);
        return 1;
    }
    // Whatever was printed must have reached standard output (a full disk, /dev/full).
    if (!flushStandardOutput(commandName)) return 1;
    return status;
}
