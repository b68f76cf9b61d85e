// archive_patch.h: a patch that turns one archive into another by carrying only the entries that
// differ (their stored bytes, never repacked), and that applies only to the archive it was made
// for. docs/patches.md gives the byte layout.
//
// A patch knows its original by the SHA-256 of the whole file, of every entry it touches, and a
// 4-byte fingerprint of every other entry (so a refusal can name the first entry that differs);
// and its result by the SHA-256 of the whole result. The result is laid out as the tools write
// archives: the offset table, then the entries one after another.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/sha256.h"
#include "archive/stored_entries.h"
#include "support/fault.h"

inline constexpr uint16_t patchFormatVersion = 1;
inline constexpr std::size_t patchNoteLimit = 4096;  // bytes of note text

enum class PatchChangeKind : uint8_t {
    replaced = 1,  // an entry of the original, in place
    added = 2,     // an entry after the original's last
    removed = 3,   // one of the original's last entries, gone
};

struct PatchChange {
    uint32_t entry = 0;
    PatchChangeKind kind = PatchChangeKind::replaced;
    Sha256Digest original{};      // replaced and removed: the original entry's stored bytes' hash
    std::vector<uint8_t> stored;  // replaced and added: the new entry, header and data
};

struct ArchivePatch {
    uint32_t originalEntries = 0;
    uint32_t resultEntries = 0;
    uint64_t originalSize = 0;
    Sha256Digest originalHash{};
    uint64_t resultSize = 0;
    Sha256Digest resultHash{};
    std::vector<uint32_t> fingerprints;  // one per original entry
    std::string note;
    std::vector<PatchChange> changes;  // by entry, ascending

    bool changesEntryCount() const { return originalEntries != resultEntries; }
};

// An archive whose every entry could be found, taken apart for patching.
struct PatchableArchive {
    ByteSpan bytes;
    std::vector<ByteSpan> entries;
};

// Takes `bytes` apart; fails with "entry N: FAULT" for the first entry whose stored bytes are
// not all in the file, or as readStoredEntries does.
Fault readPatchableArchive(ByteSpan bytes, PatchableArchive* out);

// Whether the archive is laid out as the tools write it: the table, then each entry in order,
// nothing shared, nothing between.
bool laidOutInOrder(const PatchableArchive& archive);

// The 4-byte fingerprint of an entry's stored bytes (the start of their SHA-256).
uint32_t entryFingerprint(ByteSpan stored);

// The patch that turns `original` into `result` (as laid out anew: see above).
Fault makePatch(const PatchableArchive& original, const PatchableArchive& result, const std::string& note,
                ArchivePatch* patch);

// The patch's bytes, and back: every length and field is checked, and the whole patch against
// its closing SHA-256, so a patch cut short or altered in any byte is refused.
std::vector<uint8_t> encodePatch(const ArchivePatch& patch);
Fault decodePatch(ByteSpan bytes, ArchivePatch* patch);
