// make_patch_seeds.cpp: writes the seed inputs of the patch reader and diff harnesses: patches
// between sample archives, and pairs of archives (a u16 length, the first, then the second).
// usage: make_patch_seeds DIR   (writes DIR/patch_reader and DIR/diff)
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/archive_writer.h"
#include "archive/patch_apply.h"
#include "testkit/sample_bodies.h"
#include "support/file_io.h"
#include "support/little_endian.h"

namespace {

using Bytes = std::vector<uint8_t>;

bool writeSeed(const std::filesystem::path& dir, const std::string& name, const Bytes& bytes)
{
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    return !writeFileBytes((dir / name).string(), bytes);
}

Bytes archiveOf(const std::vector<Bytes>& entries)
{
    Bytes bytes;
    if (buildArchive(entries, EntryPacking::packedIfSmaller, &bytes)) return {};
    return bytes;
}

Bytes patchOf(const Bytes& before, const Bytes& after, const char* note)
{
    PatchableArchive a, b;
    ArchivePatch patch;
    if (readPatchableArchive(before, &a) || readPatchableArchive(after, &b) || makePatch(a, b, note, &patch)) return {};
    return encodePatch(patch);
}

Bytes pairOf(const Bytes& first, const Bytes& second)
{
    Bytes out(2);
    writeU16(out.data(), static_cast<uint16_t>(first.size()));
    out.insert(out.end(), first.begin(), first.end());
    out.insert(out.end(), second.begin(), second.end());
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_patch_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path root(argv[1]);
    const Bytes body0 = sampleBody(0), body1 = sampleBody(1), body2 = sampleBody(2);
    Bytes moved = body1;
    moved[40] ^= 1;  // a point's coordinate, in the sample's point section
    const Bytes a = archiveOf({body0, body1, {1, 2, 3}});
    const Bytes b = archiveOf({body0, moved, {1, 2, 4}, body2});
    const Bytes c = archiveOf({body2});
    bool ok = !a.empty() && !b.empty() && !c.empty();

    const std::filesystem::path patches = root / "patch_reader";
    ok &= writeSeed(patches, "changed_and_added", patchOf(a, b, "moved a point"));
    ok &= writeSeed(patches, "removed", patchOf(b, c, ""));
    ok &= writeSeed(patches, "none", patchOf(a, a, "nothing"));

    // Archives bigger than a u16 length would cut; the sample bodies keep them small.
    const std::filesystem::path pairs = root / "diff";
    ok &= writeSeed(pairs, "changed", pairOf(a, b));
    ok &= writeSeed(pairs, "removed", pairOf(b, c));
    Bytes cut = b;
    cut.resize(cut.size() - 7);
    ok &= writeSeed(pairs, "cut_short", pairOf(a, cut));
    if (!ok) {
        std::fprintf(stderr, "make_patch_seeds: cannot write the seeds under %s\n", argv[1]);
        return 1;
    }
    return 0;
}
