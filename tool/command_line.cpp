// command_line.cpp: the one command-line parser of the orvane tool.
#include "tool/command_line.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "support/same_file.h"

namespace {

bool isHelp(const char* argument) { return std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0; }

// "-" and negative numbers are operands, not options.
bool looksLikeOption(const char* argument)
{
    return argument[0] == '-' && argument[1] != '\0' && !std::isdigit(static_cast<unsigned char>(argument[1]));
}

const OptionSyntax* findOption(const CommandSyntax& syntax, const std::string& name)
{
    for (const OptionSyntax& option : syntax.options)
        if (name == option.name) return &option;
    return nullptr;
}

bool isOptional(const char* operand) { return operand[0] == '['; }
bool isRepeated(const char* operand) { return std::strstr(operand, "...") != nullptr; }

std::string optionLeft(const OptionSyntax& option)
{
    std::string left = option.name;
    if (option.valueName != nullptr) left += std::string(" ") + option.valueName;
    return left;
}

}  // namespace

bool CommandLine::has(const char* option) const { return value(option) != nullptr; }

const char* CommandLine::value(const char* option, const char* otherwise) const
{
    const char* found = otherwise;
    for (const auto& [name, text] : given_)
        if (std::strcmp(name, option) == 0) found = text.c_str();
    return found;
}

int CommandLine::usageError(const char* format, ...) const
{
    char what[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(what, sizeof what, format, args);
    va_end(args);
    std::fprintf(stderr, "orvane %s: %s\n", syntax->name, what);
    printUsageLine(*syntax, stderr);
    return usageStatus;
}

bool CommandLine::readNumber(const char* what, const char* text, long low, long high, long* value) const
{
    if (readWholeNumber(text, low, high, value)) return true;
    usageError("%s must be a whole number from %ld to %ld, not '%s'", what, low, high, text);
    return false;
}

bool readWholeNumber(const char* text, long low, long high, long* value)
{
    const char* digits = text[0] == '-' && low < 0 ? text + 1 : text;
    if (*digits == '\0') return false;
    for (const char* c = digits; *c != '\0'; ++c)
        if (!std::isdigit(static_cast<unsigned char>(*c))) return false;
    errno = 0;
    const long v = std::strtol(text, nullptr, 10);
    if (errno != 0 || v < low || v > high) return false;
    *value = v;
    return true;
}

int parseCommandLine(const CommandSyntax& syntax, int argc, char** argv, CommandLine* line)
{
    line->syntax = &syntax;
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (isHelp(argv[i])) {
            printCommandHelp(syntax, stdout);
            return 0;
        }
    }
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (optionsEnded || !looksLikeOption(argument)) {
            if (argument[0] == '\0') return line->usageError("an empty argument ('') names nothing");
            line->operands.push_back(argument);
            continue;
        }
        if (std::strcmp(argument, "--") == 0) {
            optionsEnded = true;
            continue;
        }
        std::string name = argument;
        std::string attached;
        bool hasAttached = false;
        if (argument[1] == '-') {  // --name or --name=value
            const std::size_t equals = name.find('=');
            if (equals != std::string::npos) {
                attached = name.substr(equals + 1);
                name.resize(equals);
                hasAttached = true;
            }
        } else if (name.size() > 2) {  // -oVALUE
            attached = name.substr(2);
            name.resize(2);
            hasAttached = true;
        }
        const OptionSyntax* option = findOption(syntax, name);
        if (option == nullptr) return line->usageError("unknown option %s", name.c_str());
        if (option->valueName != nullptr &&
            ((hasAttached && attached.empty()) || (!hasAttached && i + 1 < argc && argv[i + 1][0] == '\0')))
            return line->usageError("option %s needs a value (%s), not ''", name.c_str(), option->valueName);
        if (option->valueName == nullptr) {
            if (hasAttached) return line->usageError("option %s takes no value", name.c_str());
            line->given_.emplace_back(option->name, "");
        } else if (hasAttached) {
            line->given_.emplace_back(option->name, attached);
        } else if (i + 1 < argc) {
            line->given_.emplace_back(option->name, argv[++i]);
        } else {
            return line->usageError("option %s needs a value (%s)", name.c_str(), option->valueName);
        }
    }

    // Operands against their declared names: required ones first, then optional, then repeats.
    std::size_t required = 0, most = 0;
    bool repeated = false;
    for (const char* operand : syntax.operands) {
        if (!isOptional(operand)) ++required;
        ++most;
        repeated = repeated || isRepeated(operand);
    }
    if (line->operands.size() < required) {
        const char* missing = syntax.operands[line->operands.size()];
        return line->usageError("missing %.*s", static_cast<int>(std::strcspn(missing, ".")), missing);
    }
    if (!repeated && line->operands.size() > most) {
        return line->usageError("unexpected argument '%s'", line->operands[most].c_str());
    }
    return -1;
}

void printUsageLine(const CommandSyntax& syntax, FILE* stream)
{
    std::fprintf(stream, "usage: orvane %s %s\n", syntax.name, syntax.usage);
}

void printCommandHelp(const CommandSyntax& syntax, FILE* stream)
{
    printUsageLine(syntax, stream);
    std::fprintf(stream, "\n%s", syntax.description);
    std::size_t width = std::strlen("--help");
    for (const OptionSyntax& option : syntax.options) width = std::max(width, optionLeft(option).size());
    std::fprintf(stream, "\noptions:\n");
    for (const OptionSyntax& option : syntax.options)
        std::fprintf(stream, "  %-*s  %s\n", static_cast<int>(width), optionLeft(option).c_str(), option.help);
    std::fprintf(stream, "  %-*s  %s\n", static_cast<int>(width), "--help", "show this help");
}

void printCommandTable(const std::vector<const CommandSyntax*>& syntaxes, FILE* stream)
{
    std::size_t width = 0;
    for (const CommandSyntax* syntax : syntaxes) {
        width = std::max(width, std::strlen(syntax->name));
        for (const OptionSyntax& option : syntax->options) width = std::max(width, 4 + optionLeft(option).size());
    }
    for (const CommandSyntax* syntax : syntaxes) {
        std::fprintf(stream, "  %-*s  %s\n", static_cast<int>(width), syntax->name, syntax->summary);
        std::fprintf(stream, "  %-*s  usage: orvane %s %s\n", static_cast<int>(width), "", syntax->name, syntax->usage);
        for (const OptionSyntax& option : syntax->options)
            std::fprintf(stream, "      %-*s  %s\n", static_cast<int>(width - 4), optionLeft(option).c_str(),
                         option.help);
    }
}

bool refuseSameFile(const CommandSyntax& syntax, const std::string& output, const std::vector<std::string>& inputs)
{
    for (const std::string& input : inputs) {
        if (isSameFile(output, input)) {
            std::fprintf(stderr, "orvane %s: %s is also the input %s; nothing written\n", syntax.name, output.c_str(),
                         input.c_str());
            printUsageLine(syntax, stderr);
            return true;
        }
    }
    return false;
}

bool flushStandardOutput(const char* command)
{
    // A write that failed earlier left its reason in errno, unless something since replaced it.
    const int earlier = errno;
    errno = 0;
    const bool flushFailed = std::fflush(stdout) != 0;
    if (!flushFailed && std::ferror(stdout) == 0) return true;
    const int error = flushFailed && errno != 0 ? errno : earlier != 0 ? earlier : EIO;
    std::fprintf(stderr, "orvane%s%s: cannot write to standard output: %s\n", command[0] != '\0' ? " " : "", command,
                 std::strerror(error));
    return false;
}
