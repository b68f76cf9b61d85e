// file_io.cpp: whole-file reads, and writes that never lose the file they replace.
#include "support/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

namespace {

Fault systemFault(int error) { return faultOf("%s", std::strerror(error != 0 ? error : EIO)); }

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Where a write to `path` really lands: symbolic links followed to the end, so that the link
// stays a link and its target is what gets replaced. *magic is set when the chain passes
// through /proc or /dev/fd, whose links name open descriptors rather than paths.
Fault followLinks(const std::string& path, std::string* resolved, bool* magic)
{
    std::string at = path;
    *magic = false;
    for (int hops = 0; hops < 40; ++hops) {
        if (startsWith(at, "/proc/") || startsWith(at, "/dev/fd/")) *magic = true;
        struct stat status;
        if (lstat(at.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
            *resolved = at;
            return noFault();
        }
        char target[PATH_MAX];
        const ssize_t length = readlink(at.c_str(), target, sizeof target - 1);
        if (length < 0) return systemFault(errno);
        target[length] = '\0';
        at = target[0] == '/' ? std::string(target) : folderOf(at) + "/" + target;
    }
    return systemFault(ELOOP);
}

Fault writeAll(int fd, const uint8_t* bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return systemFault(errno);
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return noFault();
}

// One file being written: either a temporary file beside the target, renamed over it at the
// end, or (for "-" and non-regular targets) the target itself.
struct PendingWrite {
    std::string target;     // the path finally written (links followed)
    std::string temporary;  // empty when writing straight to the target
    int fd = -1;
    bool ownsFd = true;  // false for the standard output

    // Opens the temporary file or the target.
    Fault open(const std::string& path)
    {
        if (path == "-") {
            if (std::fflush(stdout) != 0) return systemFault(errno);  // earlier text goes first
            fd = STDOUT_FILENO;
            ownsFd = false;
            return noFault();
        }
        bool magic = false;
        if (const Fault fault = followLinks(path, &target, &magic)) return fault;
        struct stat status;
        const bool exists = stat(target.c_str(), &status) == 0;
        if (magic || (exists && !S_ISREG(status.st_mode))) {
            // A pipe, a device or an open descriptor: what the user named, written as it is.
            fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
            return fd < 0 ? systemFault(errno) : noFault();
        }
        std::string pattern = folderOf(target) + "/." + nameOf(target) + ".orvane-XXXXXX";
        fd = mkostemp(pattern.data(), O_CLOEXEC);
        if (fd < 0) return faultOf("cannot make a temporary file in %s: %s", folderOf(target).c_str(), std::strerror(errno));
        temporary = pattern;
        // The new file gets the old one's permissions, or those a new file would get.
        mode_t mode = 0;
        if (exists) {
            mode = status.st_mode & 07777;
        } else {
            const mode_t mask = umask(0);
            umask(mask);
            mode = 0666 & ~mask;
        }
        if (fchmod(fd, mode) != 0) return systemFault(errno);
        return noFault();
    }

    // Flushes and closes, every error checked. The target is not yet touched.
    Fault close()
    {
        int error = 0;
        if (!temporary.empty() && fsync(fd) != 0) error = errno;
        if (ownsFd && ::close(fd) != 0 && error == 0) error = errno;
        fd = -1;
        return error != 0 ? systemFault(error) : noFault();
    }

    // Puts the complete temporary file in the target's place.
    Fault commit()
    {
        if (temporary.empty()) return noFault();
        if (std::rename(temporary.c_str(), target.c_str()) != 0) return systemFault(errno);
        temporary.clear();
        // Best effort: make the rename itself durable.
        const int folder = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            (void)fsync(folder);
            ::close(folder);
        }
        return noFault();
    }

    // Removes what this write made, and only that.
    void abandon()
    {
        if (fd >= 0 && ownsFd) ::close(fd);
        fd = -1;
        if (!temporary.empty()) unlink(temporary.c_str());
        temporary.clear();
    }
};

}  // namespace

Fault readFileBytes(const std::string& path, std::vector<uint8_t>* out)
{
    out->clear();
    const bool fromStdin = path == "-";
    // Non-blocking open: a pipe with no writer must be refused, not waited on.
    const int fd = fromStdin ? STDIN_FILENO : open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return systemFault(errno);
    struct stat status;
    if (!fromStdin && (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))) {
        close(fd);
        return faultOf("not a regular file");
    }
    uint8_t chunk[65536];
    Fault fault;
    for (;;) {
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            fault = systemFault(errno);
            break;
        }
        out->insert(out->end(), chunk, chunk + got);
    }
    if (!fromStdin) close(fd);
    return fault;
}

Fault writeFileBytes(const std::string& path, const uint8_t* bytes, std::size_t size)
{
    PendingWrite file;
    Fault fault = file.open(path);
    if (!fault) fault = writeAll(file.fd, bytes, size);
    if (!fault) fault = file.close();
    if (!fault) fault = file.commit();
    if (fault) file.abandon();
    return fault;
}

Fault writeFilesTogether(const std::vector<FileContents>& files)
{
    std::vector<PendingWrite> pending(files.size());
    Fault fault;
    std::size_t at = 0;
    for (; at < files.size() && !fault; ++at) {
        fault = pending[at].open(files[at].first);
        if (!fault) fault = writeAll(pending[at].fd, files[at].second.data(), files[at].second.size());
        if (!fault) fault = pending[at].close();
    }
    for (std::size_t i = 0; i < files.size() && !fault; ++i) {
        fault = pending[i].commit();
        at = i + 1;
    }
    if (fault) {
        for (PendingWrite& file : pending) file.abandon();
        return withContext(files[at - 1].first.c_str(), fault);
    }
    return noFault();
}

bool pathExists(const std::string& path)
{
    struct stat status;
    return lstat(path.c_str(), &status) == 0;
}
