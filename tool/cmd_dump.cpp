// cmd_dump.cpp: the 'dump' subcommand: runs the body stage on one entry as the viewer's frame
// loop would and prints, per frame, one JSON object with what the pipeline computed.
//
// Output, one line per frame (the form is fixed, for comparison with other implementations):
// {"frame":1,"autoAngle":2,"points":[[x,y,z],...],"shades":[...],"render":[...]}
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "archive/archive_format.h"
#include "body/body_loading.h"
#include "support/little_endian.h"
#include "body/render_records.h"
#include "tool/archive_input.h"
#include "tool/commands.h"

const CommandSyntax dumpCommand = {
    .name = "dump",
    .usage = "ARCHIVE (INDEX [--frames N] | --session STEPS) [--auto-rotate]",
    .summary = "print the body pipeline's results per frame as JSON",
    .description = "Loads and prepares entry INDEX in a fresh pipeline state, runs the body stage N\n"
                   "times (default 1) as the viewer's frame loop would, and prints one JSON object\n"
                   "per frame: the body's transformed points, the shades written and the render list.\n"
                   "\n"
                   "--session runs a whole viewing session in one pipeline state: STEPS is\n"
                   "INDEX[:FRAMES],... and each step loads its entry as Page Up or Page Down would\n"
                   "and runs FRAMES frames (default 1); tables, angle registers and the auto-rotation\n"
                   "angle carry over from step to step, as in the viewer. Frames are numbered across\n"
                   "the session and each line names its \"entry\". An entry that cannot be shown gets\n"
                   "its one line on standard error and its frames print nothing (the viewer shows an\n"
                   "empty scene); the session goes on and ends with status 1.\n"
                   "\n"
                   "A body-format error met in a frame prints the viewer's own message on standard\n"
                   "output, as the viewer does, and ends the dump with status 1.\n"
                   "\n"
                   "Exit status: 0 on success, 1 when an entry cannot be loaded or a body-format\n"
                   "error stops it, 2 on a usage error.\n",
    .options = {{"--frames", "N", "frames to run (default 1)"},
                {"--auto-rotate", nullptr, "advance the auto-rotation angle by 2 each frame"},
                {"--session", "STEPS", "a viewing session: INDEX[:FRAMES],... in one pipeline state"}},
    .operands = {"ARCHIVE", "[INDEX]"},
};

