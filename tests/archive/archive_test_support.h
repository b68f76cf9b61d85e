// archive_test_support.h: temporary archive files and loading from them, for the archive tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/archive_format.h"
#include "archive/archive_loader.h"
#include "tests/support/scratch_dir.h"

// A file holding `bytes` in a scratch folder, removed with the object.
struct TempFile {
    TempDir folder;
    std::string path = folder.file("archive");
    explicit TempFile(const Bytes& bytes) { EXPECT_TRUE(folder.write("archive", bytes)); }
};

inline uint8_t untouchedByte;
inline uint8_t* const untouched = &untouchedByte;  // stands in for a caller's earlier buffer

struct Loaded {
    std::string fault;  // the loader's reason; empty on success
    Bytes bytes;
    uint8_t* out;  // the out pointer after the call; `untouched` when left alone
};

inline Loaded loadEntry(const std::string& path, int16_t index)
{
    uint8_t* out = untouched;
    uint32_t size = 0;
    Loaded result{loadArchiveEntry(path.c_str(), index, &out, &size).reason, {}, out};
    if (result.fault.empty()) {
        result.bytes.assign(out, out + size);
        std::free(out);
    }
    return result;
}

inline Loaded loadEntry(const Bytes& archive, int16_t index) { return loadEntry(TempFile(archive).path, index); }
