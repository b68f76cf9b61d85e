// render_entry.cpp: draws one archive entry offscreen through the viewer's own drawing code.
#include "render/render_entry.h"

#include <cstdlib>

#include "archive/archive_format.h"
#include "body/body.h"
#include "body/body_loading.h"
#include "render/draw_scene.h"
#include "render/gl_state.h"

Fault drawEntry(const char* archive, int index, const View& view, int32_t autoAngle, const Palette& palette,
                int width, int height)
{
    initGl(width, height);
    resetPipelineState();
    Fault fault;
    if (index < 0 || index >= reachableEntries) {
        fault = faultOf("%s", archiveNoSuchEntry);
    } else {
        uint8_t* body = nullptr;
        fault = loadPreparedBody(archive, static_cast<int16_t>(index), &body);
        for (int frame = 0; frame < 2 && !fault; ++frame) {
            angleY = autoAngle;
            if (const char* fatal = runBodyStageCatchingFatal(body)) {
                fault = faultOf("%s", fatal);
                renderCount = 0;
            }
        }
        std::free(body);
    }
    drawScene(view, palette);
    return fault;
}
