// draw_cull.h: finds the render entries that cannot put a pixel on screen in this frame, so the
// drawing need not send them. Skipping them leaves the picture exactly as it would be.
#pragma once

#include <cstdint>

// 1 (the default): drawScene leaves out entries found hidden; 0: it sends everything.
extern uint8_t skipHiddenEntries;

// Takes the view of this frame from OpenGL (model-view, projection, viewport); call once the
// view is set. `backFacesCulled`: whether OpenGL culls back faces in this frame.
void beginCullFrame(bool backFacesCulled);

// A converted polygon record is hidden when all its points lie beyond one plane of the view
// volume, or, with back faces culled, when it faces away from the viewer by a clear margin in
// every triangle it may be cut into: for up to four points every triangle of its points, for
// more the fan from its first point (how Mesa cuts a polygon). A polygon near the edge-on
// position, reaching behind the eye, or of more than 16 points is always sent.
bool polygonHidden(const uint8_t* record);

// A line between two transformed points is hidden when both ends lie beyond one plane of the
// view volume.
bool lineHidden(uint16_t first, uint16_t second);
