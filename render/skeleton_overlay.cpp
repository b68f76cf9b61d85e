// skeleton_overlay.cpp: the skeleton over the picture, in immediate mode like the scene.
#include "render/skeleton_overlay.h"

#include <GL/gl.h>  // Required for: the immediate-mode drawing calls

#include "body/body_format.h"
#include "render/draw_scene.h"

namespace {

void sendOrigin(const Point16& p)
{
    glVertex3f(static_cast<float>(p.x) * modelToGlScale, static_cast<float>(p.y) * modelToGlScale,
               static_cast<float>(p.z) * modelToGlScale);
}

}  // namespace

void drawSkeletonOverlay(const BoneTree& tree, const View& view, const uint8_t rgb[3])
{
    const GLboolean depthTest = glIsEnabled(GL_DEPTH_TEST);
    GLfloat pointSize = 1.0f, lineWidth = 1.0f;
    glGetFloatv(GL_POINT_SIZE, &pointSize);
    glGetFloatv(GL_LINE_WIDTH, &lineWidth);

    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    loadViewMatrix(view);
    glColor4ub(rgb[0], rgb[1], rgb[2], 255);

    // A bone without a parent in the body hangs from the frame's origin, where its points start.
    const Point16 none{0, 0, 0};
    glLineWidth(2.0f);
    glBegin(GL_LINES);
    for (const BoneNode& b : tree.bones) {
        if (!b.processed) continue;
        sendOrigin(b.parent >= 0 ? tree.bones[static_cast<size_t>(b.parent)].origin : none);
        sendOrigin(b.origin);
    }
    glEnd();
    glPointSize(6.0f);
    glBegin(GL_POINTS);
    for (const BoneNode& b : tree.bones)
        if (b.processed) sendOrigin(b.origin);
    glEnd();

    glPopMatrix();
    glPointSize(pointSize);
    glLineWidth(lineWidth);
    if (depthTest) glEnable(GL_DEPTH_TEST);
}
