// skeleton_overlay.cpp: draws a body's skeleton over the picture, in immediate mode.
#include "render/skeleton_overlay.h"

#include <GL/gl.h>  // Required for: the immediate-mode drawing calls

namespace {

// The same scale as the body's drawing, so that the skeleton lies inside the body.
constexpr float modelScale = 0.0025f;
constexpr float lineWidth = 2.0f;
constexpr float dotSize = 5.0f;

void sendOrigin(const Point16& p)
{
    glVertex3f(static_cast<float>(p.x) * modelScale, static_cast<float>(p.y) * modelScale,
               static_cast<float>(p.z) * modelScale);
}

}  // namespace

void drawSkeletonOverlay(const BoneOrigin* bones, int32_t count, float zoom, float viewX, float viewY)
{
    if (bones == nullptr || count <= 0) return;

    glPushAttrib(GL_ENABLE_BIT | GL_LINE_BIT | GL_POINT_BIT | GL_CURRENT_BIT);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(0.0f, -1.5f, zoom);
    glRotatef(viewX, 1.0f, 0.0f, 0.0f);
    glRotatef(viewY, 0.0f, 1.0f, 0.0f);

    glLineWidth(lineWidth);
    glColor4ub(skeletonLineColour[0], skeletonLineColour[1], skeletonLineColour[2], 255);
    glBegin(GL_LINES);
    for (int32_t i = 0; i < count; ++i) {
        const BoneOrigin& b = bones[i];
        if (!b.processed || b.parent < 0 || b.parent >= count) continue;
        sendOrigin(bones[b.parent].origin);
        sendOrigin(b.origin);
    }
    glEnd();

    glPointSize(dotSize);
    glColor4ub(skeletonDotColour[0], skeletonDotColour[1], skeletonDotColour[2], 255);
    glBegin(GL_POINTS);
    for (int32_t i = 0; i < count; ++i)
        if (bones[i].processed) sendOrigin(bones[i].origin);
    glEnd();

    glPopMatrix();
    glPopAttrib();
}
