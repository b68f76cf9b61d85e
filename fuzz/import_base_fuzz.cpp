// import_base_fuzz.cpp: fuzz harness: a glTF (GLB or JSON) read as an edit of a base body, as
// 'import --base' and 'replace' read it. The first byte picks the base: below 128, a demo body
// (the byte modulo their count) and the rest is the model; from 128, a u16 length follows, then
// that many bytes of base, then the model. No file beside the model is ever opened. Every
// refusal and note must be one line; a refusal writes nothing; an accepted body must decode and,
// when the viewer's checks pass it as the import does, run its frames without a fatal stop.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "body/body.h"
#include "body/body_check.h"
#include "body/body_codec.h"
#include "demo/demo_data.h"
#include "exchange/edited_gltf_import.h"
#include "exchange/gltf_document.h"
#include "exchange/gltf_structure.h"
#include "support/little_endian.h"

namespace {

const uint8_t (*demoColours())[3]
{
    static uint8_t palette[256][3];
    static const bool filled = [] {
        const std::vector<uint8_t> bytes = demoPalette();
        for (size_t i = 0; i < bytes.size() && i < 768; ++i) palette[i / 3][i % 3] = bytes[i];
        return true;
    }();
    (void)filled;
    return palette;
}

bool oneLine(const char* text) { return std::strchr(text, '\n') == nullptr; }

// The import's own checks on the body as it will be loaded, then two frames as the viewer runs them.
void expectFramesRun(const std::vector<uint8_t>& body)
{
    if (checkBodyForPreparation(body.data(), body.size())) return;  // the import refuses it
    std::vector<uint8_t> prepared = body;
    prepareBody(prepared.data());
    const char* fatal = nullptr;
    if (checkBodyForFrames(prepared.data(), prepared.size(), &fatal) || fatal != nullptr) return;
    resetPipelineState();
    for (int frame = 1; frame <= 2; ++frame) {
        angleY = 2 * frame;
        if (runBodyStageCatchingFatal(prepared.data()) != nullptr) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::vector<DemoBody> demos = demoBodies();
    if (size < 1 || demos.empty()) return 0;
    std::vector<uint8_t> base;
    size_t at = 1;
    if (data[0] < 0x80) {
        base = demos[data[0] % demos.size()].bytes;
    } else {
        if (size < 3) return 0;
        const size_t length = std::min<size_t>(readU16(data + 1), size - 3);
        base.assign(data + 3, data + 3 + length);
        at = 3 + length;
    }
    const std::vector<uint8_t> model(data + at, data + size);

    GltfDocument doc;
    Fault fault = readGltf(model, "", &doc);
    if (!fault) fault = checkGltfStructure(doc);
    if (fault) {
        if (!oneLine(fault.reason)) std::abort();
        return 0;
    }
    // The tool reads a file against its base only when it matches; the reader must hold either way.
    (void)gltfMatchesBase(doc, base);
    MeshBodyOptions options;
    options.palette = demoColours();
    std::vector<uint8_t> body;
    std::vector<std::string> notes;
    fault = bodyFromEditedGltf(doc, base, options, &body, &notes);
    for (const std::string& note : notes) {
        if (!oneLine(note.c_str())) std::abort();
    }
    if (fault) {
        if (!oneLine(fault.reason) || !body.empty()) std::abort();
        return 0;
    }
    // Written through the codec, so it reads back to the very bytes.
    StoredBody stored;
    if (body.empty() || decodeBody(body.data(), body.size(), &stored) || encodeBody(stored) != body) std::abort();
    expectFramesRun(body);
    return 0;
}
