// views.cpp: the angles of a turntable, and a sheet of preset views of one posed entry.
#include "render/views.h"

#include <GL/gl.h>  // Required for: shifting the top view's projection

#include "image/label_font.h"
#include "render/gl_state.h"

int32_t turntableAngle(int32_t start, int frame, int frames)
{
    const uint32_t step = static_cast<uint32_t>(static_cast<int64_t>(frame) * 1024 / frames);
    return static_cast<int32_t>(static_cast<uint32_t>(start) + step);
}

Fault drawViewSheet(PosedEntry& entry, OffscreenGl& gl, const View& view, int32_t autoAngle, const Palette& palette,
                    const PictureExtras& extras, RgbImage* sheet)
{
    struct Preset {
        const char* label;
        float angleX, angleY;
        bool lifted;  // undo the scene's drop of 1.5 below the eye, so a body seen from above is centred
    };
    // Bodies stand on their origin, y up, facing +z: the front view looks at their face and
    // the left view from the viewer's left of it. The three-quarter view is the viewer's start view.
    static const Preset presets[viewSheetColumns * viewSheetRows] = {
        {"FRONT", 0.0f, 0.0f, false}, {"BACK", 0.0f, 180.0f, false},
        {"LEFT", 0.0f, 90.0f, false}, {"RIGHT", 0.0f, -90.0f, false},
        {"TOP", 90.0f, 0.0f, true},   {"3/4", defaultViewAngleX, defaultViewAngleY, false}};

    const int width = gl.width(), height = gl.height();
    *sheet = blackImage(width * viewSheetColumns, height * viewSheetRows);
    const int scale = height >= 200 ? 2 : 1;
    const uint8_t white[3] = {255, 255, 255};
    for (int i = 0; i < viewSheetColumns * viewSheetRows; ++i) {
        View turned = view;
        turned.angleX = presets[i].angleX;
        turned.angleY = presets[i].angleY;
        initGl(width, height);
        if (presets[i].lifted) {
            glMatrixMode(GL_PROJECTION);
            glTranslatef(0.0f, 1.5f, 0.0f);
        }
        RgbImage tile;
        if (const Fault fault = entry.draw(gl, turned, autoAngle, palette, extras, &tile)) return fault;
        drawLabel(tile, 4, 4, presets[i].label, scale, white);
        pasteImage(*sheet, tile, (i % viewSheetColumns) * width, (i / viewSheetColumns) * height);
    }
    return noFault();
}
