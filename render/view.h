// view.h: what a picture depends on besides the body: the view, the wireframe flag and the
// palette. The viewer keeps these in its state; the tool sets them from its options.
#pragma once

#include <cstdint>

#include "image/palette.h"

// The viewer's start values.
inline constexpr float defaultViewZoom = -5.0f;
inline constexpr float defaultViewAngleX = 20.0f;   // degrees
inline constexpr float defaultViewAngleY = -40.0f;  // degrees

struct View {
    float zoom = defaultViewZoom;      // OpenGL translation along z
    float angleX = defaultViewAngleX;  // degrees about x
    float angleY = defaultViewAngleY;  // degrees about y
    bool wireframe = false;            // polygons as outlines, culling off
};
