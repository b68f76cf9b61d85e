// draw_frame.h: draws the render list with the viewer's view and palette.
#pragma once

// Clears, sets the view and draws every render entry; does not present. Shared by the
// viewer's window and the tool's offscreen rendering so both give the same picture.
void drawScene();

// drawScene, then presents the picture in the SDL window.
void drawFrame();
