// options.cpp: the viewer's command line.
#include "app/options.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>  // Required for: std::strtol
#include <cstring>
#include <filesystem>

#include "app/viewer_state.h"
#include "archive/archive_format.h"

ViewerOptions viewerOptions;

const char* const viewerUsage =
    "usage: orvane-viewer [ARCHIVE] [--palette FILE] [--entry N] [--info] [--watch] [--skeleton]\n"
    "       orvane-viewer --help | --version\n"
    "\n"
    "Shows the bodies of ARCHIVE (default: body.ZRK in the working directory).\n"
    "  --palette FILE  the 256-colour palette (default: palette.dmp beside the archive)\n"
    "  --entry N       start at entry N, 0 to 131 (default 0)\n"
    "  --info          a box in the top-left corner: archive, entry, counts, frames per second\n"
    "  --watch         reload the entry within a second when the archive changes on disk\n"
    "  --skeleton      draw the bones over the body\n"
    "  --help          this text\n"
    "  --version       the version\n"
    "\n"
    "Mouse: turns the view. D / E: zoom out / in. F: wireframe. Space: auto-rotation.\n"
    "Page Up / Page Down: next / previous entry. Escape: quit.\n";

namespace {

// "--name VALUE" or "--name=VALUE": the value, moving *i past it; null when `name` does not
// match argv[*i]. *missing is set when the option is there but its value is not.
const char* optionValue(int argc, char** argv, int* i, const char* name, bool* missing)
{
    const char* arg = argv[*i];
    const size_t length = std::strlen(name);
    if (std::strncmp(arg, name, length) != 0) return nullptr;
    if (arg[length] == '=') return arg + length + 1;
    if (arg[length] != '\0') return nullptr;
    if (*i + 1 >= argc) {
        *missing = true;
        return nullptr;
    }
    *i += 1;
    return argv[*i];
}

bool wholeNumber(const char* text, long low, long high, long* value)
{
    if (!std::isdigit(static_cast<unsigned char>(text[0])) && text[0] != '-')
        return false;  // no space or '+' before it
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < low || v > high) return false;
    *value = v;
    return true;
}

}  // namespace

Fault parseViewerOptions(int argc, char** argv, ViewerOptions* options)
{
    bool paletteNamed = false;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        bool missing = false;
        if (!optionsEnded && arg[0] == '-' && arg[1] != '\0') {
            if (std::strcmp(arg, "--") == 0) {
                optionsEnded = true;
            } else if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
                options->help = true;
                return noFault();
            } else if (std::strcmp(arg, "--version") == 0) {
                options->version = true;
                return noFault();
            } else if (std::strcmp(arg, "--info") == 0) {
                options->info = true;
            } else if (std::strcmp(arg, "--watch") == 0) {
                options->watch = true;
            } else if (std::strcmp(arg, "--skeleton") == 0) {
                options->skeleton = true;
            } else if (const char* file = optionValue(argc, argv, &i, "--palette", &missing)) {
                if (file[0] == '\0') return faultOf("--palette wants a file name");
                options->palettePath = file;
                paletteNamed = true;
            } else if (const char* number = optionValue(argc, argv, &i, "--entry", &missing)) {
                long entry = 0;
                if (!wholeNumber(number, 0, lastModelIndex, &entry)) {
                    return faultOf("--entry wants a whole number from 0 to %d, not '%s'", lastModelIndex, number);
                }
                options->startEntry = static_cast<int32_t>(entry);
            } else if (missing) {
                return faultOf("%s wants a value", arg);
            } else {
                return faultOf("unknown option '%s'", arg);
            }
            continue;
        }
        if (options->archiveNamed) return faultOf("one archive only, not also '%s'", arg);
        // Paging and --watch read the archive again and again: it has to be a file.
        if (std::strcmp(arg, "-") == 0) return faultOf("the archive must be a file, not standard input");
        if (arg[0] == '\0') return faultOf("the archive's name is empty");
        options->archivePath = arg;
        options->archiveNamed = true;
    }
    if (options->archiveNamed && !paletteNamed) {
        const std::filesystem::path folder = std::filesystem::path(options->archivePath).parent_path();
        options->palettePath = folder.empty() ? std::string(paletteFileName) : (folder / paletteFileName).string();
    }
    return noFault();
}

int32_t lastPageIndexFor(const ViewerOptions& options, int32_t announcedEntries)
{
    if (!options.archiveNamed || announcedEntries < 0 || announcedEntries > lastModelIndex) return lastModelIndex;
    return announcedEntries == 0 ? 0 : announcedEntries - 1;
}

int32_t announcedArchiveEntries(const char* path)
{
    int32_t count = 0;
    if (readArchiveEntryCount(path, &count)) return -1;
    return count < 0 ? 0 : count;  // a damaged first offset announces nothing
}

int takeCommandLine(int argc, char** argv)
{
    if (const Fault problem = parseViewerOptions(argc, argv, &viewerOptions)) {
        std::fprintf(stderr, "orvane-viewer: %s\n%s", problem.reason, viewerUsage);
        return 2;
    }
    if (viewerOptions.help) {
        std::fputs(viewerUsage, stdout);
        return 0;
    }
    if (viewerOptions.version) {
        std::printf("orvane-viewer %s\n", viewerVersion);
        return 0;
    }
    // A palette that is a pipe or a device would hold the start-up in open() with no window;
    // the run without arguments reads its palette.dmp as it always has.
    struct stat status;
    if (argc > 1 && stat(viewerOptions.palettePath.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        std::fprintf(stderr, "orvane-viewer: %s: not a regular file; the palette must be a file\n",
                     viewerOptions.palettePath.c_str());
        return 1;
    }
    if (viewerOptions.archiveNamed) {
        const char* archive = viewerOptions.archivePath.c_str();
        const int32_t entries = announcedArchiveEntries(archive);
        lastPageIndex = lastPageIndexFor(viewerOptions, entries);
        if (entries >= 0 && viewerOptions.startEntry > 0 && viewerOptions.startEntry >= entries) {
            std::fprintf(stderr, "orvane-viewer: --entry %d: %s holds %d entries\n%s",
                         static_cast<int>(viewerOptions.startEntry), archive, static_cast<int>(entries), viewerUsage);
            return 2;
        }
    }
    return -1;
}
