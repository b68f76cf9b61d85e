// command_line.cpp: small pieces every subcommand's argument handling shares.
#include "tool/command_line.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "archive/little_endian.h"

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

std::optional<int32_t> announcedEntryCount(const char* path)
{
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return std::nullopt;
    uint8_t first[4];
    const bool read = std::fread(first, 1, sizeof first, file) == sizeof first;
    std::fclose(file);
    if (!read) return std::nullopt;
    return static_cast<int32_t>(readU32(first)) / 4;
}
