// patch_apply.cpp: a patch checked against the archive it is given, and patches applied.
#include "archive/patch_apply.h"

#include <algorithm>

#include "archive/archive_writer.h"

namespace {

// The entries a patch changes, in ascending order.
std::vector<uint32_t> touched(const ArchivePatch& patch)
{
    std::vector<uint32_t> entries;
    for (const PatchChange& change : patch.changes) entries.push_back(change.entry);
    return entries;
}

}  // namespace

bool madeFor(const ArchivePatch& patch, const PatchableArchive& original, const Sha256Digest& originalHash)
{
    return original.bytes.size() == patch.originalSize && originalHash == patch.originalHash;
}

long firstDifferingEntry(const ArchivePatch& patch, const PatchableArchive& original)
{
    const std::size_t both = std::min<std::size_t>(patch.originalEntries, original.entries.size());
    for (std::size_t i = 0; i < both; ++i)
        if (entryFingerprint(original.entries[i]) != patch.fingerprints[i]) return static_cast<long>(i);
    return both < std::max<std::size_t>(patch.originalEntries, original.entries.size()) ? static_cast<long>(both) : -1;
}

Fault checkTouchedEntries(const ArchivePatch& patch, const PatchableArchive& original)
{
    if (original.entries.size() != patch.originalEntries)
        return faultOf("it holds %zu entries; the patch was made for %u", original.entries.size(),
                       patch.originalEntries);
    for (const PatchChange& change : patch.changes) {
        if (change.kind == PatchChangeKind::added) continue;
        if (sha256(original.entries[change.entry]) != change.original)
            return faultOf("entry %u, which the patch %s, is not the one it was made for", change.entry,
                           change.kind == PatchChangeKind::removed ? "removes" : "replaces");
    }
    return noFault();
}

long firstConflict(const ArchivePatch& first, const ArchivePatch& second)
{
    const std::vector<uint32_t> a = touched(first), b = touched(second);
    std::vector<uint32_t> both;
    std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(both));
    if (!both.empty()) return both.front();
    if (first.changesEntryCount() && second.changesEntryCount())
        return std::min(second.originalEntries, second.resultEntries);
    return -1;
}

Fault applyPatches(const std::vector<const ArchivePatch*>& patches, const PatchableArchive& original,
                   std::vector<uint8_t>* result)
{
    std::vector<ByteSpan> entries = original.entries;
    std::size_t count = entries.size();
    for (const ArchivePatch* patch : patches) {
        if (patch->originalEntries != original.entries.size()) return faultOf("a patch made for another entry count");
        if (patch->changesEntryCount()) count = patch->resultEntries;
        entries.resize(std::max<std::size_t>(entries.size(), patch->resultEntries));
        for (const PatchChange& change : patch->changes)
            if (change.kind != PatchChangeKind::removed) entries[change.entry] = change.stored;
    }
    entries.resize(count);
    return assembleArchive(entries, result);
}
