// cmd_dump.cpp: the 'dump' subcommand: runs the body stage on one entry as the viewer's frame
// loop would and prints, per frame, one JSON object with what the pipeline computed.
//
// Output, one line per frame (the form is fixed, for comparison with other implementations):
// {"frame":1,"autoAngle":2,"points":[[x,y,z],...],"shades":[...],"render":[...]}
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "body/body_loading.h"
#include "support/little_endian.h"
#include "body/body.h"
#include "archive/archive_format.h"
#include "tool/archive_input.h"
#include "tool/commands.h"

const CommandSpec dumpCommand = {
    .name = "dump",
    .usage = "ARCHIVE INDEX [--frames N] [--auto-rotate]",
    .summary = "print the body pipeline's results per frame as JSON",
    .description = "Loads and prepares entry INDEX in a fresh pipeline state, runs the body stage N\n"
                   "times (default 1) as the viewer's frame loop would, and prints one JSON object\n"
                   "per frame on standard output: the body's transformed points, the shades written\n"
                   "and the render list.\n"
                   "A body-format error met in a frame prints the viewer's own message on standard\n"
                   "output, as the viewer does, and ends the dump with status 1.\n"
                   "\n"
                   "Exit status: 0 on success, 1 when the entry cannot be loaded or a body-format\n"
                   "error stops it, 2 on a usage error.\n",
    .options = {{"--frames", "N", "frames to run (default 1)"},
                {"--auto-rotate", nullptr, "advance the auto-rotation angle by 2 each frame"}},
    .operands = {"ARCHIVE", "INDEX"},
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

void appendPolygon(std::string& out, const uint8_t* record)
{
    const uint8_t drawType = record[0];
    const int vertices = record[1];
    out += "{\"kind\":\"polygon\",\"drawType\":";
    appendNumber(out, drawType);
    out += ",\"colour\":";
    appendNumber(out, readU16(record + 2));
    out += ",\"points\":[";
    for (int v = 0; v < vertices; ++v) {
        if (v > 0) out += ',';
        appendNumber(out, readU16(record + polygonHeaderBytes + polygonSlotBytes * v + 2));
    }
    out += ']';
    if (hasVertexColours(drawType)) {
        out += ",\"vertexColours\":[";
        for (int v = 0; v < vertices; ++v) {
            if (v > 0) out += ',';
            appendNumber(out, readU16(record + polygonHeaderBytes + polygonSlotBytes * v));
        }
        out += ']';
    }
    out += '}';
}

void appendFrame(std::string& out, long frame, int32_t autoAngle, int32_t pointCount)
{
    out += "{\"frame\":";
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
    for (int32_t i = 0; i < renderCount; ++i) {
        if (i > 0) out += ',';
        const uint8_t* record = renderList[i].record;
        switch (renderList[i].kind) {
        case renderKindPolygon: appendPolygon(out, record); break;
        case renderKindLine:
            out += "{\"kind\":\"line\",\"colour\":";
            appendNumber(out, record[1]);
            out += ",\"points\":[";
            appendNumber(out, readU16(record + 4));
            out += ',';
            appendNumber(out, readU16(record + 6));
            out += "]}";
            break;
        default:
            out += "{\"kind\":\"sphere\",\"colour\":";
            appendNumber(out, record[1]);
            out += ",\"radius\":";
            appendNumber(out, readI16(record + 4));
            out += ",\"centre\":";
            appendNumber(out, readU16(record + 6));
            out += '}';
            break;
        }
    }
    out += "]}\n";
}

}  // namespace

int runDump(int argc, char** argv)
{
    CommandLine line;
    if (const int status = parseCommandLine(dumpCommand, argc, argv, &line); status >= 0) return status;
    const char* path = line.operands[0].c_str();
    long index = 0;
    long frames = 1;
    if (!line.readNumber("INDEX", line.operands[1].c_str(), 0, reachableEntries - 1, &index)) return usageStatus;
    if (line.has("--frames") && !line.readNumber("--frames", line.value("--frames"), 0, INT32_MAX, &frames))
        return usageStatus;
    const bool autoRotation = line.has("--auto-rotate");
    ArchiveTable table;
    if (!readArchiveOrReport(dumpCommand, path, &table)) return 1;

    // A fresh process: the tables are still zero; the registers, identity and light get their
    // start-up values.
    initPipelineState();
    uint8_t* body = nullptr;
    if (const Fault fault = loadPreparedBody(path, static_cast<int16_t>(index), &body)) {
        reportEntryFault(dumpCommand, path, index, fault.reason);
        return 1;
    }
    const int32_t pointCount = readI16(body + bodyFrameDataOffset);

    int32_t autoAngle = 0;
    std::string json;
    // Stops early when the output cannot be written; the tool's main reports it.
    for (long frame = 1; frame <= frames && !std::ferror(stdout); ++frame) {
        if (autoRotation) autoAngle = static_cast<int32_t>(static_cast<uint32_t>(autoAngle) + 2u);
        angleY = autoAngle;
        runBodyStage(body);  // a fatal condition prints its message here and ends the process
        json.clear();
        appendFrame(json, frame, autoAngle, pointCount);
        std::fwrite(json.data(), 1, json.size(), stdout);
    }
    std::free(body);
    return 0;
}
