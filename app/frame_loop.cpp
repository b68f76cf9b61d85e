// frame_loop.cpp: one pass of the viewer's endless frame loop.
#include "app/frame_loop.h"

#include <SDL.h>  // Required for: SDL_GetTicks, SDL_GL_SwapBuffers

#include "app/input.h"
#include "app/options.h"
#include "app/overlays.h"
#include "app/viewer_state.h"
#include "app/watch.h"
#include "body/body.h"
#include "render/draw_scene.h"

void drawFrame()
{
    drawScene(View{viewZoom, viewAngleX, viewAngleY, wireframe != 0}, palette);
    drawViewerOverlays(SDL_GetTicks());
    SDL_GL_SwapBuffers();
}

void runFrame()
{
    pollEvents();
    if (viewerOptions.watch) pollArchiveWatch(SDL_GetTicks());

    // 2 units a frame; the sum wraps modulo 2^32, which the low 10 bits used never notice.
    if (autoRotate) autoAngle = static_cast<int32_t>(static_cast<uint32_t>(autoAngle) + 2u);
    angleY = autoAngle;

    if (currentBody != nullptr) {
        runBodyStage(currentBody);
    } else {
        renderCount = 0;
    }

    drawFrame();
}

void runFrameLoop()
{
    for (;;) runFrame();
}
