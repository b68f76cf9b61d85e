// archive_patch.cpp: makes a patch from two archives, and writes and reads its bytes.
#include "archive/archive_patch.h"

#include <algorithm>
#include <cstring>

#include "archive/archive_writer.h"
#include "support/little_endian.h"

namespace {

constexpr uint8_t patchMagic[8] = {'O', 'R', 'V', 'P', 'A', 'T', 'C', 'H'};
constexpr std::size_t fixedHeaderBytes = 104;  // magic to the note's length
constexpr std::size_t checksumBytes = 32;

void putU16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void putU32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void putU64(std::vector<uint8_t>& out, uint64_t v)
{
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void putBytes(std::vector<uint8_t>& out, ByteSpan bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }

// Reads fields front to back; a read past the end fails the reader, not the process.
struct Reader {
    ByteSpan bytes;
    std::size_t at = 0;

    std::size_t left() const { return bytes.size() - at; }
    bool take(std::size_t size, const uint8_t** p)
    {
        if (size > left()) return false;
        *p = bytes.data() + at;
        at += size;
        return true;
    }
    bool u8(uint8_t* v)
    {
        const uint8_t* p = nullptr;
        if (!take(1, &p)) return false;
        *v = *p;
        return true;
    }
    bool u32(uint32_t* v)
    {
        const uint8_t* p = nullptr;
        if (!take(4, &p)) return false;
        *v = readU32(p);
        return true;
    }
    bool digest(Sha256Digest* d)
    {
        const uint8_t* p = nullptr;
        if (!take(d->size(), &p)) return false;
        std::memcpy(d->data(), p, d->size());
        return true;
    }
};

uint64_t readU64(const uint8_t* p) { return readU32(p) | (static_cast<uint64_t>(readU32(p + 4)) << 32); }

bool spansEqual(ByteSpan a, ByteSpan b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size()) == 0);
}

Fault cut(const char* what) { return faultOf("cut short in %s", what); }

Fault decodeChanges(Reader& in, ArchivePatch* patch)
{
    uint32_t count = 0;
    if (!in.u32(&count)) return cut("the change count");
    if (count > in.left() / 5) return faultOf("%u changes cannot fit in the bytes left", count);
    const uint32_t low = std::min(patch->originalEntries, patch->resultEntries);
    uint32_t added = 0, removed = 0;
    patch->changes.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        PatchChange& change = patch->changes[i];
        uint8_t kind = 0;
        if (!in.u32(&change.entry) || !in.u8(&kind)) return cut("a change");
        if (i > 0 && change.entry <= patch->changes[i - 1].entry) return faultOf("change %u: entries out of order", i);
        change.kind = static_cast<PatchChangeKind>(kind);
        const bool inBoth = change.entry < low;
        if (change.kind == PatchChangeKind::replaced ? !inBoth
            : change.kind == PatchChangeKind::added
                ? change.entry < patch->originalEntries || change.entry >= patch->resultEntries
            : change.kind == PatchChangeKind::removed
                ? change.entry < patch->resultEntries || change.entry >= patch->originalEntries
                : true)
            return faultOf("change %u: kind %u does not fit entry %u", i, kind, change.entry);
        added += change.kind == PatchChangeKind::added;
        removed += change.kind == PatchChangeKind::removed;
        if (change.kind != PatchChangeKind::added && !in.digest(&change.original)) return cut("an entry's hash");
        if (change.kind == PatchChangeKind::removed) continue;
        uint32_t size = 0;
        const uint8_t* stored = nullptr;
        if (!in.u32(&size) || !in.take(size, &stored))
            return faultOf("entry %u: cut short in its stored bytes", change.entry);
        if (size < entryHeaderBytes || entryExtent(parseEntryHeader(stored)) != size)
            return faultOf("entry %u: its header does not give its %u stored bytes", change.entry, size);
        change.stored.assign(stored, stored + size);
    }
    if (added != (patch->resultEntries > low ? patch->resultEntries - low : 0) ||
        removed != (patch->originalEntries > low ? patch->originalEntries - low : 0))
        return faultOf("the entries added or removed do not match the entry counts");
    return noFault();
}

}  // namespace

Fault readPatchableArchive(ByteSpan bytes, PatchableArchive* out)
{
    *out = PatchableArchive{bytes, {}};
    StoredArchive stored;
    if (const Fault fault = readStoredEntries(bytes, &stored, reachableEntries)) return fault;
    if (const Fault fault = unreadEntriesFault(stored, bytes.size())) return fault;
    out->entries.reserve(stored.entries.size());
    for (std::size_t i = 0; i < stored.entries.size(); ++i) {
        if (!stored.entries[i].whole()) return faultOf("entry %zu: %s", i, archiveTruncated);
        out->entries.push_back(stored.entries[i].bytes);
    }
    return noFault();
}

bool laidOutInOrder(const PatchableArchive& archive)
{
    uint64_t at = 4 * static_cast<uint64_t>(archive.entries.size());
    for (const ByteSpan& entry : archive.entries) {
        if (entry.data() != archive.bytes.data() + at) return false;
        at += entry.size();
    }
    return at == archive.bytes.size();
}

uint32_t entryFingerprint(ByteSpan stored) { return readU32(sha256(stored).data()); }

