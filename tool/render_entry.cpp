// render_entry.cpp: draws one archive entry offscreen through the viewer's own drawing code.
#include "tool/render_entry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/body_loading.h"
#include "app/viewer_state.h"
#include "body/body.h"
#include "render/draw_frame.h"
#include "render/gl_state.h"

namespace {

// A fatal body condition unwinds to drawEntry instead of ending the process.
struct BodyFatalError {
    const char* message;
};

[[noreturn]] void throwBodyFatal(const char* message) { throw BodyFatalError{message}; }

void clearPipelineTables()
{
    std::memset(matrixTable, 0, sizeof matrixTable);
    std::memset(transformedPoints, 0, sizeof transformedPoints);
    std::memset(shadeTable, 0, sizeof shadeTable);
    renderCount = 0;
}

}  // namespace

bool loadPaletteFile(const std::string& path, std::string* error)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        *error = "cannot open palette " + path;
        return false;
    }
    std::memset(palette, 0, sizeof palette);
    const size_t read = std::fread(palette, 1, sizeof palette, file);
    (void)read;  // a short palette is accepted: the rest stays black
    std::fclose(file);
    return true;
}

std::string drawEntry(const std::string& archive, int index, const ViewSettings& view, int width, int height)
{
    viewZoom = view.zoom;
    viewAngleX = view.angleX;
    viewAngleY = view.angleY;
    wireframe = view.wireframe ? 1 : 0;
    initGl(width, height);

    initPipelineState();
    clearPipelineTables();
    std::string fault;
    if (index < 0 || index > 32767) {
        fault = "no such entry";
    } else {
        uint8_t* raw = nullptr;
        const char* phrase = loadPreparedBody(archive.c_str(), static_cast<int16_t>(index), &raw);
        std::unique_ptr<uint8_t, decltype(&std::free)> body(raw, &std::free);
        if (phrase != nullptr) {
            fault = phrase;
        } else {
            setBodyFatalHandler(throwBodyFatal);
            try {
                for (int frame = 0; frame < 2; ++frame) {
                    angleY = view.autoAngle;
                    runBodyStage(body.get());
                }
            } catch (const BodyFatalError& e) {
                fault = e.message;
                renderCount = 0;
            }
            setBodyFatalHandler(nullptr);
        }
    }
    drawScene();
    return fault;
}
