// hidden_inputs_test.cpp: files a command finds by itself are inputs too, batches are written
// whole or not at all, every input has a cap, and what goes into an archive is a body.
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "archive/archive_format.h"
#include "demo_folder.h"
#include "image/png_file.h"
#include "support/little_endian.h"

namespace {

namespace fs = std::filesystem;

const std::string triangleObj = "v 0 0 0\nv 0.1 0 0\nv 0 0.1 0\nf 1 2 3\n";

struct Refusal {
    std::string arguments;
    int status;
    std::string said;       // how standard error starts
    const char* unchanged;  // a file that must stay as it was, or null
};

class HiddenInputs : public DemoFolder {
protected:
    // Each command ends with its status and line, leaves `unchanged` as it was and writes no z.*.
    void expectRefusals(const std::vector<Refusal>& cases)
    {
        for (const Refusal& c : cases) {
            const Bytes before = c.unchanged != nullptr ? folder.read(c.unchanged) : Bytes();
            // Each takes milliseconds; ten seconds of CPU stand for "never ends".
            const CommandRun run = tool(std::string("--version >/dev/null && ulimit -t 10 && exec '") +
                                        ORVANE_TOOL_PATH + "' " + c.arguments);
            EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.out;
            EXPECT_EQ(run.err.rfind(c.said, 0), 0u) << c.arguments << "\n" << run.err;
            EXPECT_FALSE(fs::exists(folder.file("z.ZRK")) || fs::exists(folder.file("z.bin")) ||
                         fs::exists(folder.file("z.glb")))
                << c.arguments;
            if (c.unchanged != nullptr) {
                EXPECT_EQ(folder.read(c.unchanged), before) << c.arguments;
            }
        }
    }

    void write(const std::string& name, const std::string& text)
    {
        ASSERT_TRUE(folder.write(name, Bytes(text.begin(), text.end())));
    }

    void SetUp() override
    {
        DemoFolder::SetUp();
        ASSERT_TRUE(folder.write("m.obj", Bytes(triangleObj.begin(), triangleObj.end())));
        ASSERT_TRUE(folder.write("notes.txt", Bytes{'h', 'i', '\n'}));
    }

