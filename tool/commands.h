// commands.h: the orvane tool's subcommands. Each declares its command line (command_line.h)
// and runs with the arguments after the tool's name (argv[0] is the subcommand's name),
// returning the process's exit status.
#pragma once

#include "tool/command_line.h"

extern const CommandSpec demoCommand;     // write the project's demo palette and archive
extern const CommandSpec listCommand;     // list an archive's entries
extern const CommandSpec extractCommand;  // write one entry's unpacked bytes
extern const CommandSpec packCommand;     // make an archive from files
extern const CommandSpec checkCommand;    // check every entry of an archive as the viewer would
extern const CommandSpec dumpCommand;     // print what the body pipeline computes, per frame
extern const CommandSpec renderCommand;   // draw an entry to PNG without a display
extern const CommandSpec bonesCommand;    // print an entry's skeleton as a tree
extern const CommandSpec exportCommand;   // write an entry as glTF or OBJ
extern const CommandSpec importCommand;   // make a body from a glTF or OBJ model
extern const CommandSpec replaceCommand;  // put a body in place of one entry of an archive

int runDemo(int argc, char** argv);
int runList(int argc, char** argv);
int runExtract(int argc, char** argv);
int runPack(int argc, char** argv);
int runCheck(int argc, char** argv);
int runDump(int argc, char** argv);
int runRender(int argc, char** argv);
int runBones(int argc, char** argv);
int runExport(int argc, char** argv);
int runImport(int argc, char** argv);
int runReplace(int argc, char** argv);
