// main.cpp: the viewer's entry: the command line, start-up, then the frame loop, which never returns.
#include <SDL.h>  // Required for: SDL's own entry wrapper, on the platforms that have one

#include <cstdio>

#include "app/frame_loop.h"
#include "app/options.h"
#include "app/process_guard.h"
#include "app/startup.h"

int main(int argc, char** argv)
{
    if (const int status = takeCommandLine(argc, argv); status >= 0) return status;
    if (!displayAvailable()) {
        std::fprintf(stderr, "Couldn't initialize SDL: no display to show the window on ($DISPLAY is not set)\n");
        return 1;
    }
    startUp();
    guardProcess();
    runFrameLoop();
}
