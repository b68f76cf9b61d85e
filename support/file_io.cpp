// file_io.cpp: whole-file reads and writes.
#include "support/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

Fault systemFault(int error) { return faultOf("%s", std::strerror(error != 0 ? error : EIO)); }

}  // namespace

Fault readFileBytes(const std::string& path, std::vector<uint8_t>* out)
{
    out->clear();
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return systemFault(errno);
    uint8_t chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) out->insert(out->end(), chunk, chunk + got);
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) return systemFault(error);
    return noFault();
}

Fault writeFileBytes(const std::string& path, const uint8_t* bytes, std::size_t size)
{
    const bool toStdout = path == "-";
    FILE* file = toStdout ? stdout : std::fopen(path.c_str(), "wb");
    if (file == nullptr) return systemFault(errno);
    bool ok = size == 0 || std::fwrite(bytes, 1, size, file) == size;
    int error = ok ? 0 : errno;
    if (toStdout) {
        if (std::fflush(file) != 0 && ok) {
            ok = false;
            error = errno;
        }
        return ok ? noFault() : systemFault(error);
    }
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        std::remove(path.c_str());
        return systemFault(error);
    }
    return noFault();
}
