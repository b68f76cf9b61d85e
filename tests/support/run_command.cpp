// run_command.cpp: runs a program through the shell, its two output streams kept apart.
#include "tests/support/run_command.h"

#include <sys/wait.h>

#include <cstdlib>

#include "tests/support/scratch_dir.h"

CommandRun runCommand(const std::string& command)
{
    const TempDir streams;
    const std::string shell =
        "( " + command + " ) <" + "/dev/null >'" + streams.file("out") + "' 2>'" + streams.file("err") + "'";
    CommandRun run;
    const int raw = std::system(shell.c_str());
    run.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = readText(streams.file("out"));
    run.err = readText(streams.file("err"));
    return run;
}
