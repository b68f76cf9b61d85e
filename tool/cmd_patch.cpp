// cmd_patch.cpp: the 'patch create', 'patch apply' and 'patch info' subcommands: a mod shared as
// the entries that differ, applied only to the archive it was made for.
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "archive/patch_apply.h"
#include "support/file_io.h"
#include "tool/cmd_patch_files.h"
#include "tool/commands.h"

const CommandSyntax patchCreateCommand = {
    .name = "patch create",
    .usage = "OLD NEW -o MOD.patch [--note TEXT]",
    .summary = "write the entries that turn archive OLD into NEW as a patch",
    .description = "Writes MOD.patch, holding the stored bytes (as NEW stores them, never repacked)\n"
                   "of every entry of NEW that differs from OLD's, the entries added or removed at\n"
                   "the end, the SHA-256 of OLD, of each of its entries the patch touches and of\n"
                   "the result, and a note. An unchanged entry costs 4 bytes. docs/patches.md gives\n"
                   "the format.\n"
                   "\n"
                   "Exit status: 0 on success, 1 when an archive cannot be read (or an entry's\n"
                   "bytes cannot be found) or the patch cannot be written, 2 on a usage error.\n",
    .options = {{"-o", "MOD.patch", "the patch to write ('-' for standard output)"},
                {"--note", "TEXT", "a note for whoever applies it: what it changes, who made it"}},
    .operands = {"OLD", "NEW"},
};

const CommandSyntax patchApplyCommand = {
    .name = "patch apply",
    .usage = "MOD.patch... OLD -o NEW [--force]",
    .summary = "apply patches to the archive they were made for",
    .description = "Applies each patch, in order, to OLD and writes the result to NEW. A patch\n"
                   "applies only to the very archive it was made for: otherwise nothing is written\n"
                   "and the first entry that differs is named. With --force it applies to an\n"
                   "archive whose other entries differ, so long as every entry it replaces or\n"
                   "removes is the one it was made for. When OLD is the patch's original, the result\n"
                   "is checked against the one the patch was made to give. Several patches must\n"
                   "touch different entries; a conflict names the entry and both patches.\n"
                   "\n"
                   "Exit status: 0 on success, 1 when a patch does not apply, a file cannot be read\n"
                   "or NEW cannot be written (nothing is written then), 2 on a usage error (also a\n"
                   "NEW that is an input).\n",
    .options = {{"-o", "NEW", "the archive to write ('-' for standard output)"},
                {"--force", nullptr, "apply to an archive whose untouched entries differ"}},
    .operands = {"PATCH...", "OLD"},
};

const CommandSyntax patchInfoCommand = {
    .name = "patch info",
    .usage = "MOD.patch",
    .summary = "print a patch's note, the entries it touches, and its sizes",
    .description = "Prints the note of MOD.patch, the archive it was made for and the one it makes\n"
                   "(entries, bytes, SHA-256), and each entry it replaces, adds or removes.\n"
                   "\n"
                   "Exit status: 0 on success, 1 when MOD.patch cannot be read or is damaged, 2 on a\n"
                   "usage error.\n",
    .options = {},
    .operands = {"PATCH"},
};

namespace {

const char* kindName(PatchChangeKind kind)
{
    return kind == PatchChangeKind::added ? "added" : kind == PatchChangeKind::removed ? "removed" : "replaced";
}

// The note as one line of text a terminal shows as it is: control characters become '?'.
std::string printable(const std::string& text)
{
    std::string shown = text;
    for (char& c : shown)
        if (std::iscntrl(static_cast<unsigned char>(c))) c = '?';
    return shown;
}

}  // namespace

