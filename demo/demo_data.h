// demo_data.h: the project's own demo palette and bodies, designed to be looked at.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/fault.h"

// 768 bytes: sixteen ramps of sixteen colours, each from dark (index 16k) to light (16k + 15).
// Ramp 0 is grey and starts at black.
std::vector<uint8_t> demoPalette();

struct DemoBody {
    const char* name;  // a few words for listings
    std::vector<uint8_t> bytes;
    bool packed;  // stored packed in the demo archive (when packing makes it smaller)
};

// The demo bodies in archive order; the first is the one the viewer opens on. A fault names the
// body whose shapes do not fit the format (a mistake in them, caught by the demo's tests).
Fault makeDemoBodies(std::vector<DemoBody>* bodies);

// The archive "body.ZRK" holding the demo bodies.
Fault makeDemoArchive(std::vector<uint8_t>* archive);

// The same for tests and benchmarks: empty on a fault, which the functions above report.
std::vector<DemoBody> demoBodies();
std::vector<uint8_t> demoArchive();

// The names the viewer reads them by.
inline constexpr const char* demoPaletteFileName = "palette.dmp";
inline constexpr const char* demoArchiveFileName = "body.ZRK";

// Writes "palette.dmp" and "body.ZRK" into `directory` (which must exist), replacing them only
// once both are written in full.
Fault writeDemoFiles(const std::string& directory);
