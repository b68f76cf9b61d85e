// diff_fuzz.cpp: fuzz harness: two damaged archives compared as 'diff' compares them. The input
// is a u16 length, the first archive, then the second. Every entry gets one verdict, and a
// damaged one names its side.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/little_endian.h"
#include "body/entry_diff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    const ByteSpan input(data + 2, size - 2);
    const size_t first = std::min<size_t>(readU16(data), input.size());
    StoredArchive before, after;
    if (readStoredEntries(input.first(first), &before, reachableEntries) ||
        readStoredEntries(input.subspan(first), &after, reachableEntries))
        return 0;
    const std::vector<EntryComparison> verdicts = compareArchives(before, after);
    if (verdicts.size() != std::max(before.entries.size(), after.entries.size())) std::abort();
    for (const EntryComparison& v : verdicts) {
        const bool named = v.detail.find("old: ") != std::string::npos || v.detail.find("new: ") != std::string::npos;
        if ((v.verdict == EntryVerdict::damaged) != named) std::abort();
        if (v.verdict == EntryVerdict::changed && v.detail.empty()) std::abort();
    }
    return 0;
}
