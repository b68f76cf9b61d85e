// draw_scene.cpp: draws the render list with a view and a palette, in immediate mode.
#include "render/draw_scene.h"

#include <GL/gl.h>   // Required for: the immediate-mode drawing calls
#include <GL/glu.h>  // Required for: the sphere quadric

#include "body/render_records.h"

// Each product is stored as float; a sphere radius is multiplied in double by this same float
// factor.
static const float modelScale = modelToGlScale;

static const uint8_t translucentAlpha = 80;
static const uint8_t opaqueAlpha = 255;

// Made on the first sphere and kept for the life of the process: one object, never leaked.
// Null while none could be made, and then spheres are not drawn.
static GLUquadric* sphereQuadric = nullptr;

// The four bytes glColor4ubv wants for palette index `colour` (its low byte only).
static void setPaletteColour(const Palette& palette, uint16_t colour, uint8_t alpha)
{
    const uint8_t* rgb = palette[colour & 0xFF];
    const GLubyte rgba[4] = {rgb[0], rgb[1], rgb[2], alpha};
    glColor4ubv(rgba);
}

// Sends transformed point `index` scaled to OpenGL units. Indices come from the element pass,
// which keeps them below the table's room; one out of range is skipped, never read.
static void sendPoint(uint16_t index)
{
    if (index >= transformedPointRoom) return;
    const Point16& p = transformedPoints[index];
    const GLfloat v[3] = {static_cast<float>(p.x) * modelScale, static_cast<float>(p.y) * modelScale,
                          static_cast<float>(p.z) * modelScale};
    glVertex3fv(v);
}

static void drawPolygon(const Palette& palette, ConvertedPolygon polygon)
{
    const uint8_t drawType = polygon.drawType();
    const int vertexCount = polygon.vertexCount();

    if (drawType == 7 || drawType == 8) {
        // Smooth: every vertex in its own shaded colour.
        glBegin(GL_POLYGON);
        for (int i = 0; i < vertexCount; ++i) {
            setPaletteColour(palette, polygon.vertexColour(i), opaqueAlpha);
            sendPoint(polygon.point(i));
        }
        glEnd();
        return;
    }

    setPaletteColour(palette, polygon.colour(), drawType == drawTypeTranslucent ? translucentAlpha : opaqueAlpha);
    glBegin(GL_POLYGON);
    for (int i = 0; i < vertexCount; ++i) sendPoint(polygon.point(i));
    glEnd();
}

static void drawLine(const Palette& palette, ConvertedLine line)
{
    setPaletteColour(palette, line.paletteIndex(), opaqueAlpha);
    glBegin(GL_LINES);
    sendPoint(line.first());
    sendPoint(line.second());
    glEnd();
}

static void drawSphere(const Palette& palette, ConvertedSphere sphere)
{
    const int radius = sphere.radius();
    const uint16_t centre = sphere.centre();
    if (centre >= transformedPointRoom) return;

    setPaletteColour(palette, sphere.paletteIndex(), opaqueAlpha);
    // Nothing is drawn as points, so the size never shows; a radius below 1 would only raise
    // GL_INVALID_VALUE, so it is left out then.
    if (radius > 0) glPointSize(static_cast<float>(radius * 0.5));

    const Point16& c = transformedPoints[centre];
    const float x = static_cast<float>(c.x) * modelScale;
    const float y = static_cast<float>(c.y) * modelScale;
    const float z = static_cast<float>(c.z) * modelScale;

    if (sphereQuadric == nullptr) {
        sphereQuadric = gluNewQuadric();
        if (sphereQuadric == nullptr) return;
        // Lighting stays off, so normals would change nothing on screen: none are sent.
        gluQuadricNormals(sphereQuadric, GLU_NONE);
    }
    glPushMatrix();
    glTranslatef(x, y, z);
    gluSphere(sphereQuadric, radius * static_cast<double>(modelScale), 10, 10);
    glPopMatrix();
}

// The view's move and turns onto the current model-view matrix.
static void applyView(const View& view)
{
    glTranslatef(0.0f, -1.5f, view.zoom);
    glRotatef(view.angleX, 1.0f, 0.0f, 0.0f);
    glRotatef(view.angleY, 0.0f, 1.0f, 0.0f);
}

void loadViewMatrix(const View& view)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    applyView(view);
}

void drawScene(const View& view, const Palette& palette)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPushMatrix();
    applyView(view);

    if (view.wireframe) {
        glDisable(GL_CULL_FACE);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    } else {
        glEnable(GL_CULL_FACE);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    }

    const int32_t count = renderEntryCount();
    for (int32_t i = 0; i < count; ++i) {
        const RenderEntry& entry = renderList[i];
        if (entry.record == nullptr) continue;
        switch (entry.kind) {
        case renderKindPolygon:
            drawPolygon(palette, {entry.record});
            break;
        case renderKindLine:
            drawLine(palette, {entry.record});
            break;
        case renderKindSphere:
            drawSphere(palette, {entry.record});
            break;
        default:
            break;  // any other kind draws nothing
        }
    }

    glPopMatrix();
}
