// temp_dir.h: a scratch folder for one test, removed with everything in it when the test ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TempDir {
public:
    TempDir();   // a fresh folder under the system's temporary folder
    ~TempDir();  // removes it and its contents
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Writes `bytes` as the file `name` in the folder; false on failure.
    bool write(const std::string& name, const std::vector<uint8_t>& bytes) const;

private:
    std::string path_;
};

// 768 bytes: a palette whose index i is (i, 255 - i, i / 2), so every colour is told apart.
std::vector<uint8_t> testPalette();
