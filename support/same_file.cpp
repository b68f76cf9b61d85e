// same_file.cpp: whether an output would overwrite an input.
#include "support/same_file.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

bool isSameFile(const std::string& output, const std::string& input)
{
    if (output == "-" || input == "-") return false;
    struct stat a, b;
    if (stat(output.c_str(), &a) == 0 && stat(input.c_str(), &b) == 0)
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    std::error_code error;
    const std::filesystem::path resolvedOutput =
        std::filesystem::weakly_canonical(std::filesystem::absolute(output, error), error);
    if (error) return false;
    const std::filesystem::path resolvedInput =
        std::filesystem::weakly_canonical(std::filesystem::absolute(input, error), error);
    return !error && resolvedOutput == resolvedInput;
}
