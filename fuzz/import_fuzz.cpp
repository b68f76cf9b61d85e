// import_fuzz.cpp: fuzz harness: arbitrary bytes as a model through the glTF (GLB or JSON) and
// OBJ importers. The first byte picks the reader; no file beside the model is ever opened.
// Every refusal must be one line; every accepted body must run its frames without a fatal stop.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "body/body.h"
#include "exchange/model_import.h"

namespace {

const uint8_t (*fuzzPalette())[3]
{
    static uint8_t palette[256][3];
    for (int i = 0; i < 256; ++i) {
        palette[i][0] = static_cast<uint8_t>(i);
        palette[i][1] = static_cast<uint8_t>(i * 7);
        palette[i][2] = static_cast<uint8_t>(255 - i);
    }
    return palette;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const ModelFormat format = (data[0] & 1) ? ModelFormat::obj : ModelFormat::glb;
    const std::vector<uint8_t> bytes(data + 1, data + size);
    MeshBodyOptions options;
    options.palette = fuzzPalette();
    ModelImport result;
    if (const Fault fault = importModel(bytes, format, "", options, &result)) {
        if (std::strchr(fault.reason, '\n') != nullptr) std::abort();
        if (!result.body.empty()) std::abort();
        return 0;
    }
    // The import checked the body as the viewer walks it: frames must run to the end.
    std::vector<uint8_t> body = result.body;
    prepareBody(body.data());
    resetPipelineState();
    for (int frame = 1; frame <= 2; ++frame) {
        angleY = 2 * frame;
        if (runBodyStageCatchingFatal(body.data()) != nullptr) std::abort();
    }
    return 0;
}
