// file_io.cpp: whole-file reads, and writes that never lose the file they replace.
#include "support/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
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

// The descriptor of this process that `path` names ("/dev/stdout", "/dev/fd/3",
// "/proc/self/fd/3"), or -1. Written through directly, such a path keeps what the shell set up
// for it (a truncated file, an append, a position); reopening it would write from offset 0
// over whatever the file held.
int namedDescriptor(const std::string& path)
{
    if (path == "/dev/stdin") return STDIN_FILENO;
    if (path == "/dev/stdout") return STDOUT_FILENO;
    if (path == "/dev/stderr") return STDERR_FILENO;
    std::string number;
    if (startsWith(path, "/dev/fd/"))
        number = path.substr(8);
    else if (startsWith(path, "/proc/self/fd/"))
        number = path.substr(14);
    else if (startsWith(path, ("/proc/" + std::to_string(getpid()) + "/fd/").c_str()))
        number = path.substr(path.rfind('/') + 1);
    if (number.empty() || number.size() > 9 || number.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::stoi(number);
}

// Where a write to `path` really lands: symbolic links followed to the end, so that the link
// stays a link and its target is what gets replaced. Stops early, with *descriptor set, at a
// link that names one of this process's descriptors; *magic is set when the chain passes
// through /proc or /dev/fd in any other way.
Fault followLinks(const std::string& path, std::string* resolved, int* descriptor, bool* magic)
{
    std::string at = path;
    *descriptor = -1;
    *magic = false;
    for (int hops = 0; hops < 40; ++hops) {
        *descriptor = namedDescriptor(at);
        if (*descriptor >= 0) return noFault();
        if (startsWith(at, "/proc/") || startsWith(at, "/dev/fd/")) *magic = true;
        struct stat status;
        if (lstat(at.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
            *resolved = at;
            return noFault();
        }
        char target[PATH_MAX];
        const ssize_t length = readlink(at.c_str(), target, sizeof target);
        if (length < 0) return systemFault(errno);
        if (static_cast<std::size_t>(length) >= sizeof target) return systemFault(ENAMETOOLONG);  // cut short
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
    std::string backup;     // a second name for the target's old contents, while a batch commits
    bool created = false;   // the target did not exist before this write put it there
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
        int descriptor = -1;
        bool magic = false;
        if (const Fault fault = followLinks(path, &target, &descriptor, &magic)) return fault;
        if (descriptor >= 0) {
            if (std::fflush(stdout) != 0) return systemFault(errno);  // earlier text goes first
            fd = dup(descriptor);
            return fd < 0 ? systemFault(errno) : noFault();
        }
        struct stat status;
        const bool exists = stat(target.c_str(), &status) == 0;
        if (magic && exists && S_ISREG(status.st_mode)) {
            // Another process's descriptor: no path to replace, and reopening would overwrite.
            return faultOf("names another process's open file; give its path instead");
        }
        if (magic || (exists && !S_ISREG(status.st_mode))) {
            // A pipe or a device: what the user named, written as it is (a pipe waits for its
            // reader, as with any other program writing to it).
            fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
            return fd < 0 ? systemFault(errno) : noFault();
        }
        // Replacing through a rename needs only the folder's permission; the file's own says
        // whether the user meant it to be written.
        if (exists && faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return systemFault(errno);
        std::string pattern = folderOf(target) + "/." + nameOf(target) + ".orvane-XXXXXX";
        fd = mkostemp(pattern.data(), O_CLOEXEC);
        if (fd < 0)
            return faultOf("cannot make a temporary file in %s: %s", folderOf(target).c_str(), std::strerror(errno));
        temporary = pattern;
        // The new file gets the old one's permissions, or those a new file would get.
        mode_t mode = 0;
        if (exists) {
            mode = status.st_mode & 0777;  // no set-id bits on content that is now ours
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

    // Gives the target's old contents a second name (a hard link beside it), so that a batch
    // that fails half-way can put them back.
    Fault keepOld()
    {
        if (temporary.empty()) return noFault();
        struct stat status;
        if (lstat(target.c_str(), &status) != 0) {
            created = true;
            return noFault();
        }
        std::string pattern = folderOf(target) + "/." + nameOf(target) + ".orvane-old-XXXXXX";
        const int fdOld = mkostemp(pattern.data(), O_CLOEXEC);
        if (fdOld < 0) return systemFault(errno);
        ::close(fdOld);
        unlink(pattern.c_str());
        if (link(target.c_str(), pattern.c_str()) != 0) return systemFault(errno);
        backup = pattern;
        return noFault();
    }

    // Undoes a commit of this batch: the old contents back, or the new file gone.
    void putBack()
    {
        if (!backup.empty()) {
            if (std::rename(backup.c_str(), target.c_str()) == 0) backup.clear();
        } else if (created) {
            unlink(target.c_str());
        }
    }

    // Drops the second name of the old contents once the batch is in place.
    void dropOld()
    {
        if (!backup.empty()) unlink(backup.c_str());
        backup.clear();
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

Fault tooLargeFault(InputCap cap)
{
    return faultOf("larger than %zu MiB, the most %s may be", cap.bytes >> 20, cap.what);
}

Fault readFileBytes(const std::string& path, std::vector<uint8_t>* out, InputCap cap)
{
    out->clear();
    const bool fromStdin = path == "-";
    // Non-blocking open: a pipe with no writer must be refused, not waited on.
    const int fd = fromStdin ? STDIN_FILENO : open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return systemFault(errno);
    struct stat status;
    Fault fault;
    if (!fromStdin && (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)))
        fault = faultOf("not a regular file");
    else if (!fromStdin && static_cast<uint64_t>(status.st_size) > cap.bytes)
        fault = tooLargeFault(cap);
    else if (!fromStdin)
        out->reserve(static_cast<std::size_t>(status.st_size));
    uint8_t chunk[65536];
    while (!fault) {
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            fault = systemFault(errno);
        } else if (static_cast<std::size_t>(got) > cap.bytes - out->size()) {
            fault = tooLargeFault(cap);  // grown since, or the standard input
        } else {
            out->insert(out->end(), chunk, chunk + got);
        }
    }
    if (!fromStdin) close(fd);
    if (fault) std::vector<uint8_t>().swap(*out);
    return fault;
}

namespace {

// Both reads of a file in a folder: `whole` takes the file as long as it is, up to `bytes`.
Fault readInFolder(const std::string& folder, const std::string& name, std::size_t bytes, bool whole,
                   std::vector<uint8_t>* out, std::string* resolved)
{
    out->clear();
    if (name.empty() || name == "." || name == ".." || name.find_first_of(std::string("/\\\0", 3)) != std::string::npos)
        return faultOf("not a plain file name");
    char* real = realpath((folder + "/" + name).c_str(), nullptr);
    if (real == nullptr) return systemFault(errno);
    *resolved = real;
    std::free(real);
    char* realFolder = realpath(folder.c_str(), nullptr);
    if (realFolder == nullptr) return systemFault(errno);
    const std::string home = realFolder;
    std::free(realFolder);
    if (folderOf(*resolved) != home) return faultOf("a link that leads out of the model's folder");
    const int fd = open(resolved->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return systemFault(errno);
    struct stat status;
    Fault fault;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        fault = faultOf("not a regular file");
    else if (whole && static_cast<uint64_t>(status.st_size) > bytes)
        fault = faultOf("%lld bytes, more than the %zu the reader may still take",
                        static_cast<long long>(status.st_size), bytes);
    else if (whole)
        bytes = static_cast<std::size_t>(status.st_size);
    else if (static_cast<uint64_t>(status.st_size) < bytes)
        fault =
            faultOf("%lld bytes, shorter than the %zu it should hold", static_cast<long long>(status.st_size), bytes);
    if (!fault) {
        out->resize(bytes);
        std::size_t done = 0;
        while (done < bytes && !fault) {
            const ssize_t got = read(fd, out->data() + done, bytes - done);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0)
                fault = systemFault(errno);
            else if (got == 0)
                fault = faultOf("shorter than the %zu bytes it should hold", bytes);  // shrunk meanwhile
            else
                done += static_cast<std::size_t>(got);
        }
    }
    close(fd);
    if (fault) std::vector<uint8_t>().swap(*out);
    return fault;
}

}  // namespace

Fault readFileInFolder(const std::string& folder, const std::string& name, std::size_t bytes, std::vector<uint8_t>* out,
                       std::string* resolved)
{
    return readInFolder(folder, name, bytes, false, out, resolved);
}

Fault readWholeFileInFolder(const std::string& folder, const std::string& name, std::size_t most,
                            std::vector<uint8_t>* out, std::string* resolved)
{
    return readInFolder(folder, name, most, true, out, resolved);
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
        if (!fault) fault = pending[at].keepOld();
    }
    std::size_t committed = 0;
    for (; committed < files.size() && !fault; ++committed) {
        fault = pending[committed].commit();
        at = committed + 1;
    }
    if (fault) {
        // The targets already replaced get their old contents back; should that fail, the old
        // contents stay under their second name rather than be lost.
        const std::size_t replaced = committed > 0 ? at - 1 : 0;
        for (std::size_t i = 0; i < pending.size(); ++i) {
            if (i < replaced)
                pending[i].putBack();
            else
                pending[i].dropOld();
            pending[i].abandon();
        }
        return withContext(files[at - 1].first.c_str(), fault);
    }
    for (PendingWrite& file : pending) file.dropOld();
    return noFault();
}

bool pathExists(const std::string& path)
{
    struct stat status;
    return lstat(path.c_str(), &status) == 0;
}
