// input.h: the viewer's keyboard and mouse handling, run between two frames.
#pragma once

#include <SDL.h>  // Required for: SDL_keysym

// Drains SDL's event queue: the last mouse motion sets the view angles, key presses go to
// handleKey, the window's close request ends the process with status 0. Returns once the
// queue is empty.
void pollEvents();

// Acts on one key press by its key code alone (modifiers make no difference). Only codes
// 27..281 are looked at: Escape ends the process with status 0, Space toggles auto-rotation,
// D and E move the view away or closer by 0.5, F toggles wireframe, Page Up / Page Down step
// the entry index within 0..lastPageIndex and reload the entry, even at either end.
void handleKey(SDL_keysym keysym);
