// cmd_replace.cpp: the 'replace' subcommand: puts one body in place of an archive's entry (or
// after its last), copying every other entry's stored bytes as they are: nothing is repacked.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "archive/archive_format.h"
#include "archive/lz_pack.h"
#include "support/file_io.h"
#include "support/little_endian.h"
#include "tool/command_line.h"
#include "tool/commands.h"
#include "tool/model_input.h"
#include "tool/output_file.h"

namespace {

const char* const replaceUsage =
    "usage: orvane replace ARCHIVE INDEX FILE [--stored] [--palette FILE] [--scale S]\n"
    "\n"
    "Puts FILE in place of entry INDEX of ARCHIVE, or after the last entry when INDEX is the\n"
    "entry count. FILE is a body (.bin, as 'orvane extract' and 'orvane import' write) or a\n"
    "model (.glb, .gltf, .obj) imported on the way (see 'orvane import --help' for --palette\n"
    "and --scale). The new entry is packed where that makes it smaller (--stored: never);\n"
    "every other entry keeps its stored bytes. The archive is rewritten through a temporary\n"
    "file and a rename, so a failure leaves it as it was.\n"
    "\n"
    "Exit status: 0 on success, 1 when a file cannot be read or written, the archive is\n"
    "damaged or INDEX lies past its end, 2 on a usage error.\n";

int usageError(const char* message)
{
    std::fprintf(stderr, "orvane replace: %s\n%s", message, replaceUsage);
    return 2;
}

// Each entry's stored bytes (header and data) as the file holds them: from its offset up to the
// next entry's offset, or to the end of the file.
Fault storedEntries(const std::vector<uint8_t>& archive, std::vector<std::vector<uint8_t>>* out)
{
    if (archive.size() < 4) return faultOf("shorter than its offset table");
    const int32_t count = announcedEntryCount(readU32(archive.data()));
    if (count <= 0 || static_cast<uint64_t>(count) * 4 > archive.size()) return faultOf("damaged offset table (first offset %u)", readU32(archive.data()));
    std::vector<uint32_t> offsets(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        offsets[static_cast<size_t>(i)] = readU32(archive.data() + 4 * i);
        const uint32_t at = offsets[static_cast<size_t>(i)];
        if (at < static_cast<uint64_t>(count) * 4 || static_cast<uint64_t>(at) + entryHeaderBytes > archive.size()) {
            return faultOf("entry %d: its offset %u lies outside the file", i, at);
        }
    }
    std::vector<uint32_t> sorted = offsets;
    std::sort(sorted.begin(), sorted.end());
    for (const uint32_t at : offsets) {
        const auto next = std::upper_bound(sorted.begin(), sorted.end(), at);
        const size_t end = next == sorted.end() ? archive.size() : *next;
        out->emplace_back(archive.begin() + at, archive.begin() + static_cast<std::ptrdiff_t>(end));
    }
    return noFault();
}

}  // namespace

int runReplace(int argc, char** argv)
{
    std::vector<std::string> positional;
    ModelSettings settings;
    bool stored = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(replaceUsage, stdout);
            return 0;
        }
        if (a == "--stored") {
            stored = true;
        } else if (a == "--palette" || a == "--scale") {
            if (i + 1 >= argc) return usageError((a + " needs a value").c_str());
            const char* v = argv[++i];
            if (a == "--palette") settings.palette = v;
            else if (!parseScale(v, &settings.scale)) return usageError("--scale needs a positive number");
        } else if (a.size() > 1 && a[0] == '-') {
            return usageError(("unknown option " + a).c_str());
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 3) return usageError("give ARCHIVE, INDEX and FILE");
    const std::string& archivePath = positional[0];
    const std::string& input = positional[2];
    long index = 0;
    if (!parseWholeNumber(positional[1].c_str(), 0, reachableEntries - 1, &index)) return usageError("INDEX must be a whole number from 0 to 32767");
    if (archivePath == "-" || input == "-") return usageError("the archive and the file must be files");
    if (sameFile(archivePath, input)) return usageError("FILE is the archive itself");

    std::vector<uint8_t> archive;
    if (const Fault f = readFileBytes(archivePath, &archive)) {
        std::fprintf(stderr, "orvane replace: cannot read %s: %s\n", archivePath.c_str(), f.reason);
        return 1;
    }
    std::vector<std::vector<uint8_t>> entries;
    if (const Fault f = storedEntries(archive, &entries)) {
        std::fprintf(stderr, "orvane replace: %s: %s\n", archivePath.c_str(), f.reason);
        return 1;
    }
    if (index > static_cast<long>(entries.size())) {
        std::fprintf(stderr, "orvane replace: %s: entry %ld is past the end (the archive holds %zu; %zu appends)\n", archivePath.c_str(), index,
                     entries.size(), entries.size());
        return 1;
    }
    if (index == static_cast<long>(entries.size()) && entries.size() >= static_cast<size_t>(reachableEntries)) {
        std::fprintf(stderr, "orvane replace: %s: already %zu entries, the most an archive can reach\n", archivePath.c_str(), entries.size());
        return 1;
    }
    std::vector<uint8_t> body;
    if (const Fault f = loadEntryInput("replace", input, settings, &body)) {
        std::fprintf(stderr, "orvane replace: %s: %s\n", input.c_str(), f.reason);
        return 1;
    }

    // The new entry: header and data, packed where that is smaller.
    std::vector<uint8_t> packed;
    if (!stored && !body.empty()) packed = lzPack(body);
    const bool usePacked = !packed.empty() && packed.size() < body.size();
    const std::vector<uint8_t>& data = usePacked ? packed : body;
    std::vector<uint8_t> entry(entryHeaderBytes);
    writeU32(entry.data(), static_cast<uint32_t>(body.size()));
    writeU32(entry.data() + 4, static_cast<uint32_t>(data.size()));
    writeU16(entry.data() + 8, static_cast<uint16_t>(usePacked ? entryModePacked : entryModeStored));
    entry.insert(entry.end(), data.begin(), data.end());
    if (index == static_cast<long>(entries.size())) entries.push_back(std::move(entry));
    else entries[static_cast<size_t>(index)] = std::move(entry);

    std::vector<uint8_t> rebuilt(4 * entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        if (rebuilt.size() > 0xFFFFFFFFu) {
            std::fprintf(stderr, "orvane replace: %s: the archive would pass 4 GiB\n", archivePath.c_str());
            return 1;
        }
        writeU32(&rebuilt[4 * i], static_cast<uint32_t>(rebuilt.size()));
        rebuilt.insert(rebuilt.end(), entries[i].begin(), entries[i].end());
    }
    if (const Fault f = writeFileThroughRename(archivePath, rebuilt)) {
        std::fprintf(stderr, "orvane replace: cannot write %s: %s (it is unchanged)\n", archivePath.c_str(), f.reason);
        return 1;
    }
    return 0;
}