Fault makePatch(const PatchableArchive& original, const PatchableArchive& result, const std::string& note,
                ArchivePatch* patch)
{
    *patch = ArchivePatch{};
    if (note.size() > patchNoteLimit) return faultOf("the note is longer than %zu bytes", patchNoteLimit);
    patch->note = note;
    patch->originalEntries = static_cast<uint32_t>(original.entries.size());
    patch->resultEntries = static_cast<uint32_t>(result.entries.size());
    patch->originalSize = original.bytes.size();
    patch->originalHash = sha256(original.bytes);
    if (laidOutInOrder(result)) {
        patch->resultSize = result.bytes.size();
        patch->resultHash = sha256(result.bytes);
    } else {
        std::vector<uint8_t> laidOut;
        if (const Fault fault = assembleArchive(result.entries, &laidOut)) return fault;
        patch->resultSize = laidOut.size();
        patch->resultHash = sha256(laidOut);
    }
    patch->fingerprints.reserve(original.entries.size());
    const std::size_t both = std::min(original.entries.size(), result.entries.size());
    for (std::size_t i = 0; i < original.entries.size(); ++i) {
        const ByteSpan old = original.entries[i];
        const Sha256Digest hash = sha256(old);
        patch->fingerprints.push_back(readU32(hash.data()));
        if (i < both && spansEqual(old, result.entries[i])) continue;
        PatchChange change;
        change.entry = static_cast<uint32_t>(i);
        change.kind = i < both ? PatchChangeKind::replaced : PatchChangeKind::removed;
        change.original = hash;
        if (i < both) change.stored.assign(result.entries[i].begin(), result.entries[i].end());
        patch->changes.push_back(std::move(change));
    }
    for (std::size_t i = both; i < result.entries.size(); ++i) {
        PatchChange change;
        change.entry = static_cast<uint32_t>(i);
        change.kind = PatchChangeKind::added;
        change.stored.assign(result.entries[i].begin(), result.entries[i].end());
        patch->changes.push_back(std::move(change));
    }
    return noFault();
}

std::vector<uint8_t> encodePatch(const ArchivePatch& patch)
{
    std::vector<uint8_t> out;
    putBytes(out, patchMagic);
    putU16(out, patchFormatVersion);
    putU16(out, 0);  // flags, none yet
    putU32(out, patch.originalEntries);
    putU32(out, patch.resultEntries);
    putU64(out, patch.originalSize);
    putBytes(out, patch.originalHash);
    putU64(out, patch.resultSize);
    putBytes(out, patch.resultHash);
    putU32(out, static_cast<uint32_t>(patch.note.size()));
    putBytes(out, ByteSpan(reinterpret_cast<const uint8_t*>(patch.note.data()), patch.note.size()));
    for (const uint32_t fingerprint : patch.fingerprints) putU32(out, fingerprint);
    putU32(out, static_cast<uint32_t>(patch.changes.size()));
    for (const PatchChange& change : patch.changes) {
        putU32(out, change.entry);
        out.push_back(static_cast<uint8_t>(change.kind));
        if (change.kind != PatchChangeKind::added) putBytes(out, change.original);
        if (change.kind == PatchChangeKind::removed) continue;
        putU32(out, static_cast<uint32_t>(change.stored.size()));
        putBytes(out, change.stored);
    }
    putBytes(out, sha256(out));
    return out;
}

Fault decodePatch(ByteSpan bytes, ArchivePatch* patch)
{
    *patch = ArchivePatch{};
    if (bytes.size() < sizeof patchMagic || std::memcmp(bytes.data(), patchMagic, sizeof patchMagic) != 0)
        return faultOf("not a patch (it does not start with ORVPATCH)");
    if (bytes.size() < fixedHeaderBytes + checksumBytes) return cut("its header");
    // The version is believed only once the checksum holds: a flipped bit there is damage.
    const uint16_t version = readU16(bytes.data() + 8);
    const ByteSpan body = bytes.first(bytes.size() - checksumBytes);
    if (!spansEqual(sha256(body), bytes.last(checksumBytes))) {
        if (version != patchFormatVersion)
            return faultOf("damaged, or in a patch format other than %u, the one this orvane reads",
                           patchFormatVersion);
        return faultOf("damaged: its checksum does not match (cut short or altered)");
    }
    if (version != patchFormatVersion)
        return faultOf("patch format %u; this orvane reads format %u", version, patchFormatVersion);

    const uint8_t* h = bytes.data();
    if (readU16(h + 10) != 0) return faultOf("unknown flags %#x", readU16(h + 10));
    patch->originalEntries = readU32(h + 12);
    patch->resultEntries = readU32(h + 16);
    patch->originalSize = readU64(h + 20);
    std::memcpy(patch->originalHash.data(), h + 28, 32);
    patch->resultSize = readU64(h + 60);
    std::memcpy(patch->resultHash.data(), h + 68, 32);
    if (patch->originalEntries == 0 || patch->resultEntries == 0) return faultOf("an archive of no entries");
    if (patch->originalSize < 4ull * patch->originalEntries || patch->resultSize < 4ull * patch->resultEntries)
        return faultOf("an archive smaller than its offset table");

    Reader in{body, fixedHeaderBytes - 4};
    uint32_t noteSize = 0;
    const uint8_t* p = nullptr;
    if (!in.u32(&noteSize) || noteSize > patchNoteLimit || !in.take(noteSize, &p))
        return faultOf("its note is cut short or longer than %zu bytes", patchNoteLimit);
    patch->note.assign(reinterpret_cast<const char*>(p), noteSize);
    if (patch->originalEntries > in.left() / 4) return cut("the entry fingerprints");
    patch->fingerprints.resize(patch->originalEntries);
    for (uint32_t& fingerprint : patch->fingerprints) (void)in.u32(&fingerprint);
    if (const Fault fault = decodeChanges(in, patch)) return fault;
    if (in.left() != 0) return faultOf("%zu bytes after the last change", in.left());
    return noFault();
}
