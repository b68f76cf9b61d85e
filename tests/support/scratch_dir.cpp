// scratch_dir.cpp: a scratch folder for one test and the small files tests put in it.
#include "tests/support/scratch_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>  // Required for: mkdtemp
#include <filesystem>
#include <sstream>
#include <system_error>

#include "support/file_io.h"

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "orvane-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

TempDir::~TempDir()
{
    if (path_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

bool TempDir::write(const std::string& name, const Bytes& bytes) const
{
    return !path_.empty() && !writeFileBytes(file(name), bytes);
}

Bytes TempDir::read(const std::string& name) const
{
    Bytes bytes;
    if (readFileBytes(file(name), &bytes)) bytes.clear();
    return bytes;
}

Bytes testPalette()
{
    Bytes bytes(768);
    for (int i = 0; i < 256; ++i) {
        bytes[static_cast<size_t>(i) * 3 + 0] = static_cast<uint8_t>(i);
        bytes[static_cast<size_t>(i) * 3 + 1] = static_cast<uint8_t>(255 - i);
        bytes[static_cast<size_t>(i) * 3 + 2] = static_cast<uint8_t>(i / 2);
    }
    return bytes;
}

Bytes archiveOf(const std::vector<Bytes>& entries, EntryPacking packing)
{
    Bytes archive;
    const Fault fault = buildArchive(entries, packing, &archive);
    EXPECT_FALSE(fault) << fault.reason;
    return archive;
}

std::string readText(const std::string& path)
{
    Bytes bytes;
    if (readFileBytes(path, &bytes)) return "";
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> fileNames(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
