// body_diff.h: what differs between two bodies, in words: points moved, bones with other
// angles, elements added, removed or recoloured, other fields.
#pragma once

#include <string>

#include "archive/stored_entries.h"

// The words for two bodies' unpacked bytes that differ, decoded as the frames read them, e.g.
// "12 points moved, 1 bone with other angles, 3 polygons added, other fields (normals)". Bytes
// that cannot be read as a body give "other fields".
std::string describeBodyChange(ByteSpan before, ByteSpan after);
