// viewer_fps_bench.cpp: the viewer's frame rate in a real SDL window: the empty scene (clear
// and swap) beside every demo body, in one run, through the viewer's own frame stages.
// Needs an X display: xvfb-run -a -s "-screen 0 1024x768x24" build/bench/viewer_fps_bench
#include <benchmark/benchmark.h>

#include <GL/gl.h>
#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "app/viewer_state.h"
#include "body/body.h"
#include "body/body_loading.h"
#include "demo/demo_data.h"
#include "render/draw_scene.h"
#include "render/gl_state.h"

namespace {

std::string demoArchivePath;

// The viewer's own frame (input, the body stage, drawFrame with its swap) on `body`, or on the
// empty scene when it is null.
void showFrame(uint8_t* body)
{
    currentBody = body;
    runFrame();
    currentBody = nullptr;
}

void runFrames(benchmark::State& state, uint8_t* body)
{
    for (auto _ : state) showFrame(body);
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["entries"] = renderCount;
}

// The demo entry the benchmark's argument names, prepared; null (the run skipped) when it cannot be shown.
uint8_t* loadDemoBody(benchmark::State& state)
{
    uint8_t* body = nullptr;
    if (const Fault fault = loadPreparedBody(demoArchivePath.c_str(), static_cast<int16_t>(state.range(0)), &body)) {
        state.SkipWithError(fault.reason);
    }
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

}  // namespace

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
