// gallery_bench.cpp: 'orvane gallery' of an archive of 132 entries at the tables' full room,
// beside 'orvane export --all' of the same archive in the same run (goal: the gallery within
// three times the export's time). Each is one run of the real program; the gallery replaces
// the one made before it, as a rerun would. Two floors beside them: drawing the same pictures
// alone (a contact sheet of thumbnail-sized tiles), and the OBJ the gallery also writes.
// Run: build/bench/gallery_bench (ORVANE_TOOL=/path/to/orvane to time another build)
#include <string>

#include "bench/full_room_workspace.h"

namespace {

// Runs `arguments`, where ARCHIVE stands for the archive and OUT for a path in the workspace.
void BM_Command(benchmark::State& state, std::string arguments)
{
    static const FullRoomArchive w("orvane-gallery-bench");
    for (const auto& [name, path] : {std::pair{"ARCHIVE", w.archive}, std::pair{"OUT", w.dir}}) {
        const size_t at = arguments.find(name);
        arguments.replace(at, std::string(name).size(), "'" + path + "'");
    }
    timeTool(state, arguments);
    countPerEntry(state);
}

const std::pair<const char*, const char*> commands[] = {
    {"ExportAllGlb", "export ARCHIVE --all -o OUT/gltf"},
    {"ExportAllObj", "export ARCHIVE --all --format obj -o OUT/obj"},
    {"ThumbnailsOnly", "render ARCHIVE --sheet --size 320x240 -o OUT/sheet.png"},
    {"Gallery", "gallery ARCHIVE -o OUT/site"},
};

}  // namespace

int main(int argc, char** argv)
{
    for (const auto& [name, arguments] : commands) {
        benchmark::RegisterBenchmark(name, BM_Command, std::string(arguments))
            ->Unit(benchmark::kMillisecond)
            ->MinTime(4.0)
            ->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