    // A file of `size` bytes that takes no room (a hole).
    void sparse(const std::string& name, uintmax_t size)
    {
        ASSERT_TRUE(folder.write(name, Bytes()));
        fs::resize_file(folder.file(name), size);
    }
};

TEST_F(HiddenInputs, EachRefusalHasItsStatusAndLineAndWritesNothing)
{
    sparse("big.bin", 3ull << 30);
    sparse("big.obj", 3ull << 30);
    sparse("big.ZRK", 300ull << 20);
    sparse("big.dmp", 2ull << 20);
    ASSERT_TRUE(folder.write("e0.bin", demoBodies()[0].bytes));
    ASSERT_TRUE(folder.write("fatal.bin", fatalBody()));
    const std::vector<Refusal> cases = {
        // A palette found beside the model is an input.
        {"pack palette.dmp m.obj", 2, "orvane pack: palette.dmp is also the input ./palette.dmp; nothing written",
         "palette.dmp"},
        {"import m.obj -o palette.dmp", 2,
         "orvane import: palette.dmp is also the input ./palette.dmp; nothing written", "palette.dmp"},
        // Caps, checked before a byte is read; the standard input once it passes the cap.
        {"pack z.ZRK - < /dev/zero", 1, "orvane pack: -: cannot read it: larger than 16 MiB, the most a body may be",
         nullptr},
        {"pack z.ZRK big.bin", 1, "orvane pack: big.bin: cannot read it: larger than 16 MiB, the most a body may be",
         nullptr},
        {"import big.obj -o z.bin", 1,
         "orvane import: big.obj: cannot read it: larger than 64 MiB, the most a model may be", nullptr},
        {"replace big.ZRK 0 e0.bin", 1,
         "orvane replace: cannot read big.ZRK: larger than 256 MiB, the most an archive may be", nullptr},
        {"export body.ZRK 0 -o z.glb --palette big.dmp", 1,
         "orvane export: big.dmp: larger than 1 MiB, the most a palette may be", nullptr},
        // What goes into an archive is a body the viewer shows, unless --raw.
        {"replace body.ZRK 3 notes.txt", 1, "orvane replace: notes.txt: not a body the viewer can show: ", "body.ZRK"},
        {"replace body.ZRK 3 palette.dmp", 1,
         "orvane replace: palette.dmp: not a body the viewer can show: ", "body.ZRK"},
        {"replace body.ZRK 3 fatal.bin", 1,
         "orvane replace: fatal.bin: not a body the viewer can show: its first frame stops the viewer", "body.ZRK"},
        {"pack z.ZRK e0.bin notes.txt", 1, "orvane pack: notes.txt: not a body the viewer can show: ", nullptr},
        {"pack z.ZRK - -", 2, "orvane pack: the standard input ('-') can be read only once", nullptr},
        // --session skips the frames of an entry it cannot show without running them.
        {"dump body.ZRK --session 999:2147483647", 1, "orvane dump: body.ZRK: entry 999: ", nullptr},
    };
    expectRefusals(cases);
    // --raw keeps the byte copy.
    EXPECT_EQ(tool("replace --raw body.ZRK 3 notes.txt").status, 0);
    EXPECT_EQ(tool("pack --raw z.ZRK e0.bin notes.txt").status, 0);
}

TEST_F(HiddenInputs, FilesAModelNamesAreInputsAndStayInItsFolder)
{
    const std::string triangle =
        std::string("\0\0\0\0\0\0\0\0\0\0\0\0\xcd\xcc\xcc\x3d\0\0\0\0\0\0\0\0\0\0\0\0\xcd\xcc\xcc\x3d\0\0\0\0", 36) +
        std::string("\0\0\1\0\2\0\0\0", 8);
    const auto gltf = [](const std::string& buffers) {
        return R"({"asset":{"version":"2.0"},"buffers":[)" + buffers +
               R"(],"bufferViews":[{"buffer":0,"byteLength":36},{"buffer":0,"byteOffset":36,"byteLength":6}],
               "accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3"},{"bufferView":1,"componentType":5123,"count":3,"type":"SCALAR"}],
               "meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1}]}],"nodes":[{"mesh":0}],"scenes":[{"nodes":[0]}]})";
    };
    write("fig.bin", triangle);
    write("fig.gltf", gltf(R"({"uri":"fig.bin","byteLength":44})"));
    fs::create_directory(folder.file("sub"));
    fs::create_symlink("../fig.bin", folder.file("sub/data.bin"));
    write("sub/out.gltf", gltf(R"({"uri":"data.bin","byteLength":44})"));
    write("n.mtl", "newmtl red\nKd 1 0 0\n");
    write("n.obj", "mtllib n.mtl\nusemtl red\n" + triangleObj);
    write("x y#1.mtl", "newmtl red\nKd 1 0 0\n");
    write("spaced.obj", "mtllib x y#1.mtl\nusemtl red\n" + triangleObj);
    write("dotted.obj", "mtllib ./n.mtl\nusemtl red\n" + triangleObj);
    std::string self = triangleObj;
    for (int i = 0; i < 3000; ++i)
        self += "mtllib self.obj self.obj self.obj self.obj self.obj self.obj self.obj self.obj\n";
    write("self.obj", self);
    write("e.gltf", R"({"asset":{"version":"2.0"},"scenes":[{"nodes":[],"extras":{"orvane":{"format":7}}}]})");
    // Pictures a model names are inputs too, whether or not they decode.
    write("t.png", "not a picture");
    Bytes png;
    ASSERT_FALSE(encodePng(RgbImage{1, 1, {200, 10, 10}}, &png));
    ASSERT_TRUE(folder.write("u.png", png));
    write("t.mtl", "newmtl m\nmap_Kd t.png\n");
    write("t.obj", "mtllib t.mtl\nusemtl m\n" + triangleObj);
    std::string textured = gltf(R"({"uri":"fig.bin","byteLength":44})");
    textured.replace(textured.rfind('}'), 1,
                     R"(,"materials":[{"pbrMetallicRoughness":{"baseColorTexture":{"index":0}}}],
                     "textures":[{"source":0}],"images":[{"uri":"u.png"}]})");
    textured.replace(textured.find(R"("indices":1)"), 11, R"("indices":1,"material":0)");
    write("t.gltf", textured);
    expectRefusals({
        {"import fig.gltf -o fig.bin", 2, "orvane import: fig.bin is also the input ", "fig.bin"},
        {"import n.obj -o n.mtl", 2, "orvane import: n.mtl is also the input ", "n.mtl"},
        {"pack fig.bin fig.gltf", 2, "orvane pack: fig.bin is also the input ", "fig.bin"},
        {"import sub/out.gltf -o z.bin", 1,
         "orvane import: sub/out.gltf: buffer 0: data.bin: a link that leads out of the model's folder", nullptr},
        {"import e.gltf -o z.bin", 1,
         "orvane import: e.gltf: Orvane extras ignored (format is not 1, 2 or 3): imported as a foreign model\norvane "
         "import: e.gltf: ",
         nullptr},
        {"import t.obj -o t.png", 2,
         "orvane import: t.obj: texture 't.png' dropped: neither a PNG nor a JPEG picture\norvane import: t.png is "
         "also the input ",
         "t.png"},
        {"import t.gltf -o u.png", 2,
         "orvane import: t.gltf: texture 0 ('u.png', 1 x 1) baked into face colours: each face takes the palette "
         "colour nearest its mean\norvane import: u.png is also the input ",
         "u.png"},
        // The rest of the line is the library's name, ./ included; each library is read once.
        {"import spaced.obj -o ok1.bin", 0, "", nullptr},
        {"import dotted.obj -o ok2.bin", 0, "", nullptr},
        {"import self.obj -o ok3.bin", 0, "", nullptr},
    });
    EXPECT_EQ(tool("import n.obj -o ok4.bin").status, 0);
    EXPECT_EQ(folder.read("ok1.bin"), folder.read("ok4.bin")) << "the library's red, not white";
    EXPECT_EQ(folder.read("ok2.bin"), folder.read("ok4.bin"));
}

