// output_file.cpp: temporary file, every byte written and flushed to disk, rename.
#include "tool/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "support/file_io.h"

Fault writeFileThroughRename(const std::string& path, const std::vector<uint8_t>& bytes)
{
    if (path == "-") return writeFileBytes(path, bytes);
    // Past a file-size limit a write must fail with EFBIG rather than end the process, so that
    // the temporary file is cleaned up.
    std::signal(SIGXFSZ, SIG_IGN);
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "." + name + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) return faultOf("cannot create a temporary file beside it: %s", std::strerror(errno));

    struct stat existing;
    mode_t mode;
    if (stat(path.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    int error = 0;
    size_t done = 0;
    while (done < bytes.size() && error == 0) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) error = n < 0 ? errno : EIO;
        else done += static_cast<size_t>(n);
    }
    if (error == 0 && fchmod(fd, mode) != 0) error = errno;
    if (error == 0 && fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && std::rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        unlink(temp.c_str());
        return faultOf("%s", std::strerror(error));
    }
    return noFault();
}

bool sameFile(const std::string& a, const std::string& b)
{
    if (a == "-" || b == "-") return false;
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}
