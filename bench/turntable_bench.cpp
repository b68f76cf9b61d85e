// turntable_bench.cpp: a 36-frame 400 x 300 turntable of the heaviest demo body (the hexagonal
// island, entry 7) in one 'orvane render --turntable' run, as a GIF and as numbered PNGs,
// beside 36 separate 'orvane render' runs of the same frames. Each round times all three one
// after the other, so that the load of a shared machine falls on them alike; reports seconds
// and the speed-ups. Needs no display: build/bench/turntable_bench
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "demo/demo_data.h"

namespace {

constexpr int frames = 36;
constexpr int heaviestEntry = 7;
std::string folder;

double secondsToRun(const std::string& arguments)
{
    const std::string command = "cd '" + folder + "' && '" ORVANE_TOOL_PATH "' render body.ZRK " +
                                std::to_string(heaviestEntry) + " --size 400x300 " + arguments + " > /dev/null 2>&1";
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void turntableBesideSeparateRenders(benchmark::State& state)
{
    double gif = 0, pngs = 0, separate = 0;
    for (auto _ : state) {
        gif += secondsToRun("--turntable " + std::to_string(frames) + " -o spin.gif");
        pngs += secondsToRun("--turntable " + std::to_string(frames) + " -o spin.png");
        for (int k = 0; k < frames; ++k)
            separate += secondsToRun("--auto-angle " + std::to_string(k * 1024 / frames) + " -o single.png");
    }
    const double rounds = static_cast<double>(state.iterations());
    state.counters["gifSeconds"] = gif / rounds;
    state.counters["pngsSeconds"] = pngs / rounds;
    state.counters["separateSeconds"] = separate / rounds;
    state.counters["gifSpeedup"] = separate / gif;
    state.counters["pngsSpeedup"] = separate / pngs;
}

}  // namespace

BENCHMARK(turntableBesideSeparateRenders)->Iterations(3)->UseRealTime()->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "orvane-turntable-bench";
    std::filesystem::create_directories(path);
    folder = path.string();
    if (const Fault fault = writeDemoFiles(folder)) {
        std::fprintf(stderr, "%s\n", fault.reason);
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(path);
    return 0;
}
