// offscreen_gl.h: an OpenGL context that draws into memory, with no display or X server.
#pragma once

#include "image/rgb_image.h"
#include "support/fault.h"

// A compatibility-profile context on an EGL pbuffer of a fixed size (Mesa's surfaceless
// platform, so software rendering works headless). Made current on open; one at a time.
class OffscreenGl {
public:
    OffscreenGl() = default;
    OffscreenGl(const OffscreenGl&) = delete;
    OffscreenGl& operator=(const OffscreenGl&) = delete;
    ~OffscreenGl();

    // Sizes 1..8192. Fails when no context can be made.
    Fault open(int width, int height);
    void close();

    int width() const { return width_; }
    int height() const { return height_; }

    // Waits for the drawing to finish and reads the whole surface.
    RgbImage read() const;

private:
    void* display_ = nullptr;  // EGLDisplay
    void* surface_ = nullptr;  // EGLSurface
    void* context_ = nullptr;  // EGLContext
    int width_ = 0;
    int height_ = 0;
};
