// viewer_state.cpp: the viewer's process-wide state and the loading of the current body.
// Placeholder loading until the archive and the body check land.
#include "app/viewer_state.h"

#include <cstdlib>

uint8_t palette[256][3];
uint8_t* currentBody = nullptr;
int32_t modelIndex = 0;
float viewZoom = -5.0f;
float viewAngleX = 20.0f;
float viewAngleY = -40.0f;
uint8_t wireframe = 0;
uint8_t autoRotate = 0;
int32_t autoAngle = 0;

void loadCurrentBody() {}

void releaseCurrentBody()
{
    std::free(currentBody);
    currentBody = nullptr;
}
