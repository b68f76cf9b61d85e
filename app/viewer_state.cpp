// viewer_state.cpp: the viewer's process-wide state and the loading of the current body.
#include "app/viewer_state.h"

#include <cstdio>   // Required for: the one console line of a body that cannot be shown
#include <cstdlib>  // Required for: std::free

#include "app/body_loading.h"

uint8_t palette[256][3];
uint8_t* currentBody = nullptr;
int32_t modelIndex = 0;
float viewZoom = -5.0f;
float viewAngleX = 20.0f;
float viewAngleY = -40.0f;
uint8_t wireframe = 0;
uint8_t autoRotate = 0;
int32_t autoAngle = 0;

void loadCurrentBody()
{
    // modelIndex stays within 0..lastModelIndex, so the narrowing keeps its value.
    const char* fault = loadPreparedBody(archiveFileName, static_cast<int16_t>(modelIndex), &currentBody);
    if (fault != nullptr) {
        currentBody = nullptr;
        std::fprintf(stderr, "%s: entry %d: %s\n", archiveFileName, static_cast<int>(modelIndex), fault);
    }
}

void releaseCurrentBody()
{
    std::free(currentBody);
    currentBody = nullptr;
}
