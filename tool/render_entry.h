// render_entry.h: draws one archive entry offscreen through the viewer's own drawing code.
#pragma once

#include <cstdint>
#include <string>

// The viewer state a picture depends on; the defaults are the viewer's start values.
struct ViewSettings {
    float zoom = -5.0f;
    float angleX = 20.0f;  // degrees
    float angleY = -40.0f;  // degrees
    bool wireframe = false;
    int32_t autoAngle = 0;  // body angle units, as the auto-rotation would have left it
};

// Reads up to 768 bytes of `path` into the viewer's palette; a shorter file leaves the rest
// black, as in the viewer. False with a reason in *error when the file cannot be opened.
bool loadPaletteFile(const std::string& path, std::string* error);

// Draws entry `index` of `archive` into the current OpenGL context, whose surface is
// width x height: initGl, the entry loaded and prepared as the viewer does, the body stage run
// as the viewer's first two frames run it (from the second frame on the picture stays put),
// then drawScene. The pipeline's tables start cleared, as in a freshly started viewer.
// Returns an empty string, or the reason the entry cannot be shown (then the empty scene is
// drawn): the loader's phrase, or the fatal message with which the viewer would stop.
std::string drawEntry(const std::string& archive, int index, const ViewSettings& view, int width, int height);
