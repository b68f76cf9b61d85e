// draw_frame.cpp: draws the render list with the viewer's view and palette.
// Placeholder until the drawing lands: an empty black scene.
#include "render/draw_frame.h"

#include <GL/gl.h>
#include <SDL.h>

void drawScene()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void drawFrame()
{
    drawScene();
    SDL_GL_SwapBuffers();
}
