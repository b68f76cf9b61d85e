// body_check.h: refuses, before any frame, a body that would make preparation or a pass
// read or write outside the body buffer or a table.
//
// A refused body is never prepared or run. A body that passes both checks can be prepared once
// and then run through any number of frames (runBodyStage) without a single read or write out
// of bounds, whatever the angle registers and the tables hold.
#pragma once

#include <cstddef>
#include <cstdint>

#include "support/fault.h"

// Walks the body as prepareBody will. Empty when it is safe to prepare, otherwise the first
// fault.
Fault checkBodyForPreparation(const uint8_t* body, size_t size);

// Walks the prepared body exactly as the three passes will, from byte 26. Empty when every
// frame stays in bounds (a fatal condition met on the way ends the walk: the frame stops there
// too), otherwise the first fault. When `fatalMessage` is
// non-null it receives the fatal condition's message that every frame of this body meets
// (the frames' path through the body never changes), or nullptr when frames run to the end.
Fault checkBodyForFrames(const uint8_t* body, size_t size, const char** fatalMessage = nullptr);
