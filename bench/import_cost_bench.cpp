// import_cost_bench.cpp: each hostile model 'orvane import' is known to have met, built here and
// imported in a process of its own, held against the stated bound: an input of N bytes is
// imported or refused within 50 MB + 20 x N of memory (the child's peak resident size) and
// 0.2 s + 1 s per MB (its wall clock). A model past the bound is reported as an error.
// Run: build/bench/import_cost_bench (ORVANE_TOOL=path/to/orvane measures another build's tool)
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <nlohmann/json.hpp>

#include "demo/demo_data.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

struct Workspace {
    std::string dir;
    Workspace()
    {
        std::string pattern = (fs::temp_directory_path() / "orvane-import-cost-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr || writeDemoFiles(pattern)) std::abort();
        dir = pattern;
        // The exporter's own file of the first demo body: the extras attacks edit it.
        if (std::system(("'" ORVANE_TOOL_PATH "' export '" + dir + "/body.ZRK' 0 -o '" + dir + "/demo.gltf' >/dev/null")
                            .c_str()) != 0)
            std::abort();
    }
    ~Workspace() { fs::remove_all(dir); }
    std::string path(const std::string& name) const { return dir + "/" + name; }
    void write(const std::string& name, const std::string& text) const
    {
        std::ofstream(path(name), std::ios::binary) << text;
    }
    Json demo() const { return Json::parse(std::ifstream(path("demo.gltf"))); }
};

const Workspace& workspace()
{
    static const Workspace w;
    return w;
}

// 'orvane import MODEL' in a child process: its exit status, peak resident size (bytes) and wall
// time. The child is forked by a small process of its own (this program run with --measure):
// a child's peak counts the pages of whatever process it was forked from.
struct Cost {
    int status = -1;
    double bytes = 0, seconds = 0;
};

Cost measureHere(const char* model)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        if (std::freopen("/dev/null", "w", stderr) == nullptr) _exit(127);
        const char* tool = std::getenv("ORVANE_TOOL");  // another build's, to compare
        execl(tool != nullptr ? tool : ORVANE_TOOL_PATH, "orvane", "import", model, "-o", "/dev/null",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    Cost cost;
    if (child < 0 || wait4(child, &status, 0, &usage) != child) return cost;
    cost.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cost.bytes = static_cast<double>(usage.ru_maxrss) * 1024;
    cost.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return cost;
}

Cost importCost(const std::string& model)
{
    Cost cost;
    FILE* measurer = popen(("'/proc/" + std::to_string(getpid()) + "/exe' --measure '" + model + "'").c_str(), "r");
    if (measurer == nullptr) return cost;
    if (std::fscanf(measurer, "%d %lf %lf", &cost.status, &cost.bytes, &cost.seconds) != 3) cost.status = -1;
    pclose(measurer);
    return cost;
}

// Builds the attack's files, imports its model, and holds the cost against the bound.
void measure(benchmark::State& state, const std::function<std::string(const Workspace&)>& build)
{
    const Workspace& w = workspace();
    const std::string model = build(w);
    const double n = static_cast<double>(fs::file_size(model));
    Cost cost;
    for (auto _ : state) cost = importCost(model);
    const double memoryBound = 50e6 + 20 * n, timeBound = 0.2 + n / 1e6;
    state.counters["input_KB"] = n / 1e3;
    state.counters["status"] = cost.status;
    state.counters["peak_MB"] = cost.bytes / 1e6;
    state.counters["bound_MB"] = memoryBound / 1e6;
    state.counters["wall_s"] = cost.seconds;
    state.counters["bound_s"] = timeBound;
    if (cost.status > 1)
        state.SkipWithError("the import crashed");
    else if (cost.bytes > memoryBound || cost.seconds > timeBound)
        state.SkipWithError("past the bound");
}

std::string repeat(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

// 500 primitives of the exported mesh naming one 65,536-vertex accessor without a buffer view.
std::string sharedAccessor(const Workspace& w)
{
    Json j = w.demo();
    j["accessors"].push_back({{"componentType", 5126}, {"count", 65536}, {"type", "VEC3"}});
    Json& primitives = j["meshes"][0]["primitives"];
    for (int i = 0; i < 500; ++i) primitives.push_back({{"attributes", {{"POSITION", j["accessors"].size() - 1}}}});
    w.write("shared.gltf", j.dump());
    return w.path("shared.gltf");
}

// 1,024 buffers naming the 1 MB file itself, each of byteLength 0.
std::string selfBuffers(const Workspace& w)
{
    Json j = w.demo();
    for (int i = 0; i < 1023; ++i) j["buffers"].push_back({{"uri", "self.gltf"}, {"byteLength", 0}});
    std::string text = j.dump();
    text.resize(1 << 20, ' ');
    w.write("self.gltf", text);
    return w.path("self.gltf");
}

// 195 KB of 'mtllib self.obj self.obj ...' lines.
std::string selfLibraries(const Workspace& w)
{
    w.write("self.obj",
            "v 0 0 0\nv 0.1 0 0\nv 0 0.1 0\nf 1 2 3\n" + repeat("mtllib" + repeat(" self.obj", 30) + "\n", 650));
    return w.path("self.obj");
}

// 40 MB of OBJ words the importer has no use for.
std::string manyWords(const Workspace& w)
{
    w.write("words.obj", "v 0 0 0\nv 0.1 0 0\nv 0 0.1 0\nf 1 2 3\n" +
                             repeat("g a b c d e f g h i j k l m n o p q r s t u v w x y z\n", 740000));
    return w.path("words.obj");
}

// Nodes by the thousand naming one mesh of 65,536 bufferless vertices.
std::string manyNodes(const Workspace& w)
{
    Json j = {{"asset", {{"version", "2.0"}}},
              {"accessors", {{{"componentType", 5126}, {"count", 65536}, {"type", "VEC3"}}}},
              {"meshes", {{{"primitives", {{{"attributes", {{"POSITION", 0}}}}}}}}},
              {"nodes", Json::array()},
              {"scenes", {{{"nodes", Json::array()}}}}};
    for (int i = 0; i < 10000; ++i) {
        j["nodes"].push_back({{"mesh", 0}});
        j["scenes"][0]["nodes"].push_back(i);
    }
    w.write("nodes.gltf", j.dump());
    return w.path("nodes.gltf");
}

// A second skin of 5,000 joints with bufferless inverse-bind matrices, used by every node.
std::string inverseBinds(const Workspace& w)
{
    Json j = {
        {"asset", {{"version", "2.0"}}},
        {"buffers",
         {{{"uri", "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAAAAAM3MzD0AAAAAAAAAAAAAAADNzMw9AAAAAAAAAAA="},
           {"byteLength", 42}}}},
        {"bufferViews", {{{"buffer", 0}, {"byteLength", 36}}, {{"buffer", 0}, {"byteOffset", 36}, {"byteLength", 6}}}},
        {"accessors",
         {{{"bufferView", 0}, {"componentType", 5126}, {"count", 3}, {"type", "VEC3"}},
          {{"bufferView", 1}, {"componentType", 5123}, {"count", 3}, {"type", "SCALAR"}},
          {{"componentType", 5126}, {"count", 5000}, {"type", "MAT4"}}}},
        {"meshes", {{{"primitives", {{{"attributes", {{"POSITION", 0}}}, {"indices", 1}}}}}}},
        {"nodes", Json::array()},
        {"skins", Json::array({{{"joints", {0}}}, {{"joints", Json::array()}, {"inverseBindMatrices", 2}}})},
        {"scenes", {{{"nodes", Json::array()}}}}};
    for (int i = 0; i < 5000; ++i) j["skins"][1]["joints"].push_back(i);
    for (int i = 0; i < 5000; ++i) {
        j["nodes"].push_back({{"mesh", 0}, {"skin", 1}});
        j["scenes"][0]["nodes"].push_back(i);
    }
    w.write("binds.gltf", j.dump());
    return w.path("binds.gltf");
}

// A chain of 99,998 nodes, each the child of the one before.
std::string deepHierarchy(const Workspace& w)
{
    Json j = w.demo();
    Json& nodes = j["nodes"];
    const size_t first = nodes.size();
    nodes.back()["children"].push_back(first);
    for (size_t i = 0; i < 99998 - first; ++i)
        nodes.push_back(i + 1 < 99998 - first ? Json{{"children", {first + i + 1}}} : Json::object());
    w.write("deep.gltf", j.dump());
    return w.path("deep.gltf");
}

// A sparse 3 GB OBJ.
std::string hugeObj(const Workspace& w)
{
    w.write("huge.obj", "");
    fs::resize_file(w.path("huge.obj"), 3ull << 30);
    return w.path("huge.obj");
}

}  // namespace

BENCHMARK_CAPTURE(measure, shared_accessor, sharedAccessor)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(measure, self_buffers, selfBuffers)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(measure, self_libraries, selfLibraries)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(measure, obj_words, manyWords)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(measure, many_nodes, manyNodes)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(measure, inverse_binds, inverseBinds)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(measure, deep_hierarchy, deepHierarchy)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(measure, huge_obj, hugeObj)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--measure") {
        const Cost cost = measureHere(argv[2]);
        std::printf("%d %.0f %.6f\n", cost.status, cost.bytes, cost.seconds);
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
