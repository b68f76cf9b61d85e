// watch.cpp: --watch: the current entry reloaded when the archive changes on disk.
#include "app/watch.h"

#include <sys/stat.h>  // Required for: stat (size, modification time and identity of the archive)

#include <cstdio>   // Required for: the one line of an entry that cannot be shown
#include <cstdlib>  // Required for: std::free

#include "app/options.h"
#include "app/viewer_state.h"
#include "body/body_loading.h"

namespace {

// What a look at the archive found; a missing file is a state of its own.
struct ArchiveLook {
    bool exists = false;
    int64_t size = 0;
    int64_t modifiedSeconds = 0;
    int64_t modifiedNanoseconds = 0;
    uint64_t device = 0;
    uint64_t inode = 0;  // a new file renamed into place changes this even within one clock tick

    bool operator==(const ArchiveLook&) const = default;
};

ArchiveLook lookAtArchive()
{
    ArchiveLook look;
    struct stat status;
    if (stat(viewerOptions.archivePath.c_str(), &status) != 0) return look;
    look.exists = true;
    look.size = static_cast<int64_t>(status.st_size);
    look.modifiedSeconds = static_cast<int64_t>(status.st_mtim.tv_sec);
    look.modifiedNanoseconds = static_cast<int64_t>(status.st_mtim.tv_nsec);
    look.device = static_cast<uint64_t>(status.st_dev);
    look.inode = static_cast<uint64_t>(status.st_ino);
    return look;
}

bool started = false;
uint32_t lastPoll = 0;
ArchiveLook loaded;    // the archive as last read
ArchiveLook changing;  // a change seen on the last look, not yet read
bool changeSeen = false;

void reloadKeepingTheLastGoodBody()
{
    const char* archive = viewerOptions.archivePath.c_str();
    // The archive may have gained or lost entries, whether or not this one can be shown.
    lastPageIndex = lastPageIndexFor(viewerOptions, announcedArchiveEntries(archive));
    uint8_t* body = nullptr;
    uint32_t size = 0;
    if (const Fault fault = loadPreparedBody(archive, static_cast<int16_t>(modelIndex), &body, &size)) {
        std::fprintf(stderr, "%s: entry %d: %s\n", archive, static_cast<int>(modelIndex), fault.reason);
        return;
    }
    std::free(currentBody);
    currentBody = body;
    currentBodySize = size;
    currentBodyFault = noFault();
    ++bodyLoads;
}

}  // namespace

void resetArchiveWatch()
{
    started = false;
    changeSeen = false;
}

void pollArchiveWatch(uint32_t nowMilliseconds)
{
    if (!started) {
        started = true;
        lastPoll = nowMilliseconds;
        loaded = lookAtArchive();
        return;
    }
    // Unsigned difference: right across the counter's wrap.
    if (nowMilliseconds - lastPoll < watchPollMilliseconds) return;
    lastPoll = nowMilliseconds;

    const ArchiveLook now = lookAtArchive();
    if (now == loaded) {
        changeSeen = false;
        return;
    }
    if (!changeSeen || !(now == changing)) {
        changeSeen = true;
        changing = now;
        return;
    }
    changeSeen = false;
    loaded = now;
    reloadKeepingTheLastGoodBody();
}
