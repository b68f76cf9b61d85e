// patch_bench.cpp: 'orvane patch create' between two archives of 132 entries at the tables' full
// room, 3 entries apart, beside 'orvane list' of both archives in the same run (goal: create
// within twice the two lists' time). Each is a run of the real program, standard output to
// /dev/null; the patch's size is a counter.
// Run: build/bench/patch_bench (ORVANE_TOOL=/path/to/orvane to time another build)
#include <filesystem>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "archive/stored_entries.h"
#include "bench/full_room_workspace.h"

namespace {

constexpr int changed[] = {5, 60, 120};

struct Workspace : ScratchFolder {
    std::string before, after, patch;
    double changedStoredBytes = 0;
    Workspace()
        : ScratchFolder("orvane-patch-bench"), before(dir + "/old.ZRK"), after(dir + "/new.ZRK"),
          patch(dir + "/mod.patch")
    {
        std::vector<uint8_t> oldBytes, newBytes;
        if (buildArchive(fullRoomBodies(), EntryPacking::packedIfSmaller, &oldBytes)) std::abort();
        // The new archive: the old one's stored entries, three of them made anew.
        StoredArchive stored;
        if (readStoredEntries(oldBytes, &stored)) std::abort();
        std::vector<std::span<const uint8_t>> spans;
        for (const StoredEntry& entry : stored.entries) spans.push_back(entry.bytes);
        std::vector<std::vector<uint8_t>> fresh(std::size(changed));
        for (size_t k = 0; k < std::size(changed); ++k) {
            if (storeEntry(fullRoomBody(static_cast<uint32_t>(1000 + k)), EntryPacking::packedIfSmaller, &fresh[k]))
                std::abort();
            spans[static_cast<size_t>(changed[k])] = fresh[k];
            changedStoredBytes += static_cast<double>(fresh[k].size());
        }
        if (assembleArchive(spans, &newBytes)) std::abort();
        if (writeFileBytes(before, oldBytes) || writeFileBytes(after, newBytes)) std::abort();
    }
};

const Workspace& workspace()
{
    static const Workspace w;
    return w;
}

void BM_ListBoth(benchmark::State& state)
{
    const Workspace& w = workspace();
    for (auto _ : state) {
        if (!runTool("list '" + w.before + "'") || !runTool("list '" + w.after + "'")) {
            state.SkipWithError("list failed");
            break;
        }
    }
}

void BM_PatchCreate(benchmark::State& state)
{
    const Workspace& w = workspace();
    timeTool(state, "patch create '" + w.before + "' '" + w.after + "' -o '" + w.patch + "'");
    const double size = static_cast<double>(std::filesystem::file_size(w.patch));
    state.counters["patch"] = benchmark::Counter(size, benchmark::Counter::kDefaults, benchmark::Counter::kIs1024);
    // What the patch costs beyond the changed entries' stored bytes (goal: at most 1 KiB).
    state.counters["overhead"] = benchmark::Counter(size - w.changedStoredBytes);
    state.counters["archive"] = benchmark::Counter(static_cast<double>(std::filesystem::file_size(w.before)),
                                                   benchmark::Counter::kDefaults, benchmark::Counter::kIs1024);
}

}  // namespace

BENCHMARK(BM_ListBoth)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();
BENCHMARK(BM_PatchCreate)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();
BENCHMARK_MAIN();
