// cmd_diff_pictures.h: for each changed entry, one picture of the old and the new body side by
// side, labelled, drawn by the viewer's own code.
#pragma once

#include <string>
#include <vector>

#include "support/file_io.h"

struct DiffPictures {
    std::string oldArchive, newArchive, palette;
    std::vector<long> entries;  // the changed entries to draw
};

// The file name of entry `index`'s picture in `dir`: DIR/entry-005.png.
std::string diffPictureName(const std::string& dir, long index);

// Draws every picture into *files (name and PNG bytes), for the caller to write together. Fails
// when there is no offscreen OpenGL or the palette cannot be read; an entry that cannot be
// drawn is drawn as a dark red tile.
Fault drawDiffPictures(const DiffPictures& pictures, const std::string& dir, std::vector<FileContents>* files);
