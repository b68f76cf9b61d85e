// cmd_bones.cpp: the 'bones' subcommand: an entry's skeleton as an indented tree, one bone a
// line, with where the frame puts each bone's origin.
#include <cstdio>
#include <cstring>
#include <string>

#include "body/body.h"
#include "render/posed_entry.h"
#include "tool/command_line.h"
#include "tool/commands.h"


namespace {

const char* const usage =
    "usage: orvane bones ARCHIVE INDEX [--auto-angle N]\n"
    "\n"
    "Prints the skeleton of entry INDEX as a tree, each bone under its parent, one bone a line:\n"
    "its index, type (root, rotation, skipped, unsupported), parent, angles x y z (1024 a turn),\n"
    "first point and point count, base point (point indices), normals, and its origin in the\n"
    "frame in model units, posed as 'orvane render' poses it at auto-rotation angle N (default 0).\n"
    "Bones not processed in a frame show no origin. An entry the viewer refuses gives one line.\n";

const char* typeName(size_t index, const BoneNode& b)
{
    if (index == 0) return "root";
    if (b.type == boneTypeRotation) return "rotation";
    if (b.type == boneTypeUnsupported) return "unsupported";
    return "skipped";
}

std::string parentText(const BoneNode& b)
{
    if (b.parentField == -1) return "-";
    if (b.parentField >= 0 && b.parentField % matrixBytes == 0) return std::to_string(b.parentField / matrixBytes);
    return "@" + std::to_string(b.parentField);  // a raw matrix offset that names no slot
}

}  // namespace

int runBones(int argc, char** argv)
{
    if (isHelpRequest(argc, argv)) {
        std::fputs(usage, stdout);
        return 0;
    }
    const char* archive = nullptr;
    long index = -1, autoAngle = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--auto-angle") == 0) {
            if (i + 1 >= argc || !parseWholeNumber(argv[++i], -2147483647L - 1, 2147483647L, &autoAngle)) {
                std::fprintf(stderr, "orvane bones: --auto-angle takes a whole number\n%s", usage);
                return 2;
            }
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            std::fprintf(stderr, "orvane bones: unknown option %s\n%s", argv[i], usage);
            return 2;
        } else if (archive == nullptr) {
            archive = argv[i];
        } else if (index < 0) {
            if (!parseWholeNumber(argv[i], 0, 32767, &index)) {
                std::fprintf(stderr, "orvane bones: bad INDEX %s (0..32767)\n%s", argv[i], usage);
                return 2;
            }
        } else {
            std::fprintf(stderr, "orvane bones: too many arguments\n%s", usage);
            return 2;
        }
    }
    if (archive == nullptr || index < 0) {
        std::fprintf(stderr, "orvane bones: give one ARCHIVE and one INDEX\n%s", usage);
        return 2;
    }

    PosedEntry entry;
    Fault fault = entry.load(archive, static_cast<int>(index));
    if (!fault) fault = entry.pose(static_cast<int32_t>(autoAngle));
    if (fault) {
        std::fprintf(stderr, "%s: entry %ld: %s\n", archive, index, fault.reason);
        return 1;
    }

    const BoneTree& tree = entry.bones();
    int treeWidth = 4;
    for (int32_t i : tree.order) {
        const int width = 2 * tree.bones[static_cast<size_t>(i)].depth + static_cast<int>(std::to_string(i).size());
        if (width > treeWidth) treeWidth = width;
    }
    std::printf("%s entry %ld: %zu bone%s, origins at auto-angle %ld\n", archive, index, tree.bones.size(),
                tree.bones.size() == 1 ? "" : "s", autoAngle);
    std::printf("%-*s  %-11s %6s %7s %6s %6s %6s %6s %6s %7s %8s %6s %6s\n", treeWidth, "bone", "type", "parent",
                "angle x", "y", "z", "first", "count", "base", "normals", "origin x", "y", "z");
    for (int32_t i : tree.order) {
        const BoneNode& b = tree.bones[static_cast<size_t>(i)];
        const std::string name = std::string(static_cast<size_t>(2 * b.depth), ' ') + std::to_string(i);
        const std::string base = b.basePoint < 0 ? "-" : std::to_string(b.basePoint);
        std::printf("%-*s  %-11s %6s %7d %6d %6d %6d %6d %6s %7d ", treeWidth, name.c_str(), typeName(static_cast<size_t>(i), b),
                    parentText(b).c_str(), b.angleX, b.angleY, b.angleZ, b.firstPoint, b.pointCount, base.c_str(),
                    b.normalCount);
        if (b.processed) {
            std::printf("%8d %6d %6d\n", b.origin.x, b.origin.y, b.origin.z);
        } else {
            std::printf("%8s %6s %6s\n", "-", "-", "-");
        }
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
