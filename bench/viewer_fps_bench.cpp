// viewer_fps_bench.cpp: the viewer's frame rate in a real SDL window: the empty scene (clear
// and swap) beside every demo body, in one run, through the viewer's own frame stages.
// Needs an X display: xvfb-run -a -s "-screen 0 1024x768x24" build/bench/viewer_fps_bench
#include <benchmark/benchmark.h>

#include <GL/gl.h>
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "app/options.h"
#include "app/overlays.h"
#include "app/viewer_state.h"
#include "body/body.h"
#include "body/body_loading.h"
#include "demo/demo_data.h"
#include "render/draw_scene.h"
#include "render/gl_state.h"

namespace {

std::string demoArchivePath;

// The viewer's own frame (input, the body stage, the drawing and its swap) on `body` of `size`
// bytes, or on the empty scene when it is null.
void showFrame(uint8_t* body, uint32_t size = 0)
{
    currentBody = body;
    currentBodySize = size;
    runFrame();
    currentBody = nullptr;
    currentBodySize = 0;
}

void runFrames(benchmark::State& state, uint8_t* body)
{
    for (auto _ : state) showFrame(body);
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["entries"] = renderCount;
}

// The demo entry the benchmark's argument names, prepared; null (the run skipped) when it cannot be shown.
uint8_t* loadDemoBody(benchmark::State& state, uint32_t* size = nullptr)
{
    uint8_t* body = nullptr;
    if (const Fault fault =
            loadPreparedBody(demoArchivePath.c_str(), static_cast<int16_t>(state.range(0)), &body, size)) {
        state.SkipWithError(fault.reason);
    }
    ++bodyLoads;  // a new body for the overlays
    return body;
}

void emptyScene(benchmark::State& state) { runFrames(state, nullptr); }

void demoBody(benchmark::State& state)
{
    uint8_t* body = loadDemoBody(state);
    if (body == nullptr) return;
    runFrames(state, body);
    std::free(body);
}

// The body stage alone (no drawing), to tell the pipeline's share from the drawing's.
void bodyStageOnly(benchmark::State& state)
{
    uint8_t* body = loadDemoBody(state);
    if (body == nullptr) return;
    for (auto _ : state) {
        angleY = autoAngle;
        runBodyStage(body);
        benchmark::DoNotOptimize(renderCount);
    }
    std::free(body);
}

// drawScene alone with glFinish (no swap, so no copy to the window).
void drawOnly(benchmark::State& state)
{
    uint8_t* body = loadDemoBody(state);
    if (body == nullptr) return;
    runBodyStage(body);
    for (auto _ : state) {
        drawScene(View{viewZoom, viewAngleX, viewAngleY, wireframe != 0}, palette);
        glFinish();
    }
    std::free(body);
}

// Empty frames and body frames in alternating runs of ten, so that the load of a shared machine
// falls on both alike; reports both frame rates and their ratio.
void alternating(benchmark::State& state)
{
    uint8_t* body = loadDemoBody(state);
    if (body == nullptr) return;
    using Clock = std::chrono::steady_clock;
    Clock::duration emptyTime{}, bodyTime{};
    int64_t frames = 0;
    for (auto _ : state) {
        for (int pass = 0; pass < 2; ++pass) {
            const Clock::time_point start = Clock::now();
            for (int i = 0; i < 10; ++i) showFrame(pass == 1 ? body : nullptr);
            glFinish();
            (pass == 0 ? emptyTime : bodyTime) += Clock::now() - start;
        }
        frames += 10;
    }
    const double emptyFps = static_cast<double>(frames) / std::chrono::duration<double>(emptyTime).count();
    const double bodyFps = static_cast<double>(frames) / std::chrono::duration<double>(bodyTime).count();
    state.counters["emptyFps"] = emptyFps;
    state.counters["bodyFps"] = bodyFps;
    state.counters["ratio"] = bodyFps / emptyFps;
    std::free(body);
}

double medianSeconds(std::vector<double> runs)
{
    std::sort(runs.begin(), runs.end());
    return runs.empty() ? 0.0 : runs[runs.size() / 2];
}

// Frames on one body without and with the --info box, in alternating runs of ten as above:
// `frame(body, size)` draws one. Reports both frame rates, from the median run of each (a shared
// machine's hiccups land on a few runs, which the median ignores), and their ratio: the box
// costs 1 - ratio of the frame rate.
template <typename Frame>
void withAndWithoutInfo(benchmark::State& state, Frame frame)
{
    uint32_t size = 0;
    uint8_t* body = loadDemoBody(state, &size);
    if (body == nullptr) return;
    using Clock = std::chrono::steady_clock;
    std::vector<double> plainRuns, infoRuns;
    for (auto _ : state) {
        for (int pass = 0; pass < 2; ++pass) {
            viewerOptions.info = pass == 1;
            const Clock::time_point start = Clock::now();
            for (int i = 0; i < 10; ++i) frame(body, size);
            glFinish();
            (pass == 0 ? plainRuns : infoRuns).push_back(std::chrono::duration<double>(Clock::now() - start).count());
        }
    }
    viewerOptions.info = false;
    const double plainFps = 10.0 / medianSeconds(plainRuns);
    const double infoFps = 10.0 / medianSeconds(infoRuns);
    state.counters["plainFps"] = plainFps;
    state.counters["infoFps"] = infoFps;
    state.counters["ratio"] = infoFps / plainFps;
    std::free(body);
}

// The viewer's whole frame, swap included.
void infoOverlay(benchmark::State& state)
{
    withAndWithoutInfo(state, [](uint8_t* body, uint32_t size) { showFrame(body, size); });
}

// The drawing alone (the body stage run once, no swap): the box's share of the rasteriser's work.
void infoOverlayDrawOnly(benchmark::State& state)
{
    withAndWithoutInfo(state, [](uint8_t* body, uint32_t size) {
        currentBody = body;
        currentBodySize = size;
        static const uint8_t* staged = nullptr;
        if (staged != body) {
            runBodyStage(body);
            staged = body;
        }
        drawScene(View{viewZoom, viewAngleX, viewAngleY, wireframe != 0}, palette);
        drawViewerOverlays(SDL_GetTicks());
        glFinish();
        currentBody = nullptr;
        currentBodySize = 0;
    });
}

}  // namespace

