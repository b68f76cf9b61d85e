// gl_state.h: the fixed OpenGL state the frame drawing relies on.
#pragma once

#include <cstdint>

void initGl(int32_t width, int32_t height);