TEST_F(HiddenInputs, ASessionCountsTheFramesOfAnEntryItCannotShow)
{
    const CommandRun run = tool("dump body.ZRK --auto-rotate --session 999:2147483646,0");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.rfind("{\"entry\":0,\"frame\":2147483647,\"autoAngle\":-2,", 0), 0u) << run.out.substr(0, 80);
}

TEST_F(HiddenInputs, ExportAllChecksEveryTargetBeforeTheFirstWrite)
{
    fs::create_directory(folder.file("d"));
    fs::copy_file(folder.file("body.ZRK"), folder.file("d/3.glb"));
    fs::copy_file(folder.file("palette.dmp"), folder.file("d/palette.dmp"));
    const CommandRun run = tool("export d/3.glb --all -o d");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.rfind("orvane export: d/3.glb is also the input d/3.glb; nothing written\n", 0), 0u) << run.err;
    EXPECT_FALSE(fs::exists(folder.file("d/0.glb")));

    // 32768 entries sharing one stored entry of 9,000 bytes: 140 KB standing for 281 MB of bodies.
    Bytes archive(4 * 32768 + entryHeaderBytes + 9000);
    for (uint32_t i = 0; i < 32768; ++i) writeU32(&archive[4 * i], 4 * 32768);
    writeU32(&archive[4 * 32768], 9000);
    writeU32(&archive[4 * 32768 + 4], 9000);
    ASSERT_TRUE(folder.write("shared.ZRK", archive));
    const CommandRun shared = tool("export shared.ZRK --all -o out");
    EXPECT_EQ(shared.status, 1);
    EXPECT_EQ(
        shared.err,
        "orvane export: shared.ZRK: its entries unpack to 281 MiB in all, more than the 256 MiB --all writes without "
        "--force; nothing written\n");
    EXPECT_FALSE(fs::exists(folder.file("out")));
}

TEST_F(HiddenInputs, ATurntableIsWrittenWholeOrNotAtAll)
{
    ASSERT_TRUE(folder.write("t-00.png", Bytes{'o', 'l', 'd'}));
    fs::create_directory(folder.file("t-05.png"));
    const CommandRun run = tool("render body.ZRK 0 --turntable 12 --size 40x30 -o t.png");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("t-05.png"), std::string::npos) << run.err;
    EXPECT_EQ(folder.read("t-00.png"), (Bytes{'o', 'l', 'd'}));
    EXPECT_FALSE(fs::exists(folder.file("t-01.png")));
}

}  // namespace
