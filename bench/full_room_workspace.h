// full_room_workspace.h: what the command benchmarks share: a scratch folder holding an archive
// of 132 entries at the tables' full room with a palette beside it, and a run of the real tool.
#pragma once

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/archive_writer.h"
#include "support/file_io.h"
#include "testkit/full_room_body.h"

inline constexpr int fullRoomEntries = 132;

// The bodies of the archive, made from the seeds 100 on.
inline std::vector<std::vector<uint8_t>> fullRoomBodies()
{
    std::vector<std::vector<uint8_t>> bodies;
    for (int i = 0; i < fullRoomEntries; ++i) bodies.push_back(fullRoomBody(static_cast<uint32_t>(100 + i)));
    return bodies;
}

// A fresh folder under the system's temporary one, removed with everything in it at the end.
struct ScratchFolder {
    std::string dir;
    explicit ScratchFolder(const char* name)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / (std::string(name) + "-XXXXXX")).string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        dir = pattern;
    }
    ~ScratchFolder() { std::filesystem::remove_all(dir); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
};

// DIR/body.ZRK of the full-room bodies, and DIR/palette.dmp, a grey ramp.
struct FullRoomArchive : ScratchFolder {
    std::string archive;
    explicit FullRoomArchive(const char* name) : ScratchFolder(name), archive(dir + "/body.ZRK")
    {
        std::vector<uint8_t> bytes;
        if (buildArchive(fullRoomBodies(), EntryPacking::packedIfSmaller, &bytes)) std::abort();
        std::vector<uint8_t> palette(768);
        for (size_t i = 0; i < palette.size(); ++i) palette[i] = static_cast<uint8_t>(i / 3);
        if (writeFileBytes(archive, bytes) || writeFileBytes(dir + "/palette.dmp", palette)) std::abort();
    }
};

// Runs the tool with `arguments`, standard output to /dev/null; whether it succeeded.
// ORVANE_TOOL names another build's program to compare with.
inline bool runTool(const std::string& arguments)
{
    const char* other = std::getenv("ORVANE_TOOL");
    const std::string command =
        std::string("'") + (other != nullptr ? other : ORVANE_TOOL_PATH) + "' " + arguments + " >/dev/null";
    return std::system(command.c_str()) == 0;
}

// CPU seconds (user and system) that the finished child processes have used so far.
inline double childCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the tool once an iteration; a failure ends the benchmark with the command line. The
// counter "cpu" is the tool's CPU time a run, every thread's: with the wall time it tells how
// much of the machine a run kept busy.
inline void timeTool(benchmark::State& state, const std::string& arguments)
{
    const double cpuBefore = childCpuSeconds();
    for (auto _ : state) {
        if (!runTool(arguments)) {
            state.SkipWithError(("failed: orvane " + arguments).c_str());
            break;
        }
    }
    state.counters["cpu"] =
        benchmark::Counter((childCpuSeconds() - cpuBefore) / static_cast<double>(state.iterations()));
}

// Wall time an entry: the work is done in the child process, so this process's CPU time says
// nothing (the benchmarks run on real time).
inline void countPerEntry(benchmark::State& state)
{
    state.counters["entry"] = benchmark::Counter(static_cast<double>(state.iterations()) * fullRoomEntries,
                                                 benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
