// viewer_state.cpp: the viewer's process-wide state and the loading of the current body.
#include "app/viewer_state.h"

#include <cstdio>   // Required for: the one console line of a body that cannot be shown
#include <cstdlib>  // Required for: std::free

#include "body/body_loading.h"

Palette palette;
uint8_t* currentBody = nullptr;
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
    if (const Fault fault = loadPreparedBody(archiveFileName, static_cast<int16_t>(modelIndex), &currentBody)) {
        currentBody = nullptr;
        std::fprintf(stderr, "%s: entry %d: %s\n", archiveFileName, static_cast<int>(modelIndex), fault.reason);
    }
}

void releaseCurrentBody()
{
    std::free(currentBody);
    currentBody = nullptr;
}
