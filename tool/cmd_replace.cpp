// cmd_replace.cpp: the 'replace' subcommand: puts one body in place of an archive's entry (or
// after its last), copying every other entry's stored bytes as they are: nothing is repacked.
#include <cstdio>
#include <string>
#include <vector>

#include "archive/archive_writer.h"
#include "archive/stored_entries.h"
#include "exchange/model_import.h"
#include "support/file_io.h"
#include "tool/commands.h"
#include "tool/model_input.h"

const CommandSyntax replaceCommand = {
    .name = "replace",
    .usage = "ARCHIVE INDEX FILE [--stored] [--raw] [--palette FILE] [--scale S]",
    .summary = "put a body (or a model) in place of one entry, or append it",
    .description = "Puts FILE in place of entry INDEX of ARCHIVE, or after the last entry when INDEX\n"
                   "is the entry count. FILE is a body (.bin, as 'orvane extract' and 'orvane import'\n"
                   "write), checked as the viewer would (--raw takes its bytes as they are), or a model\n"
                   "(.glb, .gltf, .obj) imported on the way. A glTF exported from the entry it\n"
                   "replaces (and edited since, in Blender say) is read as an edit of it: every\n"
                   "stored field the file does not carry stays as it was. The new entry is\n"
                   "packed where that makes it smaller; every other entry keeps its stored bytes\n"
                   "(nothing is repacked). The archive is rewritten through a temporary file and a\n"
                   "rename, so a failure leaves it as it was.\n"
                   "\n"
                   "Exit status: 0 on success, 1 when a file cannot be read or written, the archive\n"
                   "is damaged or INDEX lies past its end, or FILE is not a body, 2 on a usage error\n"
                   "(also an ARCHIVE that is FILE, its palette or a file the model names).\n",
    .options = {{"--stored", nullptr, "store the new entry as is, never packed"},
                {"--raw", nullptr, "put FILE in as it is, unchecked (when it is not a model)"},
                {"--palette", "FILE", "palette a model's colours are matched against (see import)"},
                {"--scale", "S", "model units per unit of a model's file (default 400)"}},
    .operands = {"ARCHIVE", "INDEX", "FILE"},
};

namespace {

// Each entry's stored bytes (header and data) as the file holds them, as far as its header
// says: entries may share or overlap bytes, and gaps between them belong to none.
Fault storedEntries(const std::vector<uint8_t>& archive, std::vector<ByteSpan>* out)
{
    StoredArchive stored;
    if (const Fault fault = readStoredEntries(archive, &stored)) return fault;
    if (const Fault fault = unreadEntriesFault(stored, archive.size())) return fault;
    for (size_t i = 0; i < stored.entries.size(); ++i) {
        const StoredEntry& entry = stored.entries[i];
        // An entry inside the table would be overwritten by the table rewritten.
        if (!entry.headerInFile || entry.offset < 4 * stored.entries.size())
            return faultOf("entry %zu: its offset %u lies outside the file", i, entry.offset);
        if (!entry.whole()) return faultOf("entry %zu: %s", i, archiveTruncated);
        out->push_back(entry.bytes);
    }
    return noFault();
}

}  // namespace

int runReplace(int argc, char** argv)
{
    CommandLine line;
    if (const int status = parseCommandLine(replaceCommand, argc, argv, &line); status >= 0) return status;
    const std::string& archivePath = line.operands[0];
    const std::string& input = line.operands[2];
    long index = 0;
    if (!line.readNumber("INDEX", line.operands[1].c_str(), 0, reachableEntries - 1, &index)) return usageStatus;
    if (archivePath == "-" || input == "-") return line.usageError("the archive and the file must be files");
    ModelSettings settings;
    settings.palette = line.value("--palette", "");
    settings.raw = line.has("--raw");
    if (line.has("--scale") && !parseScale(line.value("--scale"), &settings.scale))
        return line.usageError("--scale needs a positive number");
    std::vector<std::string> inputs = {input};
    if (!settings.palette.empty()) inputs.push_back(settings.palette);
    if (refuseSameFile(replaceCommand, archivePath, inputs)) return usageStatus;
    const bool stored = line.has("--stored");

    std::vector<uint8_t> archive;
    if (const Fault f = readFileBytes(archivePath, &archive, {anyInputCap.bytes, "an archive"})) {
        std::fprintf(stderr, "orvane replace: cannot read %s: %s\n", archivePath.c_str(), f.reason);
        return 1;
    }
    std::vector<ByteSpan> entries;
    if (const Fault f = storedEntries(archive, &entries)) {
        std::fprintf(stderr, "orvane replace: %s: %s\n", archivePath.c_str(), f.reason);
        return 1;
    }
    if (index > static_cast<long>(entries.size())) {
        std::fprintf(stderr, "orvane replace: %s: entry %ld is past the end (the archive holds %zu; %zu appends)\n",
                     archivePath.c_str(), index, entries.size(), entries.size());
        return 1;
    }
    if (index == static_cast<long>(entries.size()) && entries.size() >= static_cast<size_t>(reachableEntries)) {
        std::fprintf(stderr, "orvane replace: %s: already %zu entries, the most an archive can reach\n",
                     archivePath.c_str(), entries.size());
        return 1;
    }
    // The entry replaced is the base an edited export of it is read against.
    const ModelFormat format = modelFormatOf(input);
    if (index < static_cast<long>(entries.size()) && (format == ModelFormat::glb || format == ModelFormat::gltf)) {
        if (loadImportBase(archivePath, index, false, &settings))
            settings.base.clear();  // an entry that cannot be shown is no base
    }
    std::vector<uint8_t> body;
    std::vector<std::string> opened;
    if (const Fault f = loadEntryInput("replace", input, settings, &body, &opened)) {
        std::fprintf(stderr, "orvane replace: %s: %s\n", input.c_str(), f.reason);
        return 1;
    }
    // Files found on the way (a palette beside a model) are inputs too.
    if (refuseSameFile(replaceCommand, archivePath, opened)) return usageStatus;

    // The new entry: header and data, packed where that is smaller.
    std::vector<uint8_t> entry;
    std::vector<uint8_t> rebuilt;
    Fault unfit = storeEntry(body, stored ? EntryPacking::stored : EntryPacking::packedIfSmaller, &entry);
    if (!unfit) {
        if (index == static_cast<long>(entries.size()))
            entries.push_back(entry);
        else
            entries[static_cast<size_t>(index)] = entry;
        unfit = assembleArchive(entries, &rebuilt);
    }
    if (unfit) {
        std::fprintf(stderr, "orvane replace: %s: the archive would pass 4 GiB\n", archivePath.c_str());
        return 1;
    }
    if (const Fault f = writeFileBytes(archivePath, rebuilt)) {
        std::fprintf(stderr, "orvane replace: cannot write %s: %s (it is unchanged)\n", archivePath.c_str(), f.reason);
        return 1;
    }
    return 0;
}
