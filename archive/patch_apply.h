// patch_apply.h: checks a patch against the archive it is given, and applies one or more.
#pragma once

#include <cstdint>
#include <vector>

#include "archive/archive_patch.h"

// Whether `original` (its whole bytes hashing to `originalHash`) is, byte for byte, the
// archive the patch was made for.
bool madeFor(const ArchivePatch& patch, const PatchableArchive& original, const Sha256Digest& originalHash);

// The first entry of `original` that is not the patch's original's (by the entries'
// fingerprints, then by the entry count: the first entry one of them lacks); -1 when every entry
// agrees, which leaves only the bytes between entries to differ.
long firstDifferingEntry(const ArchivePatch& patch, const PatchableArchive& original);

// Empty when every entry the patch replaces or removes is in `original` as it was when the patch
// was made, and the entry count is the same; otherwise names the first that is not.
Fault checkTouchedEntries(const ArchivePatch& patch, const PatchableArchive& original);

// The first entry both patches change, add or remove, or -1. Two patches that both change the
// entry count meet at the first entry the second adds or removes.
long firstConflict(const ArchivePatch& first, const ArchivePatch& second);

// Applies the patches, which touch different entries and were each checked against `original`,
// laying the result out anew into *result.
Fault applyPatches(const std::vector<const ArchivePatch*>& patches, const PatchableArchive& original,
                   std::vector<uint8_t>* result);