int runPatchCreate(int argc, char** argv)
{
    CommandLine line;
    if (const int status = parseCommandLine(patchCreateCommand, argc, argv, &line); status >= 0) return status;
    const std::string& oldPath = line.operands[0];
    const std::string& newPath = line.operands[1];
    const char* out = line.value("-o");
    if (out == nullptr) return line.usageError("no output file (-o MOD.patch)");
    const std::string note = line.value("--note", "");
    if (note.size() > patchNoteLimit) return line.usageError("--note holds at most %zu bytes", patchNoteLimit);
    if (oldPath == "-" || newPath == "-") return line.usageError("OLD and NEW must be files");
    if (refuseSameFile(patchCreateCommand, out, {oldPath, newPath})) return usageStatus;

    std::vector<uint8_t> oldBytes, newBytes;
    PatchableArchive original, result;
    if (!readPatchableInput(patchCreateCommand, oldPath, &oldBytes, &original) ||
        !readPatchableInput(patchCreateCommand, newPath, &newBytes, &result))
        return 1;
    ArchivePatch patch;
    if (const Fault fault = makePatch(original, result, note, &patch)) {
        std::fprintf(stderr, "orvane patch create: %s: %s\n", newPath.c_str(), fault.reason);
        return 1;
    }
    if (!laidOutInOrder(result))
        std::fprintf(stderr,
                     "orvane patch create: note: %s shares or leaves bytes between its entries; the patch gives "
                     "the same entries laid out one after another\n",
                     newPath.c_str());
    if (const Fault fault = writeFileBytes(out, encodePatch(patch))) {
        std::fprintf(stderr, "orvane patch create: cannot write %s: %s\n", out, fault.reason);
        return 1;
    }
    return 0;
}

namespace {

struct LoadedPatch {
    std::string path;
    ArchivePatch patch;
};

// Checks each patch against the original, and the patches against each other; prints why they
// do not apply and is false.
bool patchesApply(const std::vector<LoadedPatch>& patches, const std::string& oldPath, const PatchableArchive& original,
                  const Sha256Digest& originalHash, bool force)
{
    for (const LoadedPatch& loaded : patches) {
        if (madeFor(loaded.patch, original, originalHash)) continue;
        const long differing = firstDifferingEntry(loaded.patch, original);
        const std::string where = differing >= 0 ? "entry " + std::to_string(differing) + " differs"
                                                 : "its entries agree but the bytes between them differ";
        if (!force) {
            std::fprintf(stderr, "orvane patch apply: %s is not the archive %s was made for: %s; nothing written\n",
                         oldPath.c_str(), loaded.path.c_str(), where.c_str());
            return false;
        }
        if (const Fault fault = checkTouchedEntries(loaded.patch, original)) {
            std::fprintf(stderr, "orvane patch apply: %s: %s (%s); nothing written\n", oldPath.c_str(), fault.reason,
                         loaded.path.c_str());
            return false;
        }
        std::fprintf(stderr,
                     "orvane patch apply: %s is not the archive %s was made for (%s); applying it with --force, as "
                     "every entry it touches matches\n",
                     oldPath.c_str(), loaded.path.c_str(), where.c_str());
    }
    for (size_t i = 0; i < patches.size(); ++i) {
        for (size_t j = i + 1; j < patches.size(); ++j) {
            const long entry = firstConflict(patches[i].patch, patches[j].patch);
            if (entry < 0) continue;
            std::fprintf(stderr, "orvane patch apply: entry %ld is changed by both %s and %s; nothing written\n", entry,
                         patches[i].path.c_str(), patches[j].path.c_str());
            return false;
        }
    }
    return true;
}

// Applies one patch alone to its own original and compares the result with the one it was made
// to give: a patch that passed its checksum can still have been made wrongly.
bool givesItsResult(const LoadedPatch& loaded, const PatchableArchive& original, std::vector<uint8_t>* result)
{
    const Fault fault = applyPatches({&loaded.patch}, original, result);
    if (!fault && result->size() == loaded.patch.resultSize && sha256(*result) == loaded.patch.resultHash) return true;
    std::fprintf(stderr,
                 "orvane patch apply: %s: the result is not the archive the patch was made to give; nothing written\n",
                 loaded.path.c_str());
    return false;
}

}  // namespace

