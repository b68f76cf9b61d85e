// temp_dir.cpp: a scratch folder for one test, removed with everything in it when the test ends.
#include "tests/e2e/temp_dir.h"

#include <cstdlib>  // Required for: mkdtemp
#include <filesystem>
#include <fstream>
#include <system_error>

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

bool TempDir::write(const std::string& name, const std::vector<uint8_t>& bytes) const
{
    if (path_.empty()) return false;
    std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<uint8_t> testPalette()
{
    std::vector<uint8_t> bytes(768);
    for (int i = 0; i < 256; ++i) {
        bytes[static_cast<size_t>(i) * 3 + 0] = static_cast<uint8_t>(i);
        bytes[static_cast<size_t>(i) * 3 + 1] = static_cast<uint8_t>(255 - i);
        bytes[static_cast<size_t>(i) * 3 + 2] = static_cast<uint8_t>(i / 2);
    }
    return bytes;
}
