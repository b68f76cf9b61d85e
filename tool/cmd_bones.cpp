// cmd_bones.cpp: the 'bones' subcommand: an entry's skeleton as an indented tree, one bone a
// line, with where the frame puts each bone's origin.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "body/body_loading.h"
#include "body/bone_tree.h"
#include "body/pose.h"
#include "tool/archive_input.h"
#include "tool/commands.h"

const CommandSyntax bonesCommand = {
    .name = "bones",
    .usage = "ARCHIVE INDEX [--auto-angle N]",
    .summary = "print an entry's skeleton as a tree, with each bone's origin in the frame",
    .description = "Prints the skeleton of entry INDEX as a tree, each bone under its parent, one bone a line:\n"
                   "its index, type (root, rotation, skipped, unsupported), parent, angles x y z (1024 a turn),\n"
                   "first point and point count, base point (point indices), normals, and its origin in the\n"
                   "frame in model units, posed as 'orvane render' poses it at auto-rotation angle N (default 0).\n"
                   "Bones not processed in a frame show no origin. An entry the viewer refuses gives one line.\n"
                   "\n"
                   "Exit status: 0 on success, 1 when the entry cannot be shown, 2 on a usage error.\n",
    .options = {{"--auto-angle", "N", "auto-rotation angle, 1024 units a turn (default 0)"}},
    .operands = {"ARCHIVE", "INDEX"},
};

namespace {

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
    CommandLine line;
    if (const int status = parseCommandLine(bonesCommand, argc, argv, &line); status >= 0) return status;
    const char* archive = line.operands[0].c_str();
    long index = 0, autoAngle = 0;
    if (!line.readNumber("INDEX", line.operands[1].c_str(), 0, reachableEntries - 1, &index)) return usageStatus;
    if (line.has("--auto-angle") &&
        !line.readNumber("--auto-angle", line.value("--auto-angle"), INT32_MIN, INT32_MAX, &autoAngle))
        return usageStatus;
    ArchiveTable table;
    if (!readArchiveOrReport(bonesCommand, archive, &table)) return 1;

    uint8_t* loaded = nullptr;
    uint32_t size = 0;
    Fault fault = loadPreparedBody(archive, static_cast<int16_t>(index), &loaded, &size, FatalBodies::refuse);
    const std::unique_ptr<uint8_t, decltype(&std::free)> body(loaded, &std::free);
    BoneTree tree;
    if (!fault) fault = readBoneTree(body.get(), size, &tree);
    if (!fault) fault = posePreparedBody(body.get(), static_cast<int32_t>(autoAngle));
    if (fault) {
        reportEntryFault(bonesCommand, archive, index, fault.reason);
        return 1;
    }
    placeBoneOrigins(&tree);

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
        std::printf("%-*s  %-11s %6s %7d %6d %6d %6d %6d %6s %7d ", treeWidth, name.c_str(),
                    typeName(static_cast<size_t>(i), b), parentText(b).c_str(), b.angleX, b.angleY, b.angleZ,
                    b.firstPoint, b.pointCount, base.c_str(), b.normalCount);
        if (b.processed) {
            std::printf("%8d %6d %6d\n", b.origin.x, b.origin.y, b.origin.z);
        } else {
            std::printf("%8s %6s %6s\n", "-", "-", "-");
        }
    }
    return 0;
}
