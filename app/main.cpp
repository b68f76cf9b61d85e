// main.cpp: the viewer's entry: start-up, then the frame loop, which never returns.
#include "app/frame_loop.h"
#include "app/startup.h"

int main(int, char**)
{
    startUp();
    runFrameLoop();
}
