// glb.h: the GLB container, both ways: a JSON chunk and a binary chunk behind a 12-byte header.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/fault.h"

// Lays out *out as a GLB of `json` (padded with spaces to a multiple of 4 here) and a binary
// chunk of `binBytes` (a multiple of 4); returns where the binary chunk's bytes start, zeroed,
// for the caller to fill in place. *out's old contents are replaced, its room kept.
uint8_t* frameGlb(std::string& json, size_t binBytes, std::vector<uint8_t>* out);

// True when `bytes` start as a GLB does.
bool looksLikeGlb(const std::vector<uint8_t>& bytes);

// Walks the chunks of a GLB: the first must be JSON and goes to `onJson` as soon as it is met
// (its fault ends the walk); the first binary chunk after it is copied into *bin.
Fault readGlb(const std::vector<uint8_t>& bytes, const std::function<Fault(const uint8_t*, size_t)>& onJson,
              std::vector<uint8_t>* bin, bool* haveBin);
