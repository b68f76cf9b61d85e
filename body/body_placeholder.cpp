// body_placeholder.cpp: stands in for the body pipeline until it lands.
#include <cstdio>
#include <cstdlib>

#include "body/body.h"
#include "body/body_check.h"

const int16_t sinTable[1024] = {};
int32_t angleX, angleY, angleZ;
Matrix identityMatrix;
Matrix matrixTable[matrixRoom];
Point16 transformedPoints[transformedPointRoom];
int32_t lightVector[3];
uint16_t shadeTable[shadeRoom];
uint8_t elementBuffer[elementBufferBytes];
RenderEntry renderList[renderListRoom];
int32_t renderCount;

void initPipelineState() {}
void prepareBody(uint8_t*) {}
void runBodyStage(const uint8_t*) { renderCount = 0; }
void setBodyFatalHandler(BodyFatalHandler) {}
void bodyFatal(const char* message)
{
    std::printf("%s\n", message);
    std::exit(1);
}
const char* checkBodyForPreparation(const uint8_t*, size_t) { return "not implemented"; }
const char* checkBodyForFrames(const uint8_t*, size_t) { return "not implemented"; }
