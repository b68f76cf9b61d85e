// bone_origins.h: where each bone's origin lies after a frame's skeleton pass, and the body's
// point and bone counts, for showing a skeleton and a body's size.
#pragma once

#include <cstddef>
#include <cstdint>

#include "body/body.h"

struct BoneOrigin {
    Point16 origin;   // in model units, as the frame placed it: (0, 0, 0) for a bone without parent
    int32_t parent;   // the parent bone's index, or -1 (no parent, or a field naming no bone of the body)
    bool processed;   // the frame placed this bone: the root and every rotation bone; others are skipped
};

// Reads the bone table of a prepared body (its frame data at byte 26) and, from the tables the
// last body stage on it left, each bone's origin: (0, 0, 0) when its parent field is -1, else its
// placed base point, as processBone takes it. Writes at most `room` bones to `out` and returns
// how many it wrote; 0 when the body has no readable bone table. Every read is bounded by `size`.
int32_t collectBoneOrigins(const uint8_t* body, size_t size, BoneOrigin* out, int32_t room);

// The point and bone counts of a body's frame data (from byte 26); false when they lie outside
// its `size` bytes.
bool readBodyCounts(const uint8_t* body, size_t size, int32_t* points, int32_t* bones);
