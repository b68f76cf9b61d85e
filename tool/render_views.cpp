// render_views.cpp: the render command's pictures of one entry loaded once: one picture, a
// turntable, and a sheet of preset views, all drawn in one offscreen context.
#include "tool/render_views.h"

#include <GL/gl.h>  // Required for: shifting the top view's projection

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "render/gl_state.h"
#include "tool/gif_writer.h"
#include "tool/label_font.h"
#include "tool/picture_output.h"

namespace {

void reportEntry(const EntryPictures& job, const std::string& fault)
{
    std::fprintf(stderr, "orvane render: %s: entry %d: %s\n", job.archive.c_str(), job.index, fault.c_str());
}

void reportOutput(const std::string& path, const std::string& error)
{
    std::fprintf(stderr, "orvane render: %s: %s\n", path.c_str(), error.c_str());
}

// Loads the entry and checks the picked bone; false after reporting why not.
bool loadEntry(const EntryPictures& job, PosedEntry* entry)
{
    const std::string fault = entry->load(job.archive, job.index);
    if (!fault.empty()) {
        reportEntry(job, fault);
        return false;
    }
    const size_t bones = entry->bones().bones.size();
    if (job.extras.bone >= 0 && static_cast<size_t>(job.extras.bone) >= bones) {
        reportEntry(job, "no bone " + std::to_string(job.extras.bone) + " (" + std::to_string(bones) + " bones)");
        return false;
    }
    return true;
}

bool endsWith(const std::string& text, const char* tail)
{
    const size_t n = std::strlen(tail);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) != tail[i]) return false;
    return true;
}

}  // namespace

int renderPicture(const EntryPictures& job, OffscreenGl& gl)
{
    PosedEntry entry;
    if (!loadEntry(job, &entry)) return 1;
    initGl(job.width, job.height);
    RgbImage picture;
    const std::string fault = entry.draw(gl, job.view, job.extras, &picture);
    if (!fault.empty()) {
        reportEntry(job, fault);
        return 1;
    }
    const std::string error = writePng(job.out, picture);
    if (!error.empty()) {
        reportOutput(job.out, error);
        return 1;
    }
    return 0;
}

std::string turntableFrameName(const std::string& pattern, int frame, int frames)
{
    int digits = 2;
    for (int n = frames - 1; n >= 100; n /= 10) ++digits;
    char number[16];
    std::snprintf(number, sizeof number, "-%0*d", digits, frame);
    return pattern.substr(0, pattern.size() - 4) + number + pattern.substr(pattern.size() - 4);
}

int turntableDelay(int frames) { return std::clamp((300 + frames / 2) / frames, 2, 100); }

int renderTurntable(const EntryPictures& job, int frames, OffscreenGl& gl)
{
    PosedEntry entry;
    if (!loadEntry(job, &entry)) return 1;
    const bool asPng = endsWith(job.out, ".png");
    initGl(job.width, job.height);

    std::vector<RgbImage> pictures;
    for (int k = 0; k < frames; ++k) {
        ViewSettings view = job.view;
        // One turn is 1024 units; the angle register wraps like the viewer's auto-rotation.
        view.autoAngle = static_cast<int32_t>(static_cast<uint32_t>(view.autoAngle) + static_cast<uint32_t>(k * 1024 / frames));
        RgbImage picture;
        const std::string fault = entry.draw(gl, view, job.extras, &picture);
        if (!fault.empty()) {
            reportEntry(job, fault);
            return 1;
        }
        if (asPng) {
            const std::string name = turntableFrameName(job.out, k, frames);
            const std::string error = writePng(name, picture);
            if (!error.empty()) {
                reportOutput(name, error);
                return 1;
            }
        } else {
            pictures.push_back(std::move(picture));
        }
    }
    if (asPng) return 0;
    std::vector<uint8_t> gif;
    std::string error = encodeAnimatedGif(pictures, turntableDelay(frames), &gif);
    if (error.empty()) error = replaceFile(job.out, gif);
    if (!error.empty()) {
        reportOutput(job.out, error);
        return 1;
    }
    return 0;
}

int renderViews(const EntryPictures& job, OffscreenGl& gl)
{
    struct Preset {
        const char* label;
        float angleX, angleY;
        bool lifted;  // undo the scene's drop of 1.5 below the eye, so a body seen from above is centred
    };
    // Bodies stand on their origin, y up, facing +z: the front view looks at their face and
    // the left view from the viewer's left of it. The three-quarter view is the viewer's start view.
    static const Preset presets[] = {{"FRONT", 0.0f, 0.0f, false},   {"BACK", 0.0f, 180.0f, false},
                                     {"LEFT", 0.0f, 90.0f, false},   {"RIGHT", 0.0f, -90.0f, false},
                                     {"TOP", 90.0f, 0.0f, true},     {"3/4", 20.0f, -40.0f, false}};
    constexpr int columns = 3, rows = 2;

    PosedEntry entry;
    if (!loadEntry(job, &entry)) return 1;

    RgbImage sheet;
    sheet.width = job.width * columns;
    sheet.height = job.height * rows;
    sheet.rgb.assign(static_cast<size_t>(sheet.width) * static_cast<size_t>(sheet.height) * 3, 0);
    const int scale = job.height >= 200 ? 2 : 1;
    const uint8_t white[3] = {255, 255, 255};
    for (int i = 0; i < columns * rows; ++i) {
        ViewSettings view = job.view;
        view.angleX = presets[i].angleX;
        view.angleY = presets[i].angleY;
        initGl(job.width, job.height);
        if (presets[i].lifted) {
            glMatrixMode(GL_PROJECTION);
            glTranslatef(0.0f, 1.5f, 0.0f);
        }
        RgbImage tile;
        const std::string fault = entry.draw(gl, view, job.extras, &tile);
        if (!fault.empty()) {
            reportEntry(job, fault);
            return 1;
        }
        drawLabel(tile, 4, 4, presets[i].label, scale, white);
        const int x0 = (i % columns) * job.width, y0 = (i / columns) * job.height;
        for (int y = 0; y < job.height; ++y) {
            const size_t from = static_cast<size_t>(y) * static_cast<size_t>(job.width) * 3;
            const size_t to = (static_cast<size_t>(y0 + y) * static_cast<size_t>(sheet.width) + static_cast<size_t>(x0)) * 3;
            std::memcpy(&sheet.rgb[to], &tile.rgb[from], static_cast<size_t>(job.width) * 3);
        }
    }
    const std::string error = writePng(job.out, sheet);
    if (!error.empty()) {
        reportOutput(job.out, error);
        return 1;
    }
    return 0;
}
