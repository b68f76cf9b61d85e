// gallery_folder.h: a gallery is made whole in a fresh folder beside its target and only then
// put in the target's place with one rename, so a page never names a file that is missing and
// a failed run leaves the old gallery (or nothing) as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "support/fault.h"

// The list of a gallery's files, kept in it, so a later run knows the folder as its own.
inline constexpr const char* galleryManifestName = ".orvane-gallery";

class GalleryFolder {
public:
    GalleryFolder() = default;
    GalleryFolder(const GalleryFolder&) = delete;
    GalleryFolder& operator=(const GalleryFolder&) = delete;
    ~GalleryFolder();  // removes the folder being made unless it was put in place

    // Whether `dir` may take a gallery: missing, an empty folder, or a gallery made before
    // (every file in it named in its list). Otherwise the reason.
    static Fault checkTarget(const std::string& dir);

    // Makes the new folder beside `dir`.
    Fault open(const std::string& dir);
    // Writes `relative` (its folders made as needed) in the new folder and lists it. Several
    // threads may write at once.
    Fault write(const std::string& relative, const uint8_t* bytes, size_t size);
    Fault write(const std::string& relative, const std::string& text)
    {
        return write(relative, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    }
    // Writes the list, flushes everything to the disk and puts the new folder in `dir`'s
    // place; the gallery it replaces is removed afterwards, file by listed file.
    Fault place();

private:
    std::string target_, staging_;
    std::vector<std::string> files_;
    std::mutex mutex_;  // guards files_ and the making of folders
    bool placed_ = false;
};
