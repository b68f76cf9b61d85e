// export_bench.cpp: 'orvane export ARCHIVE --all' on an archive of 132 entries at the tables' full
// room, beside 'orvane dump' of the same entries in the same run (goal: export within twice
// dump's time). Each is one run of the real program over every entry (dump through --session,
// which loads each entry afresh), standard output to /dev/null.
// Run: build/bench/export_bench (ORVANE_TOOL=/path/to/orvane to time another build)
#include <filesystem>
#include <string>

#include "bench/full_room_workspace.h"

namespace {

struct Workspace : FullRoomArchive {
    std::string out, steps;  // steps: every entry once, for dump --session
    Workspace() : FullRoomArchive("orvane-export-bench"), out(dir + "/gltf")
    {
        for (int i = 0; i < fullRoomEntries; ++i) steps += (i > 0 ? "," : "") + std::to_string(i);
    }
};

const Workspace& workspace()
{
    static const Workspace w;
    return w;
}

// The bytes export left in `dir`, an entry.
double bytesPerEntry(const std::string& dir)
{
    std::uintmax_t total = 0;
    for (const auto& f : std::filesystem::directory_iterator(dir)) total += f.file_size();
    return static_cast<double>(total) / fullRoomEntries;
}

void BM_ExportAllGlb(benchmark::State& state)
{
    const Workspace& w = workspace();
    timeTool(state, "export '" + w.archive + "' --all -o '" + w.out + "'");
    countPerEntry(state);
    state.counters["file"] =
        benchmark::Counter(bytesPerEntry(w.out), benchmark::Counter::kDefaults, benchmark::Counter::kIs1024);
}

void BM_DumpEachEntry(benchmark::State& state)
{
    const Workspace& w = workspace();
    timeTool(state, "dump '" + w.archive + "' --session " + w.steps);
    countPerEntry(state);
}

}  // namespace

BENCHMARK(BM_DumpEachEntry)->Unit(benchmark::kMillisecond)->MinTime(4.0)->UseRealTime();
BENCHMARK(BM_ExportAllGlb)->Unit(benchmark::kMillisecond)->MinTime(4.0)->UseRealTime();
BENCHMARK_MAIN();
