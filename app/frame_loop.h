// frame_loop.h: one pass of the viewer's endless frame loop.
#pragma once

// Input, the archive watch (--watch), auto-rotation, the body stage, the drawing and the
// overlays (--skeleton, --info), in that order. With no body loaded the body stage is skipped and
// an empty render list is drawn (a black scene).
void runFrame();

// Turns runFrame forever; the process ends only through exit from input or a fatal body error.
[[noreturn]] void runFrameLoop();
