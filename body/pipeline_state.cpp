// pipeline_state.cpp: the body pipeline's process-wide tables and their start-up values.
// The tables keep their contents from frame to frame and from body to body: entries that the
// current body does not rewrite show what an earlier frame or body left there.
#include "body/body.h"

#include <cstring>  // Required for: memset (resetPipelineState)

#include "body/fixed_point.h"

int32_t angleX, angleY, angleZ;
Matrix identityMatrix;
Matrix matrixTable[matrixRoom];
Point16 transformedPoints[transformedPointRoom];
int32_t lightVector[3];
uint16_t shadeTable[shadeRoom];
int32_t shadeCount;
uint8_t elementBuffer[elementBufferBytes];
RenderEntry renderList[renderListRoom];
int32_t renderCount;

void initPipelineState()
{
    lightVector[0] = 0;
    lightVector[1] = 40;
    lightVector[2] = 40;
    angleX = 0;
    angleY = 0;
    angleZ = 0;
    identityMatrix = Matrix{{fixedOne, 0, 0, 0, fixedOne, 0, 0, 0, fixedOne}};
}

void resetPipelineState()
{
    std::memset(matrixTable, 0, sizeof matrixTable);
    std::memset(transformedPoints, 0, sizeof transformedPoints);
    std::memset(shadeTable, 0, sizeof shadeTable);
    std::memset(elementBuffer, 0, sizeof elementBuffer);
    std::memset(renderList, 0, sizeof renderList);
    shadeCount = 0;
    renderCount = 0;
    initPipelineState();
}
