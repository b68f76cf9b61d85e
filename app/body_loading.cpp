// body_loading.cpp: loads one archive entry as a body that every frame can run safely.
// Placeholder until the archive and the body check land.
#include "app/body_loading.h"

const char* loadPreparedBody(const char*, int16_t, uint8_t** out, uint32_t* size)
{
    *out = nullptr;
    if (size) *size = 0;
    return "not implemented";
}
