// same_file.cpp: whether an output would overwrite an input.
#include "support/same_file.h"

#include <filesystem>
#include <system_error>

bool isSameFile(const std::string& output, const std::string& input)
{
    std::error_code error;
    return output != "-" && std::filesystem::equivalent(output, input, error) && !error;
}
