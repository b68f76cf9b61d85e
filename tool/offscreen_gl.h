// offscreen_gl.h: an OpenGL context that draws into memory, with no display or X server.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Pixels row-major, top row first, three bytes (red, green, blue) each.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

// A compatibility-profile context on an EGL pbuffer of a fixed size (Mesa's surfaceless
// platform, so software rendering works headless). Made current on open; one at a time.
class OffscreenGl {
public:
    OffscreenGl() = default;
    OffscreenGl(const OffscreenGl&) = delete;
    OffscreenGl& operator=(const OffscreenGl&) = delete;
    ~OffscreenGl();

    // Sizes 1..8192. Returns false with a reason in *error when no context can be made.
    bool open(int width, int height, std::string* error);
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
