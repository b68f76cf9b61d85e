// scratch_dir.h: a scratch folder for one test, removed with everything in it when the test
// ends, and the small files tests put in it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/archive_writer.h"

using Bytes = std::vector<uint8_t>;

class TempDir {
public:
    TempDir();   // a fresh folder under the system's temporary folder
    ~TempDir();  // removes it and its contents
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Writes `bytes` as the file `name` in the folder; false on failure.
    bool write(const std::string& name, const Bytes& bytes) const;
    // The whole file `name` in the folder; empty when it cannot be read.
    Bytes read(const std::string& name) const;

private:
    std::string path_;
};

// 768 bytes: a palette whose index i is (i, 255 - i, i / 2), so every colour is told apart.
Bytes testPalette();

// An archive of `entries` (the builder cannot fail at test sizes; a failure fails the test).
Bytes archiveOf(const std::vector<Bytes>& entries, EntryPacking packing = EntryPacking::packedIfSmaller);

// The whole text of a file; empty when it cannot be read.
std::string readText(const std::string& path);
// The names of the files and folders in `folder`, sorted.
std::vector<std::string> fileNames(const std::string& folder);

// The lines of `text`, without their line ends.
std::vector<std::string> linesOf(const std::string& text);
