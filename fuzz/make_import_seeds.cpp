// make_import_seeds.cpp: writes seed inputs of the import fuzz harness: the demo bodies as
// 'orvane export' writes them (GLB, one as JSON, one as OBJ) and small models of each kind the
// importers read (the first byte picks the reader: 0 glTF, 1 OBJ).
// usage: make_import_seeds DIR
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "demo/demo_data.h"
#include "exchange/gltf_export.h"
#include "exchange/obj_export.h"
#include "support/file_io.h"

namespace {

bool writeSeed(const std::filesystem::path& dir, const std::string& name, uint8_t reader, const std::string& text)
{
    std::vector<uint8_t> bytes{reader};
    bytes.insert(bytes.end(), text.begin(), text.end());
    return !writeFileBytes((dir / name).string(), bytes);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_import_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = std::filesystem::path(argv[1]) / "import";
    std::filesystem::create_directories(dir);
    bool ok = true;
    const std::vector<uint8_t> paletteBytes = demoPalette();
    uint8_t palette[256][3] = {};
    for (size_t i = 0; i < paletteBytes.size() && i < 768; ++i) palette[i / 3][i % 3] = paletteBytes[i];
    const std::vector<DemoBody> bodies = demoBodies();
    for (size_t i = 0; i < bodies.size(); ++i) {
        PosedBody posed;
        if (poseBody(bodies[i].bytes.data(), bodies[i].bytes.size(), 0, &posed)) return 1;
        ExportOptions options;
        options.archiveName = "body.ZRK";
        options.entry = static_cast<int>(i);
        options.palette = palette;
        const std::vector<uint8_t> glb = writeGlb(posed, options);
        ok &= writeSeed(dir, "demo" + std::to_string(i) + ".glb", 0, std::string(glb.begin(), glb.end()));
        if (i == 3) {
            ok &= writeSeed(dir, "demo3.gltf", 0, writeGltf(posed, options));
            ok &= writeSeed(dir, "demo3.obj", 1, writeObj(posed, options, "demo3.mtl").obj);
        }
    }
    ok &= writeSeed(dir, "cube.obj", 1,
                    "v -0.1 -0.1 -0.1\nv 0.1 -0.1 -0.1\nv 0.1 0.1 -0.1\nv -0.1 0.1 -0.1\n"
                    "v -0.1 -0.1 0.1 1 0 0\nv 0.1 -0.1 0.1 0 1 0\nv 0.1 0.1 0.1 0 0 1\nv -0.1 0.1 0.1\n"
                    "f 1 4 3 2\nf 5/1 6/2/3 7//1 8\nf 1 2 6 5\nf -5 -6 -1 -2 -3\nl 1 7 3\n");
    // A skinned triangle per joint (root, a turn about x, a turn about z), with colours, as JSON
    // with its buffer in a data URI.
    ok &= writeSeed(dir, "rigged.gltf", 0, R"({"asset":{"version":"2.0"},
"buffers":[{"byteLength":204,"uri":"data:application/octet-stream;base64,AAAAAAAAAAAAAAAAzczMPQAAAAAAAAAAAAAAAM3MzD0AAAAAzczMPc3MzD3NzEw9mpkZPs3MzD0AAAAAzczMPZqZGT4AAAAAAAABAAIAAwAEAAUAAQAAAAEAAAABAAAAAAAAAAAAAAAAAAAA/wAAAP8AAAD/AAAA/wAAAP8AAAD/AAAAAACAPwAAAAAAAAAAAACAPwAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAAAAAAAAAAAAAAAIA/AACAPwAAgD8AAAAA"}],
"bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":72},{"buffer":0,"byteOffset":72,"byteLength":12},{"buffer":0,"byteOffset":84,"byteLength":24},
{"buffer":0,"byteOffset":108,"byteLength":24},{"buffer":0,"byteOffset":132,"byteLength":72}],
"accessors":[{"bufferView":0,"componentType":5126,"count":6,"type":"VEC3"},{"bufferView":1,"componentType":5123,"count":6,"type":"SCALAR"},
{"bufferView":2,"componentType":5121,"count":6,"type":"VEC4"},{"bufferView":3,"componentType":5121,"normalized":true,"count":6,"type":"VEC4"},
{"bufferView":4,"componentType":5126,"count":6,"type":"VEC3"}],
"materials":[{"pbrMetallicRoughness":{"baseColorFactor":[0.8,0.6,0.5,1]}},{"alphaMode":"BLEND"}],
"meshes":[{"primitives":[{"attributes":{"POSITION":0,"JOINTS_0":2,"WEIGHTS_0":3,"COLOR_0":4},"indices":1,"material":0},
{"attributes":{"POSITION":0,"JOINTS_0":2,"WEIGHTS_0":3},"mode":1,"material":1}]}],
"nodes":[{"children":[1]},{"translation":[0,0.1,0],"rotation":[0.7071068,0,0,0.7071068],"children":[2]},{"translation":[0.1,0,0],"rotation":[0,0,0.7071068,0.7071068]},{"mesh":0,"skin":0}],
"skins":[{"joints":[2,0,1]}],"scenes":[{"nodes":[0,3]}],"scene":0})");
    return ok ? 0 : 1;
}
