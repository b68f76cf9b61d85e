// make_archive_seeds.cpp: writes the seed inputs of the archive and LZ fuzz harnesses.
// usage: make_archive_seeds DIR   (writes DIR/archive_loader, DIR/lz_decompress, DIR/lz_round_trip)
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/little_endian.h"
#include "archive/archive_writer.h"
#include "archive/lz_pack.h"
#include "testkit/sample_bodies.h"
#include "support/file_io.h"

namespace {

using Bytes = std::vector<uint8_t>;

bool writeSeed(const std::filesystem::path& dir, const std::string& name, const std::vector<uint8_t>& bytes)
{
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    return !writeFileBytes((dir / name).string(), bytes);
}

// The unpacker harness's input: the output size, then the stream.
Bytes sizedStream(int32_t outSize, const Bytes& stream)
{
    Bytes out(4);
    writeU32(out.data(), static_cast<uint32_t>(outSize));
    out.insert(out.end(), stream.begin(), stream.end());
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_archive_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path root(argv[1]);
    const Bytes body0 = sampleBody(0), body1 = sampleBody(1), body2 = sampleBody(2);
    const Bytes ababa{0x03, 0x61, 0x62, 0x11, 0x00};
    bool ok = true;

    const std::filesystem::path archives = root / "archive_loader";
    Bytes archive;
    ok &= !buildArchive({body0, body1, Bytes(300, 0)}, EntryPacking::packedIfSmaller, &archive);
    ok &= writeSeed(archives, "packed", archive);
    ok &= !buildArchive({body2, {1, 2, 3}}, EntryPacking::stored, &archive);
    ok &= writeSeed(archives, "stored", archive);
    ok &= !buildArchive({{'a', 'b'}, {}}, EntryPacking::stored, &archive);
    ok &= writeSeed(archives, "two_entries", archive);
    Bytes handPacked(4 + 10);
    writeU32(&handPacked[0], 4);
    writeU32(&handPacked[4], 5);
    writeU32(&handPacked[8], static_cast<uint32_t>(ababa.size()));
    writeU16(&handPacked[12], 1);
    handPacked.insert(handPacked.end(), ababa.begin(), ababa.end());
    ok &= writeSeed(archives, "hand_packed", handPacked);

    const std::filesystem::path streams = root / "lz_decompress";
    ok &= writeSeed(streams, "ababa", sizedStream(5, ababa));
    ok &= writeSeed(streams, "run", sizedStream(18, {0x01, 0x42, 0x0F, 0x00}));
    ok &= writeSeed(streams, "body0", sizedStream(static_cast<int32_t>(body0.size()), lzPack(body0)));
    ok &= writeSeed(streams, "body1", sizedStream(static_cast<int32_t>(body1.size()), lzPack(body1)));

    const std::filesystem::path plain = root / "lz_round_trip";
    ok &= writeSeed(plain, "body0", body0);
    ok &= writeSeed(plain, "zeros", Bytes(2000, 0));
    const std::string text = "bone 1 bone 2 bone 3 sphere line polygon bone 1 bone 2";
    ok &= writeSeed(plain, "text", Bytes(text.begin(), text.end()));

    if (!ok) {
        std::fprintf(stderr, "make_archive_seeds: cannot write the seeds under %s\n", argv[1]);
        return 1;
    }
    return 0;
}
