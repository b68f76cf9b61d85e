// render_entry.cpp: draws one archive entry offscreen through the viewer's own drawing code.
#include "render/render_entry.h"

#include "render/draw_scene.h"
#include "render/gl_state.h"
#include "render/posed_entry.h"

Fault drawEntry(const char* archive, int index, const View& view, int32_t autoAngle, const Palette& palette, int width,
                int height)
{
    initGl(width, height);
    PosedEntry entry;
    const Fault unloaded = entry.load(archive, index);
    // Posing starts from a fresh state even without a body, so a refused entry draws nothing.
    const Fault fatal = entry.pose(autoAngle);
    drawScene(view, palette);
    return unloaded ? unloaded : fatal;
}
