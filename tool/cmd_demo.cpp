// cmd_demo.cpp: the 'demo' subcommand (not written yet).
#include <cstdio>

#include "tool/commands.h"

int runDemo(int, char**)
{
    std::fprintf(stderr, "orvane demo: not available yet\n");
    return 1;
}
