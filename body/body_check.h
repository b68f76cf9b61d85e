// body_check.h: refuses, before any frame, a body that would make preparation or a pass
// read or write outside the body buffer or a table.
#pragma once

#include <cstddef>
#include <cstdint>

// Walks the body as prepareBody will. Returns nullptr when it is safe to prepare,
// otherwise a short phrase naming the first fault.
const char* checkBodyForPreparation(const uint8_t* body, size_t size);

// Walks the prepared body exactly as the three passes will, from byte 26. Returns nullptr
// when every frame stays in bounds (a fatal condition met on the way ends the walk: the frame
// stops there too), otherwise a short phrase naming the first fault.
const char* checkBodyForFrames(const uint8_t* body, size_t size);
