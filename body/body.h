// body.h: the pipeline's process-wide tables and its passes (the stored format itself is in
// body_format.h, its records in body_codec.h).
//
// A body is read in place: points, bones, normals and elements back to back from its data
// section. Points are named by byte offset in the point array (index = offset / 6).
// Fixed point: 16384 stands for 1.0, angles have 1024 units per turn, products and sums wrap
// modulo 2^32 and are shifted right arithmetically by 14 once finished.
#pragma once

#include <cstddef>
#include <cstdint>

#include "body/body_format.h"

// Row-major m00 m01 m02 m10 ... m22, 16384 = 1.0.
struct Matrix {
    int32_t m[9];
};

enum : uint16_t { renderKindLine = 0, renderKindPolygon = 1, renderKindSphere = 2 };

struct RenderEntry {
    uint16_t kind;
    const uint8_t* record;  // the converted record in elementBuffer
};

extern const int16_t sinTable[1024];
extern int32_t angleX, angleY, angleZ;
extern Matrix identityMatrix;
extern Matrix matrixTable[matrixRoom];
extern Point16 transformedPoints[transformedPointRoom];
extern int32_t lightVector[3];
extern uint16_t shadeTable[shadeRoom];
extern int32_t shadeCount;  // entries of shadeTable written by the last shade pass (from 0)
extern uint8_t elementBuffer[elementBufferBytes];
extern RenderEntry renderList[renderListRoom];
extern int32_t renderCount;

// Start-up's share of the pipeline state: light (0, 40, 40), angle registers 0, identity.
void initPipelineState();

// The state of a freshly started process: every table and count zero, then initPipelineState.
// For the tool and tests, which run many bodies in one process but want each from a clean start.
void resetPipelineState();

// sin and cos of an angle of 1024 units per turn, 16384 = 1.0; only the low 10 bits count.
inline int32_t sinOf(int32_t angle) { return sinTable[static_cast<uint32_t>(angle) & 1023u]; }
// A quarter turn ahead; unsigned so that any register value, however large, wraps cleanly.
inline int32_t cosOf(int32_t angle) { return sinTable[(static_cast<uint32_t>(angle) + 256u) & 1023u]; }

// dest = src turned about x by angleX, then about y by angleY (src * Rx * Ry, each stage skipped
// when its angle is 0). A non-zero angleZ is fatal. dest may be src.
void rotateMatrix(Matrix* dest, const Matrix* src);

// Turns `count` stored points (three little-endian i16 each, from `points`) by `matrix`, adds
// `origin` and stores the low 16 bits of each component into out[0 .. count - 1].
void transformPoints(const uint8_t* points, int32_t count, Point16* out, const Matrix* matrix, const int32_t origin[3]);

// One bone: its matrix into `dest` from its parent's (or the identity), its points from the
// point array `pointArray` into transformedPoints. A first point offset that is not a multiple
// of 6 is fatal. The body must have passed checkBodyForFrames.
void processBone(const uint8_t* bone, const uint8_t* pointArray, Matrix* dest);

// Rewrites the parent fields 38*k into 36*k when the flags ask for it. Once per loaded body.
void prepareBody(uint8_t* body);

// The skeleton pass: fills matrixTable and transformedPoints from the data section `data`.
// Returns the normal section; *bones and *boneCount receive the bone table and its count.
const uint8_t* transformSkeleton(const uint8_t* data, const uint8_t** bones, int* boneCount);

// The shade pass: fills shadeTable. Returns the element section.
const uint8_t* computeShades(const uint8_t* normals, const uint8_t* bones, int boneCount);

// The element pass: fills elementBuffer, renderList and renderCount.
void buildElementList(const uint8_t* elements);

// One frame's body stage on a prepared body that passed checkBodyForFrames: the three passes
// from byte 26. The caller sets angleY to the frame's auto-rotation angle first.
void runBodyStage(const uint8_t* body);

// The fatal body-format conditions: prints `message` and a newline on standard output and ends
// the process with status 1, as the viewer must.
[[noreturn]] void bodyFatal(const char* message);

// runBodyStage for callers that must live on (the tool, tests, fuzzing): a fatal condition ends
// the frame where it is met, as in the viewer, but its message is returned instead of printed
// and the process goes on. nullptr when the frame ran to the end.
const char* runBodyStageCatchingFatal(const uint8_t* body);
// The same for another stage over the body: stage(body, context), a fatal condition caught.
// The stage must hold only plain data on the stack (nothing to destroy when a fatal jumps out).
const char* runStageCatchingFatal(void (*stage)(const uint8_t* body, const void* context), const uint8_t* body,
                                  const void* context);
