// body_loading.cpp: loads one archive entry as a body that every frame can run safely:
// load, check for preparation, prepare once, check the prepared body as the frames walk it.
#include "body/body_loading.h"

#include <cstdlib>

#include "archive/archive_loader.h"
#include "body/body.h"
#include "body/body_check.h"

Fault loadPreparedBody(const char* path, int16_t index, uint8_t** out, uint32_t* size)
{
    *out = nullptr;
    if (size != nullptr) *size = 0;

    uint8_t* body = nullptr;
    uint32_t bodySize = 0;
    if (const Fault fault = loadArchiveEntry(path, index, &body, &bodySize)) {
        std::free(body);  // null on every failure path of the loader; freeing null is harmless
        return fault;
    }
    Fault fault = checkBodyForPreparation(body, bodySize);
    if (!fault) {
        prepareBody(body);
        fault = checkBodyForFrames(body, bodySize);
    }
    if (fault) {
        std::free(body);
        return fault;
    }
    *out = body;
    if (size != nullptr) *size = bodySize;
    return noFault();
}
