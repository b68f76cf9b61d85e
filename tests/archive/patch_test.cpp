// patch_test.cpp: SHA-256 against the standard's vectors; patches between random archives apply
// back byte for byte; a patch cut short or altered anywhere is refused; entries read in memory
// get the loader's verdicts.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "archive/patch_apply.h"
#include "archive/sha256.h"
#include "testkit/sample_bodies.h"
#include "support/little_endian.h"
#include "tests/archive/archive_test_support.h"

namespace {

ByteSpan textBytes(const std::string& text)
{
    return ByteSpan(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

PatchableArchive patchable(const Bytes& bytes)
{
    PatchableArchive archive;
    const Fault fault = readPatchableArchive(bytes, &archive);
    EXPECT_FALSE(fault) << fault.reason;
    return archive;
}

Bytes patchOf(const Bytes& before, const Bytes& after, const std::string& note = "")
{
    ArchivePatch patch;
    const Fault fault = makePatch(patchable(before), patchable(after), note, &patch);
    EXPECT_FALSE(fault) << fault.reason;
    return encodePatch(patch);
}

Bytes applied(const Bytes& patchBytes, const Bytes& original)
{
    ArchivePatch patch;
    Fault fault = decodePatch(patchBytes, &patch);
    EXPECT_FALSE(fault) << fault.reason;
    Bytes result;
    fault = applyPatches({&patch}, patchable(original), &result);
    EXPECT_FALSE(fault) << fault.reason;
    return result;
}

// A random archive pair: entries of random bytes and sample bodies, some packed; the second
// keeps, replaces, repacks, adds or drops entries of the first.
std::pair<std::vector<Bytes>, std::vector<Bytes>> randomPair(std::mt19937& rng)
{
    auto entry = [&rng] {
        if (rng() % 2 == 0) return sampleBody(rng() % 1000);
        Bytes bytes(rng() % 300);
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng() % 7);
        return bytes;
    };
    std::vector<Bytes> a(1 + rng() % 12);
    for (Bytes& e : a) e = entry();
    std::vector<Bytes> b = a;
    for (Bytes& e : b)
        if (rng() % 4 == 0) e = entry();
    const int ends = static_cast<int>(rng() % 3);
    if (ends == 1) b.resize(1 + rng() % b.size());
    if (ends == 2)
        for (unsigned n = 1 + rng() % 4; n > 0; --n) b.push_back(entry());
    return {a, b};
}

}  // namespace

TEST(Sha256, GivesTheStandardVectors)
{
    const struct {
        std::string message;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqr"
         "stu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const bool portable : {false, true}) {
        sha256PortableOnly(portable);
        for (const auto& c : cases) {
            EXPECT_EQ(hexOf(sha256(textBytes(c.message))), c.digest)
                << c.message.size() << (portable ? " portable" : "");
            // The same message in pieces of 1 to 92 bytes, across the blocks' edges.
            for (size_t piece = 1; piece < 97 && piece < c.message.size(); piece += 13) {
                Sha256 hash;
                for (size_t at = 0; at < c.message.size(); at += piece)
                    hash.add(textBytes(c.message.substr(at, std::min(piece, c.message.size() - at))));
                EXPECT_EQ(hexOf(hash.finish()), c.digest) << piece;
                if (c.message.size() > 1000) break;
            }
        }
    }
    sha256PortableOnly(false);
}

TEST(ArchivePatch, ApplyingWhatWasMadeGivesTheNewArchiveByteForByte)
{
    std::mt19937 rng(20261207);
    for (int round = 0; round < 60; ++round) {
        const auto [a, b] = randomPair(rng);
        const Bytes before = archiveOf(a, rng() % 2 ? EntryPacking::stored : EntryPacking::packedIfSmaller);
        const Bytes after = archiveOf(b, rng() % 2 ? EntryPacking::stored : EntryPacking::packedIfSmaller);
        const Bytes patch = patchOf(before, after, "round " + std::to_string(round));
        EXPECT_EQ(applied(patch, before), after) << "round " << round;

        // Only what differs is carried: the entries' stored bytes, a fingerprint per entry, and
        // a fixed part (header, note, per-change fields, checksum).
        const PatchableArchive pa = patchable(before), pb = patchable(after);
        size_t carried = 0;
        for (size_t i = 0; i < pb.entries.size(); ++i)
            if (i >= pa.entries.size() ||
                !std::equal(pa.entries[i].begin(), pa.entries[i].end(), pb.entries[i].begin(), pb.entries[i].end()))
                carried += pb.entries[i].size();
        EXPECT_LE(patch.size(), carried + 4 * pa.entries.size() + 200 + 41 * (pa.entries.size() + pb.entries.size()))
            << round;
    }
}

TEST(ArchivePatch, RefusesAPatchCutShortOrAlteredAnywhere)
{
    const Bytes before = archiveOf({sampleBody(1), {1, 2, 3}, sampleBody(2)});
    const Bytes after = archiveOf({sampleBody(1), {1, 2, 4}, sampleBody(2), {9}});
    const Bytes patch = patchOf(before, after, "a note");
    ArchivePatch decoded;
    ASSERT_FALSE(decodePatch(patch, &decoded));
    EXPECT_EQ(decoded.note, "a note");
    ASSERT_EQ(decoded.changes.size(), 2u);
    EXPECT_EQ(decoded.changes[1].kind, PatchChangeKind::added);

    for (size_t size = 0; size < patch.size(); ++size)
        EXPECT_TRUE(decodePatch(ByteSpan(patch).first(size), &decoded)) << "cut to " << size;
    for (size_t bit = 0; bit < 8 * patch.size(); ++bit) {
        Bytes flipped = patch;
        flipped[bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
        EXPECT_TRUE(decodePatch(flipped, &decoded)) << "bit " << bit;
    }
}

TEST(ArchivePatch, RefusesFieldsThatDoNotAddUpEvenUnderAGoodChecksum)
{
    const Bytes before = archiveOf({{1}, {2}, {3}});
    const Bytes after = archiveOf({{1}, {5}});
    ArchivePatch patch;
    ASSERT_FALSE(makePatch(patchable(before), patchable(after), "", &patch));
    ASSERT_EQ(patch.changes.size(), 2u);  // entry 1 replaced, entry 2 removed
    const struct {
        const char* what;
        void (*spoil)(ArchivePatch&);
        const char* fault;
    } cases[] = {
        {"a removal missing", [](ArchivePatch& p) { p.changes.pop_back(); }, "do not match the entry counts"},
        {"out of order", [](ArchivePatch& p) { std::swap(p.changes[0], p.changes[1]); }, "out of order"},
        {"a kind past the end", [](ArchivePatch& p) { p.changes[0].kind = PatchChangeKind::added; },
         "does not fit entry"},
        {"a header that lies", [](ArchivePatch& p) { writeU32(p.changes[0].stored.data(), 99); }, "does not give its"},
        {"no entries", [](ArchivePatch& p) { p.resultEntries = 0; }, "no entries"},
    };
    for (const auto& c : cases) {
        ArchivePatch spoilt = patch;
        c.spoil(spoilt);
        const Fault fault = decodePatch(encodePatch(spoilt), &spoilt);
        EXPECT_NE(std::string(fault.reason).find(c.fault), std::string::npos) << c.what << ": " << fault.reason;
    }
    // A later format is named as such only when its checksum holds; otherwise it is damage.
    Bytes later = encodePatch(patch);
    writeU16(&later[8], 2);
    EXPECT_NE(std::string(decodePatch(later, &patch).reason).find("damaged, or in a patch format other than 1"),
              std::string::npos);
    const Sha256Digest checksum = sha256(ByteSpan(later).first(later.size() - 32));
    std::copy(checksum.begin(), checksum.end(), later.end() - 32);
    EXPECT_STREQ(decodePatch(later, &patch).reason, "patch format 2; this orvane reads format 1");
}

TEST(StoredEntries, UnpackWithTheLoadersVerdicts)
{
    const Bytes good = archiveOf({sampleBody(3), Bytes(40, 7), {}}, EntryPacking::packedIfSmaller);
    Bytes badMode = good, lyingSize = good, cutShort(good.begin(), good.end() - 1);
    writeU16(&badMode[readU32(&badMode[4]) + 8], 2);
    writeU32(&lyingSize[readU32(&lyingSize[0])], 0x7FFFFFFF);  // packed, claims too much
    for (const Bytes& archive : {good, badMode, lyingSize, cutShort}) {
        StoredArchive stored;
        ASSERT_FALSE(readStoredEntries(archive, &stored));
        for (size_t i = 0; i < stored.entries.size(); ++i) {
            const Loaded loaded = loadEntry(archive, static_cast<int16_t>(i));
            Bytes unpacked;
            const Fault fault = stored.entries[i].whole() ? unpackStoredEntry(stored.entries[i].bytes, &unpacked)
                                                          : faultOf("%s", archiveTruncated);
            EXPECT_EQ(std::string(fault.reason), loaded.fault) << i;
            EXPECT_EQ(unpacked, loaded.bytes) << i;
        }
    }
}
