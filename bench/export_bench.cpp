// export_bench.cpp: 'orvane export ARCHIVE --all' on an archive of 132 entries at the tables' full
// room, beside 'orvane dump' of the same entries in the same run (goal: export within twice
// dump's time). Both run the commands' own code in this process, standard output to /dev/null.
// Run: build/bench/export_bench
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/archive_writer.h"
#include "body/full_room_body.h"
#include "tool/commands.h"

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
        write(archive, bytes);
        write(dir + "/palette.dmp", palette);
    }
    ~Workspace() { std::filesystem::remove_all(dir); }
    static void write(const std::string& path, const std::vector<uint8_t>& bytes)
    {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) std::abort();
    }
};

const Workspace& workspace()
{
    static const Workspace w;
    return w;
}

// Runs a subcommand with standard output sent to /dev/null.
int quietly(std::vector<std::string> words, int (*run)(int, char**))
{
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    std::fflush(stdout);
    const int saved = dup(1);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    const int status = run(static_cast<int>(argv.size()), argv.data());
    std::fflush(stdout);
    dup2(saved, 1);
    close(null);
    close(saved);
    return status;
}

void perEntry(benchmark::State& state)
{
    state.counters["entry"] = benchmark::Counter(static_cast<double>(state.iterations()) * entries,
                                                 benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ExportAllGlb(benchmark::State& state)
{
    const Workspace& w = workspace();
    for (auto _ : state) {
        if (quietly({"export", w.archive, "--all", "-o", w.out}, runExport) != 0) state.SkipWithError("export failed");
    }
    perEntry(state);
}

void BM_DumpEachEntry(benchmark::State& state)
{
    const Workspace& w = workspace();
    for (auto _ : state) {
        for (int i = 0; i < entries; ++i) {
            if (quietly({"dump", w.archive, std::to_string(i)}, runDump) != 0) state.SkipWithError("dump failed");
        }
    }
    perEntry(state);
}

}  // namespace

BENCHMARK(BM_DumpEachEntry)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ExportAllGlb)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_MAIN();
