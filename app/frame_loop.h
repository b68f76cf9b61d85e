// frame_loop.h: one pass of the viewer's endless frame loop.
#pragma once

// Draws the render list with the viewer's view and palette, then the overlays the command line
// asked for (--skeleton, --info), and presents it in the window.
void drawFrame();

// Input, the archive watch (--watch), auto-rotation, the body stage and the drawing, in that
// order. With no body loaded the body stage is skipped and an empty render list is drawn (a
// black scene).
void runFrame();

// Turns runFrame forever; the process ends only through exit from input or a fatal body error.
[[noreturn]] void runFrameLoop();
