// import_bench.cpp: 'orvane import' of the largest demo body's .glb beside 'orvane export' of the
// same body to .glb, in the same run; both run the tool as a user would (files in a scratch
// folder, a process each), and the import once more in memory alone (no files, no process).
// Run: build/bench/import_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "demo/demo_data.h"
#include "exchange/model_import.h"
#include "support/file_io.h"

namespace {

struct Workspace {
    std::string dir, archive, model;
    int entry = 0;
    std::vector<uint8_t> modelBytes, palette;
    Workspace()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "orvane-import-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        dir = pattern;
        if (writeDemoFiles(dir)) std::abort();
        archive = dir + "/body.ZRK";
        const std::vector<DemoBody> bodies = demoBodies();
        for (size_t i = 0; i < bodies.size(); ++i) {
            if (bodies[i].bytes.size() > bodies[static_cast<size_t>(entry)].bytes.size()) entry = static_cast<int>(i);
        }
        model = dir + "/largest.glb";
        if (run("export '" + archive + "' " + std::to_string(entry) + " -o '" + model + "'") != 0) std::abort();
        if (readFileBytes(model, &modelBytes) || readFileBytes(dir + "/palette.dmp", &palette)) std::abort();
        std::fprintf(stderr, "largest demo body: entry %d, %zu bytes; its .glb %zu bytes\n", entry,
                     bodies[static_cast<size_t>(entry)].bytes.size(), modelBytes.size());
    }
    ~Workspace() { std::filesystem::remove_all(dir); }
    static int run(const std::string& arguments)
    {
        const std::string command = std::string("'") + ORVANE_TOOL_PATH + "' " + arguments + " >/dev/null";
        return std::system(command.c_str());
    }
};

const Workspace& workspace()
{
    static const Workspace w;
    return w;
}

void BM_ExportLargestGlb(benchmark::State& state)
{
    const Workspace& w = workspace();
    for (auto _ : state) {
        if (Workspace::run("export '" + w.archive + "' " + std::to_string(w.entry) + " -o '" + w.dir + "/out.glb'") !=
            0)
            state.SkipWithError("export failed");
    }
}

void BM_ImportLargestGlb(benchmark::State& state)
{
    const Workspace& w = workspace();
    for (auto _ : state) {
        if (Workspace::run("import '" + w.model + "' -o '" + w.dir + "/out.bin'") != 0)
            state.SkipWithError("import failed");
    }
}

void BM_ImportLargestGlbInMemory(benchmark::State& state)
{
    const Workspace& w = workspace();
    MeshBodyOptions options;
    options.palette = reinterpret_cast<const uint8_t(*)[3]>(w.palette.data());
    for (auto _ : state) {
        ModelImport result;
        if (importModel(w.modelBytes, ModelFormat::glb, "", options, &result)) state.SkipWithError("import failed");
        benchmark::DoNotOptimize(result.body.data());
    }
}

}  // namespace

BENCHMARK(BM_ExportLargestGlb)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ImportLargestGlb)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ImportLargestGlbInMemory)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_MAIN();