namespace {

void appendNumber(std::string& out, long value)
{
    char text[24];
    std::snprintf(text, sizeof text, "%ld", value);
    out += text;
}

// Draw types 7..253 come from stored render types 9 and up, the only ones with vertex colours.
bool hasVertexColours(uint8_t drawType) { return drawType >= 7 && drawType <= 253; }

void appendPolygon(std::string& out, ConvertedPolygon polygon)
{
    const uint8_t drawType = polygon.drawType();
    const int vertices = polygon.vertexCount();
    out += "{\"kind\":\"polygon\",\"drawType\":";
    appendNumber(out, drawType);
    out += ",\"colour\":";
    appendNumber(out, polygon.colour());
    out += ",\"points\":[";
    for (int v = 0; v < vertices; ++v) {
        if (v > 0) out += ',';
        appendNumber(out, polygon.point(v));
    }
    out += ']';
    if (hasVertexColours(drawType)) {
        out += ",\"vertexColours\":[";
        for (int v = 0; v < vertices; ++v) {
            if (v > 0) out += ',';
            appendNumber(out, polygon.vertexColour(v));
        }
        out += ']';
    }
    out += '}';
}

// One frame's line; `entry` is left out when negative.
void appendFrame(std::string& out, long entry, long frame, int32_t autoAngle, int32_t pointCount)
{
    out += '{';
    if (entry >= 0) {
        out += "\"entry\":";
        appendNumber(out, entry);
        out += ',';
    }
    out += "\"frame\":";
    appendNumber(out, frame);
    out += ",\"autoAngle\":";
    appendNumber(out, autoAngle);
    out += ",\"points\":[";
    for (int32_t i = 0; i < pointCount; ++i) {
        if (i > 0) out += ',';
        out += '[';
        appendNumber(out, transformedPoints[i].x);
        out += ',';
        appendNumber(out, transformedPoints[i].y);
        out += ',';
        appendNumber(out, transformedPoints[i].z);
        out += ']';
    }
    out += "],\"shades\":[";
    for (int32_t i = 0; i < shadeCount; ++i) {
        if (i > 0) out += ',';
        appendNumber(out, shadeTable[i]);
    }
    out += "],\"render\":[";
    const int32_t count = renderEntryCount();
    for (int32_t i = 0; i < count; ++i) {
        if (i > 0) out += ',';
        const uint8_t* record = renderList[i].record;
        switch (renderList[i].kind) {
        case renderKindPolygon:
            appendPolygon(out, {record});
            break;
        case renderKindLine: {
            const ConvertedLine line{record};
            out += "{\"kind\":\"line\",\"colour\":";
            appendNumber(out, line.paletteIndex());
            out += ",\"points\":[";
            appendNumber(out, line.first());
            out += ',';
            appendNumber(out, line.second());
            out += "]}";
            break;
        }
        default: {
            const ConvertedSphere sphere{record};
            out += "{\"kind\":\"sphere\",\"colour\":";
            appendNumber(out, sphere.paletteIndex());
            out += ",\"radius\":";
            appendNumber(out, sphere.radius());
            out += ",\"centre\":";
            appendNumber(out, sphere.centre());
            out += '}';
            break;
        }
        }
    }
    out += "]}\n";
}

// One step of a session: an entry shown for a number of frames.
struct SessionStep {
    long index = 0;
    long frames = 1;
};

// "0:3,5,2:4": entries with their frame counts (1 when left out), at most INT32_MAX frames in
// all, as --frames. False on anything else.
bool parseSteps(const char* text, std::vector<SessionStep>* steps)
{
    std::string all = text;
    std::size_t start = 0;
    long total = 0;
    for (;;) {
        const std::size_t comma = all.find(',', start);
        const std::string step = all.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::size_t colon = step.find(':');
        SessionStep parsed;
        if (!readWholeNumber(step.substr(0, colon).c_str(), 0, reachableEntries - 1, &parsed.index)) return false;
        if (colon != std::string::npos &&
            !readWholeNumber(step.substr(colon + 1).c_str(), 0, INT32_MAX, &parsed.frames))
            return false;
        total += parsed.frames;
        if (total > INT32_MAX) return false;
        steps->push_back(parsed);
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

// Runs the steps in one pipeline state, set up once as the viewer's start-up does: each step
// loads its entry as a Page Up or Page Down would, and every table, register and the auto-rotation
// angle carry over from step to step. `session` adds "entry" to each frame and goes on past an
// entry that cannot be shown (its frames print nothing, as the viewer draws an empty scene);
// otherwise such an entry ends the dump. Returns the exit status.
int dumpSteps(const char* path, const std::vector<SessionStep>& steps, bool autoRotation, bool session)
{
    initPipelineState();
    int32_t autoAngle = 0;
    long frame = 0;
    bool everyEntryShown = true;
    std::string line;
    for (const SessionStep& step : steps) {
        uint8_t* body = nullptr;
        if (const Fault fault = loadPreparedBody(path, static_cast<int16_t>(step.index), &body)) {
            reportEntryFault(dumpCommand, path, step.index, fault.reason);
            if (!session) return 1;
            everyEntryShown = false;
        }
        if (body == nullptr) {
            // Nothing to show: its frames only move the counters on, all at once.
            frame += step.frames;
            if (autoRotation)
                autoAngle =
                    static_cast<int32_t>(static_cast<uint32_t>(autoAngle) + 2u * static_cast<uint32_t>(step.frames));
            angleY = autoAngle;
            continue;
        }
        const int32_t pointCount = readI16(body + bodyFrameDataOffset);
        // Stops early when the output cannot be written; the tool's main reports it.
        for (long i = 0; i < step.frames && !std::ferror(stdout); ++i) {
            ++frame;
            if (autoRotation) autoAngle = static_cast<int32_t>(static_cast<uint32_t>(autoAngle) + 2u);
            angleY = autoAngle;
            runBodyStage(body);  // a fatal condition prints its message here and ends the process
            line.clear();
            appendFrame(line, session ? step.index : -1, frame, autoAngle, pointCount);
            std::fwrite(line.data(), 1, line.size(), stdout);
        }
        std::free(body);
    }
    return everyEntryShown ? 0 : 1;
}

}  // namespace

int runDump(int argc, char** argv)
{
    CommandLine line;
    if (const int status = parseCommandLine(dumpCommand, argc, argv, &line); status >= 0) return status;
    const char* path = line.operands[0].c_str();
    std::vector<SessionStep> steps;
    const bool session = line.has("--session");
    if (session) {
        if (line.operands.size() > 1) return line.usageError("--session takes no INDEX");
        if (line.has("--frames")) return line.usageError("--frames does not go with --session (give INDEX:FRAMES)");
        if (!parseSteps(line.value("--session"), &steps))
            return line.usageError(
                "--session takes steps INDEX[:FRAMES],... (INDEX 0 to %d, at most %d frames in all), not '%s'",
                reachableEntries - 1, INT32_MAX, line.value("--session"));
    } else {
        if (line.operands.size() < 2) return line.usageError("missing INDEX");
        SessionStep step;
        if (!line.readNumber("INDEX", line.operands[1].c_str(), 0, reachableEntries - 1, &step.index))
            return usageStatus;
        if (line.has("--frames") && !line.readNumber("--frames", line.value("--frames"), 0, INT32_MAX, &step.frames))
            return usageStatus;
        steps.push_back(step);
    }
    ArchiveTable table;
    if (!readArchiveOrReport(dumpCommand, path, &table)) return 1;
    return dumpSteps(path, steps, line.has("--auto-rotate"), session);
}
