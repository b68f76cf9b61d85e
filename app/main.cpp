// main.cpp: the viewer's entry: start-up, then the frame loop, which never returns.
#include <SDL.h>  // Required for: SDL's own entry wrapper, on the platforms that have one

#include "app/frame_loop.h"
#include "app/startup.h"

int main(int, char**)
{
    startUp();
    runFrameLoop();
}
