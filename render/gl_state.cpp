// gl_state.cpp: sets, once, the fixed OpenGL state that the frame drawing relies on.
#include "render/gl_state.h"

#include <GL/gl.h>   // Required for: the fixed-function state calls
#include <GL/glu.h>  // Required for: gluPerspective

void initGl(int32_t width, int32_t height)
{
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glViewport(0, 0, width, height);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, static_cast<double>(width) / static_cast<double>(height), 1.0, 1024.0);

    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
    glEnable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);

    // Material and light stay inert: GL_LIGHTING is never enabled, so every vertex shows the
    // colour it is given and the body's shading comes from the shade table alone.
    const GLfloat noSpecular[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, noSpecular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 0.0f);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);

    const GLfloat ambient[4] = {1.5f, 1.5f, 1.5f, 1.5f};
    const GLfloat diffuse[4] = {1.5f, 1.5f, 1.5f, 1.5f};
    const GLfloat position[4] = {0.0f, 0.0f, -10.0f, 0.0f};
    glLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT1, GL_POSITION, position);
    glEnable(GL_LIGHT1);
}
