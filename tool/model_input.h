// model_input.h: an archive entry from a file: the bytes of a .bin as they are, or a model
// (.glb, .gltf, .obj) imported on the way. Shared by import, pack and replace.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/fault.h"

struct ModelSettings {
    std::string palette;   // empty: palette.dmp beside the model, then in the working folder
    double scale = 0;      // 0: the default
    double fit = 0;        // above 0: the scale that makes the largest extent this many model units
    bool flat = false;     // faces unlit, whatever their normals
    // The body an edited export is read against (see ImportBase): empty for none.
    std::vector<uint8_t> base;
    bool baseRequired = false;
    std::string baseName;
};

// Loads entry `index` of `archive` into settings->base, named for its notes; the fault when it
// cannot be read.
Fault loadImportBase(const std::string& archive, long index, bool required, ModelSettings* settings);

// Reads `path` into *entry. Notes of an import (what was baked or dropped) go to standard error
// as "orvane COMMAND: PATH: note". The fault names what went wrong, without the path.
Fault loadEntryInput(const char* command, const std::string& path, const ModelSettings& settings, std::vector<uint8_t>* entry);

// Parses the value of --scale (a positive number); false for anything else.
bool parseScale(const char* text, double* scale);
