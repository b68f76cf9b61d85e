// startup.h: the viewer's start-up sequence, from SDL to the OpenGL state.
#pragma once

// SDL, the window and its caption, the palette, the pipeline's fixed state, body 0 and the
// OpenGL state, in that order. Ends the process with status 1 when SDL cannot start or the
// palette cannot be opened; a failed video mode is reported and start-up goes on.
void startUp();
