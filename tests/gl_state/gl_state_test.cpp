// gl_state_test.cpp: the fixed OpenGL state, read back from a display-less context.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cstring>

#include "render/gl_state.h"

namespace {

// A desktop OpenGL context on Mesa's surfaceless platform: no window, no display.
class GlContext {
public:
    GlContext()
    {
        auto getPlatformDisplay =
            reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (getPlatformDisplay == nullptr) return;
        display_ = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display_ == EGL_NO_DISPLAY || !eglInitialize(display_, nullptr, nullptr)) return;
        if (!eglBindAPI(EGL_OPENGL_API)) return;
        const EGLint configWanted[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
        EGLConfig config = nullptr;
        EGLint count = 0;
        if (!eglChooseConfig(display_, configWanted, &config, 1, &count) || count < 1) return;
        context_ = eglCreateContext(display_, config, EGL_NO_CONTEXT, nullptr);
        if (context_ == EGL_NO_CONTEXT) return;
        ready_ = eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_);
    }
    ~GlContext()
    {
        if (display_ == EGL_NO_DISPLAY) return;
        eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (context_ != EGL_NO_CONTEXT) eglDestroyContext(display_, context_);
        eglTerminate(display_);
    }
    bool ready() const { return ready_; }

private:
    EGLDisplay display_ = EGL_NO_DISPLAY;
    EGLContext context_ = EGL_NO_CONTEXT;
    bool ready_ = false;
};

GLint getInt(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

TEST(GlState, InitGlSetsTheFixedStateTheDrawingReliesOn)
{
    GlContext context;
    ASSERT_TRUE(context.ready()) << "no surfaceless OpenGL context (EGL error 0x" << std::hex << eglGetError() << ")";

    initGl(800, 600);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(getInt(GL_BLEND_SRC), GL_SRC_ALPHA);
    EXPECT_EQ(getInt(GL_BLEND_DST), GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_EQ(getInt(GL_SHADE_MODEL), GL_SMOOTH);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(getInt(GL_DEPTH_FUNC), GL_LEQUAL);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(getInt(GL_CULL_FACE_MODE), GL_BACK);
    EXPECT_EQ(getInt(GL_FRONT_FACE), GL_CCW);
    GLint polygonMode[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    EXPECT_EQ(polygonMode[0], GL_FILL);
    EXPECT_EQ(polygonMode[1], GL_FILL);

    GLfloat clear[4] = {1, 1, 1, 1};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0] + clear[1] + clear[2] + clear[3], 0.0f);

    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 600);

    // Left in projection mode, holding exactly a 60-degree, 4:3, 1..1024 perspective.
    EXPECT_EQ(getInt(GL_MATRIX_MODE), GL_PROJECTION);
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glLoadIdentity();
    gluPerspective(60.0, 800.0 / 600.0, 1.0, 1024.0);
    GLfloat expected[16];
    glGetFloatv(GL_PROJECTION_MATRIX, expected);
    EXPECT_EQ(std::memcmp(projection, expected, sizeof projection), 0);
    EXPECT_FLOAT_EQ(projection[5] / projection[0], 4.0f / 3.0f);  // the aspect ratio

    // Light and material are set but inert: lighting itself stays off.
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_EQ(getInt(GL_COLOR_MATERIAL_FACE), GL_FRONT_AND_BACK);
    EXPECT_EQ(getInt(GL_COLOR_MATERIAL_PARAMETER), GL_AMBIENT_AND_DIFFUSE);
    GLfloat value[4];
    glGetLightfv(GL_LIGHT1, GL_AMBIENT, value);
    EXPECT_EQ(value[0], 1.5f);
    EXPECT_EQ(value[3], 1.5f);
    glGetLightfv(GL_LIGHT1, GL_DIFFUSE, value);
    EXPECT_EQ(value[1], 1.5f);
    glGetLightfv(GL_LIGHT1, GL_POSITION, value);  // eye space; the modelview is the identity here
    EXPECT_EQ(value[2], -10.0f);
    EXPECT_EQ(value[3], 0.0f);  // directional
    glGetMaterialfv(GL_BACK, GL_SPECULAR, value);
    EXPECT_EQ(value[0] + value[1] + value[2] + value[3], 0.0f);
    glGetMaterialfv(GL_FRONT, GL_SHININESS, value);
    EXPECT_EQ(value[0], 0.0f);
}

}  // namespace
