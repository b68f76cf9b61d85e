// main.cpp: the viewer's entry: the command line, start-up, then the frame loop, which never returns.
#include <SDL.h>  // Required for: SDL's own entry wrapper, on the platforms that have one

#include "app/frame_loop.h"
#include "app/options.h"
#include "app/startup.h"

int main(int argc, char** argv)
{
    if (const int status = takeCommandLine(argc, argv); status >= 0) return status;
    startUp();
    runFrameLoop();
}
