// offscreen_gl.cpp: an OpenGL context that draws into memory, with no display or X server.
#include "render/offscreen_gl.h"

#include <EGL/egl.h>     // Required for: display, config, pbuffer and context
#include <EGL/eglext.h>  // Required for: eglGetPlatformDisplayEXT, EGL_PLATFORM_SURFACELESS_MESA
#include <GL/gl.h>       // Required for: glReadPixels

#include <algorithm>
#include <string>
#include <vector>

namespace {

Fault eglFault(const char* what)
{
    return faultOf("%s failed (EGL error 0x%04x)", what, static_cast<unsigned>(eglGetError()));
}

// Mesa's surfaceless platform needs no window system; the default display is the fallback
// for EGL libraries that do not offer it.
EGLDisplay openDisplay()
{
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (getPlatformDisplay != nullptr && clientExtensions != nullptr &&
        std::string(clientExtensions).find("EGL_MESA_platform_surfaceless") != std::string::npos) {
        EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display != EGL_NO_DISPLAY) return display;
    }
    return eglGetDisplay(EGL_DEFAULT_DISPLAY);
}

}  // namespace

OffscreenGl::~OffscreenGl() { close(); }

Fault OffscreenGl::open(int width, int height)
{
    close();
    if (width < 1 || height < 1 || width > 8192 || height > 8192) {
        return faultOf("size out of range (1..8192)");
    }
    EGLDisplay display = openDisplay();
    if (display == EGL_NO_DISPLAY) {
        return eglFault("eglGetPlatformDisplayEXT");
    }
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display, &major, &minor)) {
        return eglFault("eglInitialize");
    }
    display_ = display;

    // Depth 16 like the viewer's window, which takes the library's default attributes.
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE,
                                       EGL_PBUFFER_BIT,
                                       EGL_RENDERABLE_TYPE,
                                       EGL_OPENGL_BIT,
                                       EGL_RED_SIZE,
                                       8,
                                       EGL_GREEN_SIZE,
                                       8,
                                       EGL_BLUE_SIZE,
                                       8,
                                       EGL_DEPTH_SIZE,
                                       16,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint found = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &found) || found < 1) {
        close();
        return faultOf("no EGL configuration with an OpenGL pbuffer");
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        const Fault fault = eglFault("eglBindAPI(OpenGL)");
        close();
        return fault;
    }
    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
    if (surface == EGL_NO_SURFACE) {
        const Fault fault = eglFault("eglCreatePbufferSurface");
        close();
        return fault;
    }
    surface_ = surface;
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT) {
        const Fault fault = eglFault("eglCreateContext");
        close();
        return fault;
    }
    context_ = context;
    if (!eglMakeCurrent(display, surface, surface, context)) {
        const Fault fault = eglFault("eglMakeCurrent");
        close();
        return fault;
    }
    width_ = width;
    height_ = height;
    return noFault();
}

void OffscreenGl::close()
{
    if (display_ != nullptr) {
        eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (context_ != nullptr) eglDestroyContext(display_, context_);
        if (surface_ != nullptr) eglDestroySurface(display_, surface_);
        eglTerminate(display_);
    }
    display_ = surface_ = context_ = nullptr;
    width_ = height_ = 0;
}

RgbImage OffscreenGl::read() const
{
    RgbImage image;
    if (context_ == nullptr) return image;
    image.width = width_;
    image.height = height_;
    const size_t rowBytes = static_cast<size_t>(width_) * 3;
    std::vector<uint8_t> bottomUp(rowBytes * static_cast<size_t>(height_));
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    image.rgb.resize(bottomUp.size());
    for (int row = 0; row < height_; ++row) {
        const uint8_t* from = &bottomUp[static_cast<size_t>(height_ - 1 - row) * rowBytes];
        std::copy(from, from + rowBytes, &image.rgb[static_cast<size_t>(row) * rowBytes]);
    }
    return image;
}