// Entry 7, the island, is the heaviest demo body.
BENCHMARK(infoOverlay)->Arg(7)->UseRealTime()->MinTime(10.0);
BENCHMARK(infoOverlayDrawOnly)->Arg(7)->UseRealTime()->MinTime(10.0);
BENCHMARK(alternating)->DenseRange(0, 7)->UseRealTime()->MinTime(3.0);
BENCHMARK(bodyStageOnly)->Arg(0)->Arg(7);
BENCHMARK(drawOnly)->Arg(0)->Arg(7)->UseRealTime();
BENCHMARK(emptyScene)->UseRealTime()->MinTime(2.0);
BENCHMARK(demoBody)->DenseRange(0, 7)->UseRealTime()->MinTime(2.0);
BENCHMARK(emptyScene)->Name("emptySceneAgain")->UseRealTime()->MinTime(2.0);

int main(int argc, char** argv)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "orvane-fps-bench";
    std::filesystem::create_directories(folder);
    if (const Fault fault = writeDemoFiles(folder.string())) {
        std::fprintf(stderr, "%s\n", fault.reason);
        return 1;
    }
    demoArchivePath = (folder / "body.ZRK").string();
    const std::vector<uint8_t> colours = demoPalette();
    std::memcpy(palette, colours.data(), sizeof palette);

    if (SDL_Init(SDL_INIT_VIDEO) < 0 || SDL_SetVideoMode(windowWidth, windowHeight, 32, SDL_OPENGL) == nullptr) {
        std::fprintf(stderr, "no OpenGL window (is DISPLAY set?): %s\n", SDL_GetError());
        return 1;
    }
    initPipelineState();
    initGl(windowWidth, windowHeight);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(folder);
    SDL_Quit();
    return 0;
}
