// lz_unpack_bench.cpp: unpacking speed of the archive's LZ scheme beside memcpy and zlib's inflate
// on the same body-like bytes, in one run, with the ratios printed at the end.
#include <benchmark/benchmark.h>
#include <zlib.h>  // Required for: the reference inflater

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/lz_decompress.h"
#include "archive/lz_pack.h"
#include "testkit/sample_bodies.h"

namespace {

using Bytes = std::vector<uint8_t>;

// One set of entries, each held plain, LZ-packed and deflated at level 9.
struct Corpus {
    std::vector<Bytes> plain, packed, deflated;
    std::size_t totalBytes = 0;
    std::size_t packedBytes = 0, deflatedBytes = 0;
};

Bytes deflateBytes(const Bytes& plain)
{
    uLongf size = compressBound(static_cast<uLong>(plain.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, plain.data(), static_cast<uLong>(plain.size()), 9) != Z_OK)
        throw std::runtime_error("compress2 failed");
    out.resize(size);
    return out;
}

Corpus makeCorpus(const std::vector<Bytes>& entries)
{
    Corpus c;
    c.plain = entries;
    for (const Bytes& e : entries) {
        c.packed.push_back(lzPack(e));
        c.deflated.push_back(deflateBytes(e));
        c.totalBytes += e.size();
        c.packedBytes += c.packed.back().size();
        c.deflatedBytes += c.deflated.back().size();
    }
    return c;
}

// The demo-like set: 132 bodies of a few KB, each its own entry, as the viewer steps through.
const Corpus& demoCorpus()
{
    static const Corpus corpus = [] {
        std::vector<Bytes> entries;
        for (uint32_t seed = 0; seed < 132; ++seed) entries.push_back(sampleBody(seed));
        return makeCorpus(entries);
    }();
    return corpus;
}

// One large body-like buffer (about 1.6 MB), a single entry.
const Corpus& largeCorpus()
{
    static const Corpus corpus = makeCorpus({sampleBodies(1000, 400)});
    return corpus;
}

void unpackLz(benchmark::State& state, const Corpus& c)
{
    Bytes out(c.totalBytes);
    for (std::size_t i = 0; i < c.plain.size(); ++i) {  // check once, outside the timing
        if (!lzDecompress(static_cast<int32_t>(c.plain[i].size()), out.data(), c.packed[i].data(),
                          c.packed[i].size()) ||
            std::memcmp(out.data(), c.plain[i].data(), c.plain[i].size()) != 0) {
            state.SkipWithError("LZ round trip failed");
            return;
        }
    }
    for (auto _ : state) {
        uint8_t* to = out.data();
        for (std::size_t i = 0; i < c.plain.size(); ++i) {
            lzDecompress(static_cast<int32_t>(c.plain[i].size()), to, c.packed[i].data(), c.packed[i].size());
            to += c.plain[i].size();
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(c.totalBytes));
    state.counters["ratio"] = static_cast<double>(c.packedBytes) / static_cast<double>(c.totalBytes);
}

void copyMemcpy(benchmark::State& state, const Corpus& c)
{
    Bytes out(c.totalBytes);
    for (auto _ : state) {
        uint8_t* to = out.data();
        for (const Bytes& e : c.plain) {
            std::memcpy(to, e.data(), e.size());
            to += e.size();
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(c.totalBytes));
}

void unpackInflate(benchmark::State& state, const Corpus& c)
{
    Bytes out(c.totalBytes);
    z_stream z{};
    if (inflateInit(&z) != Z_OK) {
        state.SkipWithError("inflateInit failed");
        return;
    }
    bool ok = true;
    for (auto _ : state) {
        uint8_t* to = out.data();
        for (std::size_t i = 0; i < c.plain.size(); ++i) {
            inflateReset(&z);
            z.next_in = const_cast<Bytef*>(c.deflated[i].data());
            z.avail_in = static_cast<uInt>(c.deflated[i].size());
            z.next_out = to;
            z.avail_out = static_cast<uInt>(c.plain[i].size());
            ok &= inflate(&z, Z_FINISH) == Z_STREAM_END;
            to += c.plain[i].size();
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    inflateEnd(&z);
    if (!ok || std::memcmp(out.data(), c.plain[0].data(), c.plain[0].size()) != 0)
        state.SkipWithError("inflate failed");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(c.totalBytes));
    state.counters["ratio"] = static_cast<double>(c.deflatedBytes) / static_cast<double>(c.totalBytes);
}

BENCHMARK_CAPTURE(unpackLz, demo, demoCorpus());
BENCHMARK_CAPTURE(copyMemcpy, demo, demoCorpus());
BENCHMARK_CAPTURE(unpackInflate, demo, demoCorpus());
BENCHMARK_CAPTURE(unpackLz, large, largeCorpus());
BENCHMARK_CAPTURE(copyMemcpy, large, largeCorpus());
BENCHMARK_CAPTURE(unpackInflate, large, largeCorpus());

// The console report, then LZ's speed as a multiple of inflate's and a fraction of memcpy's.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto rate = run.counters.find("bytes_per_second");
            if (run.run_type == Run::RT_Iteration && !run.error_occurred && rate != run.counters.end())
                speeds[run.benchmark_name()] = rate->second.value;
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const char* set : {"demo", "large"}) {
            const double lz = speeds[std::string("unpackLz/") + set];
            const double copy = speeds[std::string("copyMemcpy/") + set];
            const double zlib = speeds[std::string("unpackInflate/") + set];
            if (lz <= 0 || copy <= 0 || zlib <= 0) continue;
            std::printf(
                "%-5s  LZ %.0f MB/s   inflate %.0f MB/s   memcpy %.0f MB/s   LZ/inflate %.2fx   LZ/memcpy %.3f\n", set,
                lz / 1e6, zlib / 1e6, copy / 1e6, lz / zlib, lz / copy);
        }
    }

private:
    std::map<std::string, double> speeds;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
