// draw_cull.cpp: finds the render entries that cannot put a pixel on screen in this frame.
//
// Only sure cases are skipped: a point set wholly beyond one clip plane (by a margin far larger
// than the rounding of OpenGL's own float transform, and two pixels past the view's sides), or
// a polygon all of whose possible triangles face away by more than a pixel's area. Anything near a boundary is sent, so the
// picture is the one OpenGL would make from everything.
#include "render/draw_cull.h"

#include <GL/gl.h>  // Required for: reading back the frame's matrices and viewport

#include "archive/little_endian.h"
#include "body/body.h"

uint8_t skipHiddenEntries = 1;

static const float cullScale = 0.0025f;  // the drawing's model-to-OpenGL scale

// The projection times the model-view, column-major as OpenGL keeps it.
static double clipMatrix[16];
static double halfViewportWidth, halfViewportHeight;
static bool cullBackFaces;

// Per point, computed on first use in a frame: clip coordinates and which planes it lies beyond.
struct ClipPoint {
    double x, y, z, w;
    uint8_t outside;  // bits: x < -w, x > w, y < -w, y > w, z < -w, z > w
};
static ClipPoint clipPoints[transformedPointRoom];
static uint32_t clipStamp[transformedPointRoom];
static uint32_t frameStamp;

static const uint8_t outsideAll = 0x3F;
static const double planeMargin = 1e-3;   // relative to w: far beyond float rounding
static const double minimumW = 1e-3;      // below this the point is at or behind the eye
static const double areaMargin = 1.0;     // square pixels
static const double edgePixels = 2.0;     // how far past the view's sides a point still counts

void beginCullFrame(bool backFacesCulled)
{
    GLfloat modelView[16], projection[16];
    GLint viewport[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += static_cast<double>(projection[k * 4 + row]) * modelView[column * 4 + k];
            clipMatrix[column * 4 + row] = sum;
        }
    }
    halfViewportWidth = viewport[2] * 0.5;
    halfViewportHeight = viewport[3] * 0.5;
    cullBackFaces = backFacesCulled;
    // A new stamp marks every cached point stale; on wrap-around the stamps are cleared.
    if (++frameStamp == 0) {
        for (uint32_t& stamp : clipStamp) stamp = 0;
        frameStamp = 1;
    }
}

static const ClipPoint& clipPoint(uint16_t index)
{
    ClipPoint& c = clipPoints[index];
    if (clipStamp[index] == frameStamp) return c;
    clipStamp[index] = frameStamp;
    const Point16& p = transformedPoints[index];
    // The very floats the drawing sends.
    const double x = static_cast<float>(p.x) * cullScale, y = static_cast<float>(p.y) * cullScale,
                 z = static_cast<float>(p.z) * cullScale;
    const double* m = clipMatrix;
    c.x = m[0] * x + m[4] * y + m[8] * z + m[12];
    c.y = m[1] * x + m[5] * y + m[9] * z + m[13];
    c.z = m[2] * x + m[6] * y + m[10] * z + m[14];
    c.w = m[3] * x + m[7] * y + m[11] * z + m[15];
    // Beside the view, two pixels more: lines (and outlines) reach a little past their ends.
    const double slack = planeMargin * (c.w < 0 ? -c.w : c.w) + planeMargin;
    const double reachX = c.w * (1.0 + edgePixels / halfViewportWidth) + slack;
    const double reachY = c.w * (1.0 + edgePixels / halfViewportHeight) + slack;
    const double reachZ = c.w + slack;
    c.outside = static_cast<uint8_t>((c.x < -reachX) | (c.x > reachX) << 1 | (c.y < -reachY) << 2 | (c.y > reachY) << 3 |
                                     (c.z < -reachZ) << 4 | (c.z > reachZ) << 5);
    if (c.w < minimumW) c.outside = 0;  // behind the eye the planes' tests do not hold
    return c;
}

// Twice the signed area, in square pixels, of the triangle (a, b, c) on screen; positive when
// counter-clockwise (front-facing).
static double doubleArea(const ClipPoint& a, const ClipPoint& b, const ClipPoint& c)
{
    const double ax = a.x / a.w * halfViewportWidth, ay = a.y / a.w * halfViewportHeight;
    const double bx = b.x / b.w * halfViewportWidth, by = b.y / b.w * halfViewportHeight;
    const double cx = c.x / c.w * halfViewportWidth, cy = c.y / c.w * halfViewportHeight;
    return (bx - ax) * (cy - ay) - (cx - ax) * (by - ay);
}

bool polygonHidden(const uint8_t* record)
{
    if (!skipHiddenEntries) return false;
    const int count = record[1];
    if (count == 0) return false;
    const uint8_t* slot = record + polygonHeaderBytes;

    // Up to this many points are examined; a larger polygon is always sent.
    const int examined = 16;
    if (count > examined) return false;
    const ClipPoint* points[examined];
    uint8_t outsideEvery = outsideAll;
    bool allInFront = true;
    for (int i = 0; i < count; ++i, slot += polygonSlotBytes) {
        const uint16_t index = readU16(slot + 2);
        if (index >= transformedPointRoom) return false;
        points[i] = &clipPoint(index);
        outsideEvery &= points[i]->outside;
        allInFront = allInFront && points[i]->w >= minimumW;
    }
    if (outsideEvery != 0) return true;
    if (!cullBackFaces || !allInFront || count < 3) return false;

    // Every triangle of every fan (for up to four points that is every triangle there is) must
    // face away clearly: however OpenGL cuts the polygon, no piece then faces the viewer.
    const int fans = count <= 4 ? count : 1;
    for (int start = 0; start < fans; ++start) {
        for (int i = 1; i + 1 < count; ++i) {
            const ClipPoint& a = *points[start];
            const ClipPoint& b = *points[(start + i) % count];
            const ClipPoint& c = *points[(start + i + 1) % count];
            if (doubleArea(a, b, c) > -2.0 * areaMargin) return false;
        }
    }
    return true;
}

bool lineHidden(uint16_t first, uint16_t second)
{
    if (!skipHiddenEntries || first >= transformedPointRoom || second >= transformedPointRoom) return false;
    return (clipPoint(first).outside & clipPoint(second).outside) != 0;
}
