// cmd_render.cpp: the 'render' subcommand (not written yet).
#include <cstdio>

#include "tool/commands.h"

int runRender(int, char**)
{
    std::fprintf(stderr, "orvane render: not available yet\n");
    return 1;
}
