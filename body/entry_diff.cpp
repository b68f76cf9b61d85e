// entry_diff.cpp: two archives compared entry by entry: stored bytes, unpacked bytes,
// then the bodies part by part.
#include "body/entry_diff.h"

#include <algorithm>
#include <cstring>

#include "body/body.h"
#include "body/body_check.h"
#include "body/body_diff.h"

namespace {

bool sameBytes(ByteSpan a, ByteSpan b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size()) == 0);
}

EntryComparison damaged(const char* side, const Fault& fault, const char* also = "")
{
    return {EntryVerdict::damaged, std::string(also) + side + ": " + fault.reason};
}

EntryComparison compareEntry(const StoredEntry& before, const StoredEntry& after)
{
    if (before.whole() && after.whole() && sameBytes(before.bytes, after.bytes)) return {EntryVerdict::same, {}};
    std::vector<uint8_t> a, b;
    const Fault faultA = loadStoredBody(before, &a), faultB = loadStoredBody(after, &b);
    if (faultA && faultB)
        return {EntryVerdict::damaged, std::string("old: ") + faultA.reason + "; new: " + faultB.reason};
    if (faultA) return damaged("old", faultA);
    if (faultB) return damaged("new", faultB);
    if (a == b) return {EntryVerdict::repacked, {}};
    return {EntryVerdict::changed, describeBodyChange(a, b)};
}

}  // namespace

Fault loadStoredBody(const StoredEntry& entry, std::vector<uint8_t>* body)
{
    body->clear();
    if (!entry.whole()) return faultOf("%s", archiveTruncated);
    if (const Fault fault = unpackStoredEntry(entry.bytes, body)) return fault;
    Fault fault = checkBodyForPreparation(body->data(), body->size());
    if (!fault) {
        std::vector<uint8_t> prepared = *body;
        prepareBody(prepared.data());
        fault = checkBodyForFrames(prepared.data(), prepared.size());
    }
    if (fault) body->clear();
    return fault;
}

std::vector<EntryComparison> compareArchives(const StoredArchive& before, const StoredArchive& after)
{
    const std::size_t both = std::min(before.entries.size(), after.entries.size());
    std::vector<EntryComparison> out;
    out.reserve(std::max(before.entries.size(), after.entries.size()));
    for (std::size_t i = 0; i < both; ++i) out.push_back(compareEntry(before.entries[i], after.entries[i]));
    std::vector<uint8_t> body;
    for (std::size_t i = both; i < after.entries.size(); ++i) {
        const Fault fault = loadStoredBody(after.entries[i], &body);
        out.push_back(fault ? damaged("new", fault, "added; ") : EntryComparison{EntryVerdict::added, {}});
    }
    for (std::size_t i = both; i < before.entries.size(); ++i) {
        const Fault fault = loadStoredBody(before.entries[i], &body);
        out.push_back(fault ? damaged("old", fault, "removed; ") : EntryComparison{EntryVerdict::removed, {}});
    }
    return out;
}

const char* verdictName(EntryVerdict verdict)
{
    switch (verdict) {
    case EntryVerdict::same:
        return "same";
    case EntryVerdict::repacked:
        return "repacked";
    case EntryVerdict::changed:
        return "changed";
    case EntryVerdict::added:
        return "added";
    case EntryVerdict::removed:
        return "removed";
    case EntryVerdict::damaged:
        return "damaged";
    }
    return "?";
}
