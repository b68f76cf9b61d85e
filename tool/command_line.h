// command_line.h: the one command-line parser of the orvane tool, so that every command reads
// options, numbers and help the same way and says what was wrong the same way.
//
// Conventions every command gets from it:
//   - options anywhere on the line, before or after the operands; `--` ends the options;
//   - `--opt value` and `--opt=value` (and `-o value`, `-ovalue` for one-letter options);
//   - `--help` (or `-h`) anywhere before `--` prints the command's help on standard output, status 0;
//   - "-" is an operand (standard input or output), and so is a negative number such as "-1";
//   - a bad line prints one line saying what was wrong, `orvane COMMAND: ...`, then the
//     command's usage line, on standard error, and the status is 2;
//   - numbers and indices are read by one strict parser with one message (readNumber).
//
// How a command declares its options (a new command adds only this, its run function, and a
// row in main.cpp's table):
//
//     const CommandSyntax exportCommand = {
//         .name = "export",
//         .usage = "ARCHIVE INDEX -o OUT [--auto-angle N]",     // after "usage: orvane export "
//         .summary = "write one entry as glTF or OBJ",          // its line in 'orvane --help'
//         .description = "Writes entry INDEX of ARCHIVE ...\n",   // the body of 'orvane export --help'
//         .options = {{"-o", "OUT", "the file to write ('-' for standard output)"},
//                     {"--auto-angle", "N", "auto-rotation angle, 1024 a turn (default 0)"},
//                     {"--all", nullptr, "every entry that can be shown"}},  // null value: a flag
//         .operands = {"ARCHIVE", "[INDEX]"},  // "[X]" optional, "X..." one or more
//     };
//
//     int runExport(int argc, char** argv)  // argv[0] is the command's name
//     {
//         CommandLine line;
//         if (const int status = parseCommandLine(exportCommand, argc, argv, &line); status >= 0) return status;
//         long index = 0;
//         if (!line.readNumber("INDEX", line.operands[1].c_str(), 0, 32767, &index)) return usageStatus;
//         const char* out = line.value("-o");                 // null when not given
//         if (out == nullptr) return line.usageError("no output file (-o OUT)");
//         ...
//     }
//
// Output files are checked with refuseSameFile (below) before anything is written.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

inline constexpr int usageStatus = 2;  // the exit status of a bad command line

struct OptionSyntax {
    const char* name;       // "--frames" or "-o"
    const char* valueName;  // "N" when the option takes a value; null for a flag
    const char* help;       // one line for the help
};

struct CommandSyntax {
    const char* name = "";
    const char* usage = "";
    const char* summary = "";
    const char* description = "";
    std::vector<OptionSyntax> options;
    std::vector<const char*> operands;
};

// A command line once parsed.
class CommandLine {
public:
    std::vector<std::string> operands;

    // Whether the option was given (by its declared name).
    bool has(const char* option) const;
    // The option's value (the last one given), or `otherwise` when it was not given.
    const char* value(const char* option, const char* otherwise = nullptr) const;

    // Prints "orvane COMMAND: <what>" and the usage line on standard error; returns usageStatus.
    int usageError(const char* format, ...) const __attribute__((format(printf, 2, 3)));

    // Reads a whole number within low..high (readWholeNumber); otherwise says
    // "WHAT must be a whole number from LOW to HIGH, not 'TEXT'" as a usage error and is false.
    bool readNumber(const char* what, const char* text, long low, long high, long* value) const;

    const CommandSyntax* syntax = nullptr;

private:
    friend int parseCommandLine(const CommandSyntax&, int, char**, CommandLine*);
    std::vector<std::pair<const char*, std::string>> given_;  // (declared name, value)
};

// Parses argv (argv[0] is the command's name). Returns -1 when the command should go on, or
// the status to exit with once help (0) or a usage error (2) has been printed.
int parseCommandLine(const CommandSyntax& syntax, int argc, char** argv, CommandLine* line);

// The strict number syntax: an optional '-' (only when low < 0) and decimal digits, nothing
// else (no spaces, no '+'), within low..high.
bool readWholeNumber(const char* text, long low, long high, long* value);

// Prints the command's full help ("orvane COMMAND --help").
void printCommandHelp(const CommandSyntax& syntax, FILE* stream);
// Prints "usage: orvane COMMAND USAGE".
void printUsageLine(const CommandSyntax& syntax, FILE* stream);
// The lines for the main help: each command's usage and summary, then its options, aligned.
void printCommandTable(const std::vector<const CommandSyntax*>& syntaxes, FILE* stream);

// True, after printing "orvane COMMAND: OUTPUT is also the input INPUT; nothing written" and the
// usage line, when the output is the same file as one of the inputs (isSameFile): a command
// line that names one file twice; the command then exits with usageStatus.
bool refuseSameFile(const CommandSyntax& syntax, const std::string& output, const std::vector<std::string>& inputs);

// True when the stream has met no error and flushes; otherwise prints
// "orvane COMMAND: cannot write to standard output: REASON" and is false.
bool flushStandardOutput(const char* command);