int runPatchApply(int argc, char** argv)
{
    CommandLine line;
    if (const int status = parseCommandLine(patchApplyCommand, argc, argv, &line); status >= 0) return status;
    const char* out = line.value("-o");
    if (out == nullptr) return line.usageError("no output file (-o NEW)");
    const std::string& oldPath = line.operands.back();
    std::vector<std::string> inputs(line.operands.begin(), line.operands.end());
    for (const std::string& input : inputs)
        if (input == "-") return line.usageError("the patches and OLD must be files");
    if (refuseSameFile(patchApplyCommand, out, inputs)) return usageStatus;

    std::vector<LoadedPatch> patches(inputs.size() - 1);
    for (size_t i = 0; i < patches.size(); ++i) {
        patches[i].path = inputs[i];
        if (!readPatchInput(patchApplyCommand, inputs[i], &patches[i].patch)) return 1;
    }
    std::vector<uint8_t> oldBytes;
    PatchableArchive original;
    if (!readPatchableInput(patchApplyCommand, oldPath, &oldBytes, &original)) return 1;
    const Sha256Digest originalHash = sha256(original.bytes);
    if (!patchesApply(patches, oldPath, original, originalHash, line.has("--force"))) return 1;

    std::vector<uint8_t> result;
    for (const LoadedPatch& loaded : patches)
        if (madeFor(loaded.patch, original, originalHash) && !givesItsResult(loaded, original, &result)) return 1;
    if (patches.size() > 1 || !madeFor(patches[0].patch, original, originalHash)) {
        std::vector<const ArchivePatch*> all;
        for (const LoadedPatch& loaded : patches) all.push_back(&loaded.patch);
        if (const Fault fault = applyPatches(all, original, &result)) {
            std::fprintf(stderr, "orvane patch apply: %s; nothing written\n", fault.reason);
            return 1;
        }
    }
    if (const Fault fault = writeFileBytes(out, result)) {
        std::fprintf(stderr, "orvane patch apply: cannot write %s: %s\n", out, fault.reason);
        return 1;
    }
    return 0;
}

int runPatchInfo(int argc, char** argv)
{
    CommandLine line;
    if (const int status = parseCommandLine(patchInfoCommand, argc, argv, &line); status >= 0) return status;
    const std::string& path = line.operands[0];
    ArchivePatch patch;
    uint64_t size = 0;
    if (!readPatchInput(patchInfoCommand, path, &patch, &size)) return 1;

    std::printf("patch format %u, %" PRIu64 " bytes\n", patchFormatVersion, size);
    std::printf("note: %s\n", patch.note.empty() ? "(none)" : printable(patch.note).c_str());
    std::printf("original: %u entries, %" PRIu64 " bytes, sha256 %s\n", patch.originalEntries, patch.originalSize,
                hexOf(patch.originalHash).c_str());
    std::printf("result:   %u entries, %" PRIu64 " bytes, sha256 %s\n", patch.resultEntries, patch.resultSize,
                hexOf(patch.resultHash).c_str());
    uint64_t carried = 0;
    for (const PatchChange& change : patch.changes) {
        std::printf("  entry %5u  %-8s", change.entry, kindName(change.kind));
        if (change.kind != PatchChangeKind::removed) {
            const EntryHeader header = parseEntryHeader(change.stored.data());
            std::printf("  %zu stored bytes, %s, %u unpacked", change.stored.size(),
                        header.mode == entryModePacked ? "packed" : "stored", header.unpackedSize);
            carried += change.stored.size();
        }
        std::printf("\n");
    }
    std::printf("%zu %s touched, %" PRIu64 " entry bytes carried\n", patch.changes.size(),
                patch.changes.size() == 1 ? "entry" : "entries", carried);
    return 0;
}
