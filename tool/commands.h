// commands.h: the orvane tool's subcommands. Each declares its command line (command_line.h)
// and runs with the arguments after the tool's name (argv[0] is the subcommand's name),
// returning the process's exit status.
#pragma once

#include "tool/command_line.h"

extern const CommandSyntax demoCommand;     // write the project's demo palette and archive
extern const CommandSyntax listCommand;     // list an archive's entries
extern const CommandSyntax extractCommand;  // write one entry's unpacked bytes
extern const CommandSyntax packCommand;     // make an archive from files
extern const CommandSyntax checkCommand;    // check every entry of an archive as the viewer would
extern const CommandSyntax dumpCommand;     // print what the body pipeline computes, per frame
extern const CommandSyntax renderCommand;   // draw an entry to PNG without a display
extern const CommandSyntax bonesCommand;    // print an entry's skeleton as a tree
extern const CommandSyntax exportCommand;   // write an entry as glTF or OBJ
extern const CommandSyntax importCommand;   // make a body from a glTF or OBJ model
extern const CommandSyntax replaceCommand;  // put a body in place of one entry of an archive
extern const CommandSyntax diffCommand;     // compare two archives entry by entry
// Commands named in two words: 'orvane patch create ...'.
extern const CommandSyntax patchCreateCommand;  // write what turns one archive into another
extern const CommandSyntax patchApplyCommand;   // apply patches to the archive they were made for
extern const CommandSyntax patchInfoCommand;    // print what a patch holds
extern const CommandSyntax galleryCommand;      // make a web gallery of an archive

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
int runDiff(int argc, char** argv);
int runPatchCreate(int argc, char** argv);
int runPatchApply(int argc, char** argv);
int runPatchInfo(int argc, char** argv);
int runGallery(int argc, char** argv);
