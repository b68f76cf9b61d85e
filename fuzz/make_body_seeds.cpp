// make_body_seeds.cpp: writes well-formed bodies (and a few that meet each fatal condition) as
// seed inputs of the body fuzz harness.
// usage: make_body_seeds DIR
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "body/body_builder.h"
#include "testkit/sample_bodies.h"
#include "support/file_io.h"

namespace {

bool writeSeed(const std::filesystem::path& dir, const std::string& name, const std::vector<uint8_t>& bytes)
{
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    return !writeFileBytes((dir / name).string(), bytes);
}

// A small body using every record kind and render type family.
BodyBuilder everyKind()
{
    BodyBuilder b;
    for (int i = 0; i < 6; ++i) b.addPoint(static_cast<int16_t>(i * 10), static_cast<int16_t>(i * 7), -3);
    b.addBone(0, 3, 0, -1);
    b.addNormal(0, 0, 100, 400);
    b.addBone(3, 2, 2, 0, 40, 300);
    b.addNormal(0, 100, 0, 300);
    b.addNormal(1000, -2000, 3000, 0);
    b.addBone(5, 1, 4, 1, 0, 0, 2);
    b.addVertexShadedPolygon(9, 32, {{0, 0}, {1, 1}, {2, 2}});
    b.addShadedPolygon(8, 48, 1, {3, 4, 5});
    b.addPolygon(5, 12, {0, 2, 4});
    b.addPolygon(0, 12, {1, 3, 5, 0});
    b.addLine(40, 0, 5);
    b.addSphere(9, -4, 3);
    return b;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_body_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = std::filesystem::path(argv[1]) / "body";
    std::filesystem::create_directories(dir);
    bool ok = true;
    for (uint32_t seed = 1; seed <= 6; ++seed) ok &= writeSeed(dir, "sample" + std::to_string(seed), sampleBody(seed));

    BodyBuilder b = everyKind();
    ok &= writeSeed(dir, "every_kind", b.build());
    b.flags = 0;
    b.bones[1].parent = 0;
    b.bones[2].parent = 36;
    ok &= writeSeed(dir, "unconverted_parents", b.build());

    b = everyKind();
    b.bones[1].type = 1;
    ok &= writeSeed(dir, "fatal_bone_type", b.build());
    b = everyKind();
    b.bones[1].angleZ = 1;
    ok &= writeSeed(dir, "fatal_angle_z", b.build());
    b = everyKind();
    b.bones[1].firstPoint = 4;
    ok &= writeSeed(dir, "fatal_first_point", b.build());
    b = everyKind();
    b.addRawLine(0, 6, 13);
    ok &= writeSeed(dir, "fatal_line_end", b.build());
    return ok ? 0 : 1;
}
