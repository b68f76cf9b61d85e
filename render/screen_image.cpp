// screen_image.cpp: puts a ready-made picture straight onto the window, over the scene.
#include "render/screen_image.h"

#include <GL/gl.h>  // Required for: glDrawPixels and the matrices it is placed with

void drawScreenImage(const uint8_t* rgba, int width, int height, int viewWidth, int viewHeight)
{
    if (rgba == nullptr || width <= 0 || height <= 0 || height > viewHeight) return;

    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, viewWidth, 0.0, viewHeight, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    // Window pixels are counted from the bottom; the picture's lowest row goes at viewHeight - height.
    glRasterPos2i(0, viewHeight - height);
    glDrawPixels(width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}
