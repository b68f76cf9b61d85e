// run_command.h: runs a program as a user would, through the shell, and keeps what it said.
#pragma once

#include <string>

struct CommandRun {
    int status = -1;  // the exit status; -1 when it did not exit normally
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs `command` with /bin/sh, standard input from /dev/null.
CommandRun runCommand(const std::string& command);

#ifdef ORVANE_TOOL_PATH
// Runs the tool with `arguments` (already quoted as the shell needs) in the current folder.
inline CommandRun runTool(const std::string& arguments)
{
    return runCommand(std::string("'") + ORVANE_TOOL_PATH + "' " + arguments);
}

// Runs the tool with `arguments` in `folder`, never waiting more than 20 s on it.
inline CommandRun runToolIn(const std::string& folder, const std::string& arguments)
{
    return runCommand("cd '" + folder + "' && exec timeout 20 '" + ORVANE_TOOL_PATH + "' " + arguments);
}
#endif
