// patch_reader_fuzz.cpp: fuzz harness: any bytes as a patch, as they are and with a checksum
// that fits them (so the fields behind it are reached). A patch that is read must write back to
// the same bytes, and checking and applying it to a small archive must stay in bounds.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "archive/archive_writer.h"
#include "archive/patch_apply.h"
#include "archive/sha256.h"

namespace {

const PatchableArchive& smallArchive()
{
    static std::vector<uint8_t> bytes;
    static PatchableArchive archive;
    if (bytes.empty()) {
        if (buildArchive({{1, 2, 3}, std::vector<uint8_t>(64, 5), {}}, EntryPacking::packedIfSmaller, &bytes))
            std::abort();
        if (readPatchableArchive(bytes, &archive)) std::abort();
    }
    return archive;
}

void readPatch(const std::vector<uint8_t>& bytes)
{
    ArchivePatch patch;
    if (decodePatch(bytes, &patch)) return;
    if (encodePatch(patch) != bytes) std::abort();
    const PatchableArchive& archive = smallArchive();
    (void)madeFor(patch, archive, sha256(archive.bytes));
    (void)firstDifferingEntry(patch, archive);
    if (checkTouchedEntries(patch, archive)) return;
    (void)firstConflict(patch, patch);
    std::vector<uint8_t> result;
    if (applyPatches({&patch}, archive, &result)) std::abort();  // a patch that checks out applies
    PatchableArchive rebuilt;
    if (readPatchableArchive(result, &rebuilt) || rebuilt.entries.size() != patch.resultEntries) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> bytes(data, data + size);
    readPatch(bytes);
    const Sha256Digest checksum = sha256(bytes);
    bytes.insert(bytes.end(), checksum.begin(), checksum.end());
    readPatch(bytes);
    return 0;
}
