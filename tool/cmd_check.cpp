// cmd_check.cpp: the 'check' subcommand (not written yet).
#include <cstdio>

#include "tool/commands.h"

int runCheck(int, char**)
{
    std::fprintf(stderr, "orvane check: not available yet\n");
    return 1;
}
