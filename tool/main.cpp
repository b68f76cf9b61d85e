// main.cpp: the orvane tool's entry: finds the subcommand and runs it.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
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
    {&diffCommand, runDiff},
    {&patchCreateCommand, runPatchCreate},
    {&patchApplyCommand, runPatchApply},
    {&patchInfoCommand, runPatchInfo},
    {&galleryCommand, runGallery},
};

// The command named by the first one or two of `words` ("list", or "patch create"); *used says
// how many. Null when none is; *family is then set when the first word begins two-word names.
const Command* findCommand(int count, char** words, int* used, bool* family = nullptr)
{
    if (family != nullptr) *family = false;
    for (const Command& command : commands) {
        const char* name = command.syntax->name;
        const char* space = std::strchr(name, ' ');
        if (space == nullptr) {
            if (std::strcmp(words[0], name) != 0) continue;
            *used = 1;
            return &command;
        }
        if (std::strncmp(words[0], name, static_cast<size_t>(space - name)) != 0 || words[0][space - name] != '\0')
            continue;
        if (family != nullptr) *family = true;
        if (count < 2 || std::strcmp(words[1], space + 1) != 0) continue;
        *used = 2;
        return &command;
    }
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

int unknownCommand(int count, char** words)
{
    int used = 0;
    bool family = false;
    findCommand(count, words, &used, &family);
    if (!family) return usageError("unknown command '%s'", words[0]);
    std::string choices;
    for (const Command& command : commands) {
        const char* name = command.syntax->name;
        const size_t length = std::strlen(words[0]);
        if (std::strncmp(name, words[0], length) == 0 && name[length] == ' ')
            choices += (choices.empty() ? "" : ", ") + std::string(name + length + 1);
    }
    const std::string what = "'" + std::string(words[0]) + "' needs one of: " + choices +
                             (count > 1 ? " (not '" + std::string(words[1]) + "')" : "");
    return usageError("%s", what.c_str());
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
    int used = 0;
    if (std::strcmp(first, "help") == 0) {
        const Command* command = findCommand(argc - 2, argv + 2, &used);
        if (command == nullptr) return unknownCommand(argc - 2, argv + 2);
        if (argc > 2 + used) return usageError("unexpected argument '%s'", argv[2 + used]);
        printCommandHelp(*command->syntax, stdout);
        return 0;
    }
    if (first[0] == '-') return usageError("unknown option %s", first);
    const Command* command = findCommand(argc - 1, argv + 1, &used);
    if (command == nullptr) return unknownCommand(argc - 1, argv + 1);
    *commandName = command->syntax->name;
    return command->run(argc - used, argv + used);
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
