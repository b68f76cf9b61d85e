// commands.h: the orvane tool's subcommands. Each takes the arguments after its name
// (argv[0] is the subcommand's name) and returns the process's exit status.
#pragma once

int runDemo(int argc, char** argv);     // write the project's demo palette and archive
int runList(int argc, char** argv);     // list an archive's entries
int runExtract(int argc, char** argv);  // write one entry's unpacked bytes
int runPack(int argc, char** argv);     // make an archive from files
int runCheck(int argc, char** argv);    // check every entry of an archive as the viewer would
int runDump(int argc, char** argv);     // print what the body pipeline computes, per frame
int runRender(int argc, char** argv);   // draw an entry to PNG without a display
int runExport(int argc, char** argv);   // write entries as glTF 2.0 or OBJ
int runImport(int argc, char** argv);   // make a body from a glTF or OBJ model
int runReplace(int argc, char** argv);  // put a body in place of one entry of an archive
