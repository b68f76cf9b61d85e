// body_loading.h: loads one archive entry as a body that every frame can run safely.
#pragma once

#include <cstdint>

#include "support/fault.h"

// Loads entry `index` of the archive at `path`, checks it, prepares it (prepareBody) and checks
// the prepared body as the frames will walk it. On success *out holds the prepared body
// (release with free()) and *size (when non-null) its size in bytes. Otherwise the fault names
// the first problem (e.g. "truncated entry", "bone 3: points outside the point array") and
// *out is null.
Fault loadPreparedBody(const char* path, int16_t index, uint8_t** out, uint32_t* size = nullptr);
