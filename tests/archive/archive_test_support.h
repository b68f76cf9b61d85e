// archive_test_support.h: temporary archive files and loading from them, for the archive tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "archive/archive_loader.h"

using Bytes = std::vector<uint8_t>;

// A temporary file holding `bytes`, removed with the object.
struct TempFile {
    std::string path;
    explicit TempFile(const Bytes& bytes)
    {
        char name[] = "/tmp/orvane-archive-XXXXXX";
        const int fd = mkstemp(name);
        path = name;
        const ssize_t written = bytes.empty() ? 0 : write(fd, bytes.data(), bytes.size());
        EXPECT_EQ(written, static_cast<ssize_t>(bytes.size()));
        close(fd);
    }
    ~TempFile() { std::remove(path.c_str()); }
};

inline uint8_t untouchedByte;
inline uint8_t* const untouched = &untouchedByte;  // stands in for a caller's earlier buffer

struct Loaded {
    ArchiveFault fault;
    Bytes bytes;
    uint8_t* out;  // the out pointer after the call; `untouched` when left alone
};

inline Loaded loadEntry(const std::string& path, int16_t index)
{
    uint8_t* out = untouched;
    uint32_t size = 0;
    Loaded result{loadArchiveEntry(path.c_str(), index, &out, &size), {}, out};
    if (result.fault == ArchiveFault::none) {
        result.bytes.assign(out, out + size);
        std::free(out);
    }
    return result;
}

inline Loaded loadEntry(const Bytes& archive, int16_t index) { return loadEntry(TempFile(archive).path, index); }
