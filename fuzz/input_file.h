// input_file.h: the fuzz input as a file that the code under test opens by path, kept in memory
// (memfd) so that every run costs no disk I/O.
#pragma once

#include <sys/mman.h>  // Required for: memfd_create
#include <unistd.h>    // Required for: ftruncate, pwrite

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Replaces the file's contents with `data` and returns its path (valid for the process's life).
inline const char* inputAsFile(const uint8_t* data, size_t size)
{
    static int file = -1;
    static char path[64];
    if (file < 0) {
        file = memfd_create("input", 0);
        if (file < 0) std::abort();
        std::snprintf(path, sizeof path, "/proc/self/fd/%d", file);
    }
    if (ftruncate(file, 0) != 0) std::abort();
    if (size > 0 && pwrite(file, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
    return path;
}
