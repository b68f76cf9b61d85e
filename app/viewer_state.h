// viewer_state.h: the viewer's process-wide state, its fixed file names and caption.
#pragma once

#include <cstdint>

#include "archive/archive_format.h"
#include "render/view.h"
#include "support/fault.h"

inline constexpr const char* paletteFileName = "palette.dmp";
inline constexpr const char* archiveFileName = "body.ZRK";
inline constexpr const char* windowCaption = "Orvane model viewer v0.02";
inline constexpr int windowWidth = 800;
inline constexpr int windowHeight = 600;
inline constexpr int32_t lastModelIndex = viewerLastEntry;

extern Palette palette;
extern uint8_t* currentBody;      // owned here; null while no body can be shown
extern uint32_t currentBodySize;  // its size in bytes; 0 while there is none
extern uint32_t bodyLoads;        // counts every body stored in currentBody, so overlays see a new one
extern Fault currentBodyFault;    // why the current entry cannot be shown; empty while it is
extern int32_t lastPageIndex;     // where Page Up stops: lastModelIndex unless a named archive holds fewer
extern int32_t modelIndex;
extern float viewZoom;
extern float viewAngleX;  // degrees
extern float viewAngleY;  // degrees
extern uint8_t wireframe;
extern uint8_t autoRotate;
extern int32_t autoAngle;  // body angle units; only the low 10 bits matter

// Loads entry `modelIndex` of the archive (viewerOptions.archivePath) into currentBody (which
// must be null) and prepares it. A body that cannot be shown leaves currentBody null, keeps the
// reason in currentBodyFault and prints one line naming the archive, the entry and the reason.
void loadCurrentBody();

// Releases currentBody, leaving it null.
void releaseCurrentBody();
