// body_loading.h: makes a loaded body ready for frames (check, prepare, check) and loads one
// archive entry that way; the one wording with which a command reports a fatal body.
#pragma once

#include <cstddef>
#include <cstdint>

#include "support/fault.h"

// Whether a body that meets a fatal condition at its first frame loads (the viewer loads it and
// then stops, printing the condition's fixed message) or is refused with viewerStopsFault.
enum class FatalBodies { load, refuse };

// The one wording for a body on which the viewer would stop: `the viewer stops at its first
// frame: "renderM1"`.
Fault viewerStopsFault(const char* fatalMessage);

// Checks `body` (`size` bytes, as stored) for preparation, prepares it in place (prepareBody)
// and checks the prepared body as the frames will walk it. On a fault the bytes may or may not
// have been prepared: drop them.
Fault prepareForFrames(uint8_t* body, size_t size, FatalBodies fatal);

// Loads entry `index` of the archive at `path` and prepares it for frames. On success *out holds
// the prepared body (release with free()) and *size (when non-null) its size in bytes. Otherwise
// the fault names the first problem (e.g. "truncated entry", "bone 3: points outside the point
// array") and *out is null.
Fault loadPreparedBody(const char* path, int16_t index, uint8_t** out, uint32_t* size = nullptr,
                       FatalBodies fatal = FatalBodies::load);
