// options.h: the viewer's command line. Without arguments every value is the fixed one the
// viewer has always used (body.ZRK and palette.dmp in the working directory, entry 0).
#pragma once

#include <cstdint>
#include <string>

#include "support/fault.h"

struct ViewerOptions {
    std::string archivePath = "body.ZRK";
    std::string palettePath = "palette.dmp";  // when not given: palette.dmp beside the archive
    bool archiveNamed = false;                // ARCHIVE was on the command line
    int32_t startEntry = 0;
    bool info = false;      // the information box in the top-left corner
    bool watch = false;     // reload the entry when the archive changes on disk
    bool skeleton = false;  // the bones drawn over the body
    bool help = false;
    bool version = false;
};

// What the running viewer was started with.
extern ViewerOptions viewerOptions;

inline constexpr const char* viewerVersion = "0.02";

// The usage text, ending in a newline.
extern const char* const viewerUsage;

// Reads argv[1 .. argc - 1] into *options (which starts from its defaults). A fault is one short
// phrase saying what is wrong with the command line. --help and --version stop the reading where
// they stand.
Fault parseViewerOptions(int argc, char** argv, ViewerOptions* options);

// The last entry Page Up may reach: 131, or the archive's last entry when an archive was named
// and its offset table announces fewer than 132 entries (0 when it announces none). Without a
// named archive, or when its table cannot be read, 131 as always.
int32_t lastPageIndexFor(const ViewerOptions& options, int32_t announcedEntries);

// The number of entries the archive's offset table announces (0 when its first offset is
// damaged), or -1 when the file cannot be read or holds fewer than 4 bytes.
int32_t announcedArchiveEntries(const char* path);

// The viewer's command line, start to finish: reads it into viewerOptions and sets
// lastPageIndex. Returns -1 when the viewer is to start; otherwise the status to end with, once
// --help or --version is answered on standard output (0) or a bad command line is reported on
// standard error with the usage (2).
int takeCommandLine(int argc, char** argv);
