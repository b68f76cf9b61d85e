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
#include "tool/command_line.h"
#include "tool/commands.h"

namespace {

void printDumpUsage(FILE* stream)
{
    std::fprintf(stream,
                 "usage: orvane dump ARCHIVE INDEX [--frames N] [--auto-rotate]\n"
                 "Loads and prepares entry INDEX in a fresh pipeline state, runs the body stage N\n"
                 "times (default 1) as the viewer's frame loop would, and prints one JSON object\n"
                 "per frame: the body's transformed points, the shades written and the render list.\n"
                 "A fatal body-format condition prints the viewer's message and exits with status 1.\n");
}

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
    if (isHelpRequest(argc, argv)) {
        printDumpUsage(stdout);
        return 0;
    }
    if (argc < 3) {
        printDumpUsage(stderr);
        return 2;
    }
    const char* path = argv[1];
    long index = 0;
    long frames = 1;
    bool autoRotation = false;
    if (!parseWholeNumber(argv[2], 0, INT16_MAX, &index)) {
        std::fprintf(stderr, "orvane dump: INDEX must be a number from 0 to %d\n", INT16_MAX);
        return 2;
    }
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--auto-rotate") == 0) {
            autoRotation = true;
        } else if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
            if (!parseWholeNumber(argv[++i], 0, INT32_MAX, &frames)) {
                std::fprintf(stderr, "orvane dump: --frames takes a number from 0 to %d\n", INT32_MAX);
                return 2;
            }
        } else {
            printDumpUsage(stderr);
            return 2;
        }
    }

    // A fresh process: the tables are still zero; the registers, identity and light get their
    // start-up values.
    initPipelineState();
    uint8_t* body = nullptr;
    if (const Fault fault = loadPreparedBody(path, static_cast<int16_t>(index), &body)) {
        std::fprintf(stderr, "%s: entry %ld: %s\n", path, index, fault.reason);
        return 1;
    }
    const int32_t pointCount = readI16(body + bodyFrameDataOffset);

    int32_t autoAngle = 0;
    std::string line;
    for (long frame = 1; frame <= frames; ++frame) {
        if (autoRotation) autoAngle = static_cast<int32_t>(static_cast<uint32_t>(autoAngle) + 2u);
        angleY = autoAngle;
        runBodyStage(body);  // a fatal condition prints its message here and ends the process
        line.clear();
        appendFrame(line, frame, autoAngle, pointCount);
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    std::free(body);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
