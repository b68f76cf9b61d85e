// main.cpp: the viewer's entry: start-up, then the frame loop, which never returns.
#include <SDL.h>  // Required for: SDL's own entry wrapper, on the platforms that have one

#include <cstdio>
#include <cstring>

#include "app/frame_loop.h"
#include "app/process_guard.h"
#include "app/startup.h"

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("orvane-viewer %s\n", viewerVersion());
        return 0;
    }
    if (!displayAvailable()) {
        std::fprintf(stderr, "Couldn't initialize SDL: no display to show the window on ($DISPLAY is not set)\n");
        return 1;
    }
    startUp();
    guardProcess();
    runFrameLoop();
}
