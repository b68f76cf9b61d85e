// watch.h: --watch: the current entry reloaded when the archive changes on disk.
#pragma once

#include <cstdint>

// How often the archive is looked at, and how long a change must rest before it is read: a
// file still being written is left alone until it stops changing.
inline constexpr uint32_t watchPollMilliseconds = 200;

// Called once a frame with the time in milliseconds (any clock that counts up). At most every
// watchPollMilliseconds it looks at the archive's size, modification time and file identity;
// once a change has been seen on two looks in a row, it reloads entry modelIndex. A good entry
// replaces the current body (the view, the index and the auto-rotation angle stay); one that
// cannot be shown prints its one line and the current body stays, until a good one arrives.
// The first call only takes note of the archive as it is.
void pollArchiveWatch(uint32_t nowMilliseconds);

// Forgets what the archive looked like; the next poll takes note afresh (for tests).
void resetArchiveWatch();
