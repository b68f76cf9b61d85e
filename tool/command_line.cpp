// command_line.cpp: small pieces every subcommand's argument handling shares.
#include "tool/command_line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>


bool isHelpRequest(int argc, char** argv)
{
    return argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0);
}

bool parseWholeNumber(const char* text, long low, long high, long* value)
{
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < low || v > high) return false;
    *value = v;
    return true;
}
