// entry_diff.h: two archives in memory compared entry by entry, as 'diff' reports them.
// Needs no display, so the fuzz target for damaged archives runs it as it is.
#pragma once

#include <string>
#include <vector>

#include "archive/stored_entries.h"

enum class EntryVerdict { same, repacked, changed, added, removed, damaged };
inline constexpr int verdictCount = 6;

struct EntryComparison {
    EntryVerdict verdict = EntryVerdict::same;
    // changed: what changed in words; damaged: which side and its fault ("new: truncated entry").
    std::string detail;
};

// The entry's body as the viewer would get it: unpacked, and passing the checks the viewer
// makes before a body's first frame (prepared on a copy); the loader's or the check's fault.
Fault loadStoredBody(const StoredEntry& entry, std::vector<uint8_t>* body);

// One verdict per entry of either archive: same (stored bytes identical), repacked (the same
// unpacked bytes), changed, added, removed, or damaged on either side.
std::vector<EntryComparison> compareArchives(const StoredArchive& before, const StoredArchive& after);

const char* verdictName(EntryVerdict verdict);
