// file_bytes.cpp: whole-file reads and writes for the tool's commands.
#include "tool/file_bytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

std::string readFileBytes(const std::string& path, std::vector<uint8_t>* out)
{
    out->clear();
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return std::strerror(errno);
    uint8_t chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) out->insert(out->end(), chunk, chunk + got);
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) return std::strerror(error != 0 ? error : EIO);
    return {};
}

std::string writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    const bool toStdout = path == "-";
    FILE* file = toStdout ? stdout : std::fopen(path.c_str(), "wb");
    if (file == nullptr) return std::strerror(errno);
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    int error = ok ? 0 : errno;
    if (toStdout) {
        if (std::fflush(file) != 0 && ok) {
            ok = false;
            error = errno;
        }
        return ok ? std::string() : std::strerror(error != 0 ? error : EIO);
    }
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        std::remove(path.c_str());
        return std::strerror(error != 0 ? error : EIO);
    }
    return {};
}
