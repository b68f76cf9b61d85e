// cmd_list.cpp: the 'list' subcommand (not written yet).
#include <cstdio>

#include "tool/commands.h"

int runList(int, char**)
{
    std::fprintf(stderr, "orvane list: not available yet\n");
    return 1;
}
