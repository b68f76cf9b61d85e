// viewer_state.cpp: the viewer's process-wide state and the loading of the current body.
#include "app/viewer_state.h"

#include <cstdio>   // Required for: the one console line of a body that cannot be shown
#include <cstdlib>  // Required for: std::free

#include "app/body_loading.h"
#include "app/options.h"

uint8_t palette[256][3];
uint8_t* currentBody = nullptr;
uint32_t currentBodySize = 0;
char currentBodyFault[160] = "";
int32_t lastPageIndex = lastModelIndex;
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
    const char* archive = viewerOptions.archivePath.c_str();
    const char* fault = loadPreparedBody(archive, static_cast<int16_t>(modelIndex), &currentBody, &currentBodySize);
    currentBodyFault[0] = '\0';
    if (fault != nullptr) {
        currentBody = nullptr;
        std::snprintf(currentBodyFault, sizeof currentBodyFault, "%s", fault);
        std::fprintf(stderr, "%s: entry %d: %s\n", archive, static_cast<int>(modelIndex), fault);
    }
}

void releaseCurrentBody()
{
    std::free(currentBody);
    currentBody = nullptr;
    currentBodySize = 0;
}
