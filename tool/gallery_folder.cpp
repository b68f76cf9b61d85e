// gallery_folder.cpp: making a gallery beside its target and swapping it into place.
#include "tool/gallery_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>

#include "support/file_io.h"

namespace fs = std::filesystem;

namespace {

// The files a gallery's list names, relative to its folder; false when there is no readable list.
bool readManifest(const fs::path& dir, std::set<std::string>* names)
{
    std::vector<uint8_t> bytes;
    if (readFileBytes((dir / galleryManifestName).string(), &bytes)) return false;
    std::string line;
    for (const uint8_t b : bytes) {
        if (b != '\n') {
            line += static_cast<char>(b);
            continue;
        }
        if (!line.empty()) names->insert(line);
        line.clear();
    }
    return true;
}

// Removes what a gallery's list names, then its folders once empty; anything else stays.
void removeGallery(const fs::path& dir)
{
    std::set<std::string> names;
    if (!readManifest(dir, &names)) return;
    std::error_code error;
    std::set<fs::path> folders;
    for (const std::string& name : names) {
        fs::remove(dir / name, error);
        for (fs::path p = fs::path(name).parent_path(); !p.empty(); p = p.parent_path()) folders.insert(dir / p);
    }
    fs::remove(dir / galleryManifestName, error);
    for (auto f = folders.rbegin(); f != folders.rend(); ++f) fs::remove(*f, error);  // deepest first; only when empty
    fs::remove(dir, error);
}

}  // namespace

Fault GalleryFolder::checkTarget(const std::string& dir)
{
    std::error_code error;
    const fs::file_status status = fs::symlink_status(dir, error);
    if (!fs::exists(status)) return noFault();
    if (!fs::is_directory(status)) return faultOf("%s is not a folder", dir.c_str());
    std::set<std::string> names;
    const bool gallery = readManifest(dir, &names);
    for (auto it = fs::recursive_directory_iterator(dir, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error)) continue;
        const std::string name = fs::relative(it->path(), dir, error).string();
        if (name == galleryManifestName && gallery) continue;
        if (!gallery || names.count(name) == 0 || !it->is_regular_file(error) || it->is_symlink(error))
            return faultOf("%s holds files that no gallery made (%s); choose a new or empty folder", dir.c_str(),
                           name.c_str());
    }
    if (error) return faultOf("%s: %s", dir.c_str(), error.message().c_str());
    return noFault();
}

Fault GalleryFolder::open(const std::string& dir)
{
    target_ = fs::path(dir).lexically_normal().string();
    while (target_.size() > 1 && target_.back() == '/') target_.pop_back();
    const fs::path parent = fs::path(target_).parent_path();
    std::string pattern =
        ((parent.empty() ? fs::path(".") : parent) / ("." + fs::path(target_).filename().string() + ".orvane-XXXXXX"))
            .string();
    if (mkdtemp(pattern.data()) == nullptr)
        return faultOf("cannot make a folder beside %s: %s", target_.c_str(), std::strerror(errno));
    staging_ = pattern;
    return noFault();
}

Fault GalleryFolder::write(const std::string& relative, const uint8_t* bytes, size_t size)
{
    const fs::path path = fs::path(staging_) / relative;
    std::error_code error;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        fs::create_directories(path.parent_path(), error);
    }
    if (error) return faultOf("%s: %s", (fs::path(target_) / relative).c_str(), error.message().c_str());
    // A fresh folder of our own: the file is new, so it is written straight (flushed at the end).
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    int err = fd < 0 ? errno : 0;
    for (size_t done = 0; err == 0 && done < size;) {
        const ssize_t n = ::write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            err = n < 0 ? errno : EIO;
        else
            done += static_cast<size_t>(n);
    }
    // Hands the bytes to the disk now, so that the flush before the swap has little left to wait for.
    if (fd >= 0 && err == 0) (void)sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    if (fd >= 0 && ::close(fd) != 0 && err == 0) err = errno;
    if (err != 0) return faultOf("%s: %s", (fs::path(target_) / relative).c_str(), std::strerror(err));
    std::lock_guard<std::mutex> lock(mutex_);
    files_.push_back(relative);
    return noFault();
}

Fault GalleryFolder::place()
{
    std::sort(files_.begin(), files_.end());  // written by several threads: any order
    std::string list;
    for (const std::string& f : files_) list += f + "\n";
    if (const Fault fault = write(galleryManifestName, list)) return fault;
    files_.pop_back();
    const int dirFd = ::open(staging_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = dirFd >= 0 && syncfs(dirFd) == 0;
    const int err = errno;
    if (dirFd >= 0) ::close(dirFd);
    if (!synced) return faultOf("%s: %s", target_.c_str(), std::strerror(err));

    // The target must still be what it was checked to be: nothing, an empty folder or a gallery.
    if (const Fault fault = checkTarget(target_)) return fault;
    if (!pathExists(target_) || ::rmdir(target_.c_str()) == 0) {
        if (::rename(staging_.c_str(), target_.c_str()) != 0)
            return faultOf("%s: %s", target_.c_str(), std::strerror(errno));
    } else if (::renameat2(AT_FDCWD, staging_.c_str(), AT_FDCWD, target_.c_str(), RENAME_EXCHANGE) != 0) {
        return faultOf("%s: %s", target_.c_str(), std::strerror(errno));
    } else {
        removeGallery(staging_);  // the gallery it replaced, now under the temporary name
    }
    placed_ = true;
    return noFault();
}

GalleryFolder::~GalleryFolder()
{
    if (placed_ || staging_.empty()) return;
    std::error_code error;
    fs::remove_all(staging_, error);  // made by this run, and only ever holding its files
}
