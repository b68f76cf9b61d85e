// process_guard.h: how the viewer process ends when its surroundings fail: no display to start
// on, a display connection lost under it, a stop signal. None of it changes a healthy run.
#pragma once

// True when there is a display to open a window on ($DISPLAY or $WAYLAND_DISPLAY), or a video
// driver was chosen explicitly ($SDL_VIDEODRIVER). Without one, SDL would pick a driver that
// shows nothing, and the viewer would run unseen until killed.
bool displayAvailable();

// After SDL has its window: a lost display connection prints one line on standard error and
// ends the process at once with status 1 (Xlib's own ending would run SDL's shutdown on the dead
// connection, which never returns); SIGINT and SIGTERM end the viewer as a close request does,
// status 0, and a viewer that has not ended 2 s after the signal is ended with status 1.
void guardProcess();
