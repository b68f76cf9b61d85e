// screen_image.cpp: a ready-made picture kept in a texture and put straight onto the window.
#include "render/screen_image.h"

#include <GL/gl.h>  // Required for: the texture and the quad it is drawn on

bool uploadScreenImage(ScreenImage* image, const RgbImage& picture)
{
    const int width = picture.width;
    const int height = picture.height;
    if (width < 1 || height < 1 || width > screenImageRoomWidth || height > screenImageRoomHeight ||
        picture.rgb.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 3)
        return false;
    glPushAttrib(GL_TEXTURE_BIT);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // RGB rows are not whole words
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    bool made = image->texture != 0;
    if (!made) {
        GLuint texture = 0;
        glGenTextures(1, &texture);
        if (texture != 0) {
            glBindTexture(GL_TEXTURE_2D, texture);
            // Nearest texels on a quad laid on the pixel grid: every pixel exactly as painted.
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            // A power-of-two room, as OpenGL 1.x wants; the picture takes its top-left corner.
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, screenImageRoomWidth, screenImageRoomHeight, 0, GL_RGB,
                         GL_UNSIGNED_BYTE, nullptr);
            image->texture = texture;
            made = true;
        }
    }
    if (made) {
        glBindTexture(GL_TEXTURE_2D, image->texture);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, picture.rgb.data());
        image->width = width;
        image->height = height;
    }
    glPopClientAttrib();
    glPopAttrib();
    return made;
}

void drawScreenImage(const ScreenImage& image, int viewWidth, int viewHeight)
{
    if (image.texture == 0 || image.width <= 0 || image.height <= 0) return;

    // Saved and put back one by one: pushing whole attribute groups makes the software
    // rasteriser revalidate far more state, every frame, than the box itself costs.
    const GLboolean depthTest = glIsEnabled(GL_DEPTH_TEST);
    const GLboolean cullFace = glIsEnabled(GL_CULL_FACE);
    const GLboolean blend = glIsEnabled(GL_BLEND);
    GLint polygonMode[2] = {GL_FILL, GL_FILL};
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);  // the picture is opaque: no need to read what lies under it
    if (polygonMode[0] != GL_FILL || polygonMode[1] != GL_FILL) glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    // Nothing else textures anything; the binding and the replace mode may stay.
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, image.texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    // Window pixels, y counted from the bottom.
    glOrtho(0.0, viewWidth, 0.0, viewHeight, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    const float s = static_cast<float>(image.width) / screenImageRoomWidth;
    const float t = static_cast<float>(image.height) / screenImageRoomHeight;
    const float right = static_cast<float>(image.width);
    const float top = static_cast<float>(viewHeight);
    const float bottom = static_cast<float>(viewHeight - image.height);
    // The texture's first row is the picture's top row.
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, t);
    glVertex2f(0.0f, bottom);
    glTexCoord2f(s, t);
    glVertex2f(right, bottom);
    glTexCoord2f(s, 0.0f);
    glVertex2f(right, top);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(0.0f, top);
    glEnd();

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);

    glDisable(GL_TEXTURE_2D);
    if (polygonMode[0] != GL_FILL || polygonMode[1] != GL_FILL) {
        glPolygonMode(GL_FRONT, static_cast<GLenum>(polygonMode[0]));
        glPolygonMode(GL_BACK, static_cast<GLenum>(polygonMode[1]));
    }
    if (blend) glEnable(GL_BLEND);
    if (cullFace) glEnable(GL_CULL_FACE);
    if (depthTest) glEnable(GL_DEPTH_TEST);
}
