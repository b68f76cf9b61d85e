// export_bench.cpp: 'orvane export ARCHIVE --all' on an archive of 132 entries at the tables' full
// room, beside 'orvane dump' of the same entries in the same run (goal: export within twice
// dump's time). Each is one run of the real program over every entry (dump through --session,
// which loads each entry afresh), standard output to /dev/null.
// Run: build/bench/export_bench (ORVANE_TOOL=/path/to/orvane to time another build)
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/archive_writer.h"
#include "testkit/full_room_body.h"
#include "support/file_io.h"

namespace {

constexpr int entries = 132;

struct Workspace {
    std::string dir, archive, out;
    Workspace()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "orvane-export-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        dir = pattern;
        archive = dir + "/body.ZRK";
        out = dir + "/gltf";
        std::vector<std::vector<uint8_t>> bodies;
        for (int i = 0; i < entries; ++i) bodies.push_back(fullRoomBody(static_cast<uint32_t>(100 + i)));
        std::vector<uint8_t> bytes;
        if (buildArchive(bodies, EntryPacking::packedIfSmaller, &bytes)) std::abort();
        std::vector<uint8_t> palette(768);
        for (size_t i = 0; i < palette.size(); ++i) palette[i] = static_cast<uint8_t>(i / 3);
        if (writeFileBytes(archive, bytes) || writeFileBytes(dir + "/palette.dmp", palette)) std::abort();
        for (int i = 0; i < entries; ++i) steps += (i > 0 ? "," : "") + std::to_string(i);
    }
    ~Workspace() { std::filesystem::remove_all(dir); }
    std::string steps;  // every entry once, for dump --session
};

const Workspace& workspace()
{
    static const Workspace w;
    return w;
}

// Runs the tool with `arguments`, standard output to /dev/null; its exit status. ORVANE_TOOL
// names another build's program to compare with.
int tool(const std::string& arguments)
{
    const char* other = std::getenv("ORVANE_TOOL");
    const std::string command =
        std::string("'") + (other != nullptr ? other : ORVANE_TOOL_PATH) + "' " + arguments + " >/dev/null";
    const int raw = std::system(command.c_str());
    return raw == 0 ? 0 : 1;
}

// Seconds an entry, of wall time: the work is done in the child process, so this process's CPU
// time says nothing (both benchmarks run on real time).
void perEntry(benchmark::State& state)
{
    state.counters["entry"] = benchmark::Counter(static_cast<double>(state.iterations()) * entries,
                                                 benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The bytes export left in `dir`, an entry.
double bytesPerEntry(const std::string& dir)
{
    std::uintmax_t total = 0;
    for (const auto& f : std::filesystem::directory_iterator(dir)) total += f.file_size();
    return static_cast<double>(total) / entries;
}

void BM_ExportAllGlb(benchmark::State& state)
{
    const Workspace& w = workspace();
    for (auto _ : state) {
        if (tool("export '" + w.archive + "' --all -o '" + w.out + "'") != 0) state.SkipWithError("export failed");
    }
    perEntry(state);
    state.counters["file"] =
        benchmark::Counter(bytesPerEntry(w.out), benchmark::Counter::kDefaults, benchmark::Counter::kIs1024);
}

void BM_DumpEachEntry(benchmark::State& state)
{
    const Workspace& w = workspace();
    for (auto _ : state) {
        if (tool("dump '" + w.archive + "' --session " + w.steps) != 0) state.SkipWithError("dump failed");
    }
    perEntry(state);
}

}  // namespace

BENCHMARK(BM_DumpEachEntry)->Unit(benchmark::kMillisecond)->MinTime(4.0)->UseRealTime();
BENCHMARK(BM_ExportAllGlb)->Unit(benchmark::kMillisecond)->MinTime(4.0)->UseRealTime();
BENCHMARK_MAIN();
