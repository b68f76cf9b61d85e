// draw_scene.h: draws the render list with a view and a palette into the current OpenGL context.
#pragma once

#include "render/view.h"

// Clears, sets the view and draws every render entry; does not present. The viewer's window
// and the tool's offscreen rendering both draw through it, so both give the same picture.
void drawScene(const View& view, const Palette& palette);
