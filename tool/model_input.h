// model_input.h: an archive entry from a file: the bytes of a body (.bin) checked as the viewer
// would, or a model (.glb, .gltf, .obj) imported on the way. Shared by import, pack and replace.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/fault.h"
#include "support/file_io.h"

// Input caps (docs/limits.md): far above any real file, so a larger one is refused unread.
inline constexpr InputCap bodyFileCap = {std::size_t{16} << 20, "a body"};
inline constexpr InputCap modelFileCap = {std::size_t{64} << 20, "a model"};

struct ModelSettings {
    std::string palette;  // empty: palette.dmp beside the model, then in the working folder
    double scale = 0;     // 0: the default
    double fit = 0;       // above 0: the scale that makes the largest extent this many model units
    bool flat = false;    // faces unlit, whatever their normals
    bool raw = false;     // a non-model file goes in as it is, unchecked
    // The body an edited export is read against (see ImportBase): empty for none.
    std::vector<uint8_t> base;
    bool baseRequired = false;
    std::string baseName;
};

// Loads entry `index` of `archive` into settings->base, named for its notes; the fault when it
// cannot be read.
Fault loadImportBase(const std::string& archive, long index, bool required, ModelSettings* settings);

// Reads `path` into *entry. Notes of an import (what was baked or dropped) go to standard error
// as "orvane COMMAND: PATH: note". The fault names what went wrong, without the path. Every
// file read on the way (the file itself, a palette found beside it) is added to *opened, so
// that the command can refuse an output that is one of them before writing anything.
Fault loadEntryInput(const char* command, const std::string& path, const ModelSettings& settings,
                     std::vector<uint8_t>* entry, std::vector<std::string>* opened);

// Empty when the viewer would show `body`: it passes the checks before and after preparation
// and its frames run to the end; otherwise what is wrong with it.
Fault checkBodyBytes(const std::vector<uint8_t>& body);

// Parses the value of --scale (a positive number, nothing around it); false for anything else.
bool parseScale(const char* text, double* scale);
