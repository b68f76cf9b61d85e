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
// volume, or, with back faces culled, when every triangle OpenGL may cut it into faces away
// from the viewer by a clear margin (a polygon near the edge-on position is always sent).
bool polygonHidden(const uint8_t* record);

// A line between two transformed points is hidden when both ends lie beyond one plane of the
// view volume.
bool lineHidden(uint16_t first, uint16_t second);
