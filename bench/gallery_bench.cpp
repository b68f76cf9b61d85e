// gallery_bench.cpp: 'orvane gallery' of an archive of 132 entries at the tables' full room,
// beside 'orvane export --all' of the same archive in the same run (goal: the gallery within
// three times the export's time). Each is one run of the real program; the gallery replaces
// the one made before it, as a rerun would.
// Run: build/bench/gallery_bench (ORVANE_TOOL=/path/to/orvane to time another build)
#include <benchmark/benchmark.h>

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
    std::string dir, archive;
    Workspace()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "orvane-gallery-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        dir = pattern;
        archive = dir + "/body.ZRK";
        std::vector<std::vector<uint8_t>> bodies;
        for (int i = 0; i < entries; ++i) bodies.push_back(fullRoomBody(static_cast<uint32_t>(100 + i)));
        std::vector<uint8_t> bytes;
        if (buildArchive(bodies, EntryPacking::packedIfSmaller, &bytes)) std::abort();
        std::vector<uint8_t> palette(768);
        for (size_t i = 0; i < palette.size(); ++i) palette[i] = static_cast<uint8_t>(i / 3);
        if (writeFileBytes(archive, bytes) || writeFileBytes(dir + "/palette.dmp", palette)) std::abort();
    }
    ~Workspace() { std::filesystem::remove_all(dir); }
};

const Workspace& workspace()
{
    static const Workspace w;
    return w;
}

void run(benchmark::State& state, const std::string& arguments)
{
    const char* other = std::getenv("ORVANE_TOOL");
    const std::string command =
        std::string("'") + (other != nullptr ? other : ORVANE_TOOL_PATH) + "' " + arguments + " >/dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) state.SkipWithError(("failed: " + command).c_str());
    }
    state.counters["entry"] = benchmark::Counter(static_cast<double>(state.iterations()) * entries,
                                                 benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ExportAllGlb(benchmark::State& state)
{
    const Workspace& w = workspace();
    run(state, "export '" + w.archive + "' --all -o '" + w.dir + "/gltf'");
}

void BM_Gallery(benchmark::State& state)
{
    const Workspace& w = workspace();
    run(state, "gallery '" + w.archive + "' -o '" + w.dir + "/site'");
}

}  // namespace

BENCHMARK(BM_ExportAllGlb)->Unit(benchmark::kMillisecond)->MinTime(4.0)->UseRealTime();
BENCHMARK(BM_Gallery)->Unit(benchmark::kMillisecond)->MinTime(4.0)->UseRealTime();
BENCHMARK_MAIN();
