// viewer_state.cpp: the viewer's process-wide state and the loading of the current body.
#include "app/viewer_state.h"

#include <cstdio>   // Required for: the one console line of a body that cannot be shown
#include <cstdlib>  // Required for: std::free

#include "app/options.h"
#include "body/body_loading.h"

Palette palette;
uint8_t* currentBody = nullptr;
uint32_t currentBodySize = 0;
uint32_t bodyLoads = 0;
Fault currentBodyFault;
int32_t lastPageIndex = lastModelIndex;
int32_t modelIndex = 0;
float viewZoom = defaultViewZoom;
float viewAngleX = defaultViewAngleX;
float viewAngleY = defaultViewAngleY;
uint8_t wireframe = 0;
uint8_t autoRotate = 0;
int32_t autoAngle = 0;

void loadCurrentBody()
{
    // modelIndex stays within 0..lastModelIndex, so the narrowing keeps its value.
    const char* archive = viewerOptions.archivePath.c_str();
    currentBodyFault = loadPreparedBody(archive, static_cast<int16_t>(modelIndex), &currentBody, &currentBodySize);
    ++bodyLoads;
    if (currentBodyFault) {
        currentBody = nullptr;
        std::fprintf(stderr, "%s: entry %d: %s\n", archive, static_cast<int>(modelIndex), currentBodyFault.reason);
    }
}

void releaseCurrentBody()
{
    std::free(currentBody);
    currentBody = nullptr;
    currentBodySize = 0;
}
