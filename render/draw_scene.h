// draw_scene.h: draws the render list with a view and a palette into the current OpenGL context.
#pragma once

#include "render/view.h"

// Clears, sets the view and draws every render entry; does not present. The viewer's window
// and the tool's offscreen rendering both draw through it, so both give the same picture.
void drawScene(const View& view, const Palette& palette);

// Loads the view into the modelview matrix: the body's ground 1.5 below the eye, the zoom, then
// the turns about x and y. Whatever is drawn over the scene lines up with it through this.
void loadViewMatrix(const View& view);
