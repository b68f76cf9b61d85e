// body_loading.cpp: check, prepare once, check the prepared body as the frames walk it; and one
// archive entry loaded that way.
#include "body/body_loading.h"

#include <cstdlib>

#include "archive/archive_loader.h"
#include "body/body.h"
#include "body/body_check.h"

Fault viewerStopsFault(const char* fatalMessage)
{
    return faultOf("the viewer stops at its first frame: \"%s\"", fatalMessage);
}

Fault prepareForFrames(uint8_t* body, size_t size, FatalBodies fatal)
{
    if (const Fault fault = checkBodyForPreparation(body, size)) return fault;
    prepareBody(body);
    const char* fatalMessage = nullptr;
    if (const Fault fault = checkBodyForFrames(body, size, &fatalMessage)) return fault;
    if (fatalMessage != nullptr && fatal == FatalBodies::refuse) return viewerStopsFault(fatalMessage);
    return noFault();
}

Fault loadPreparedBody(const char* path, int16_t index, uint8_t** out, uint32_t* size, FatalBodies fatal)
{
    *out = nullptr;
    if (size != nullptr) *size = 0;

    uint8_t* body = nullptr;
    uint32_t bodySize = 0;
    Fault fault = loadArchiveEntry(path, index, &body, &bodySize);
    if (!fault) fault = prepareForFrames(body, bodySize, fatal);
    if (fault) {
        std::free(body);  // null on every failure path of the loader; freeing null is harmless
        return fault;
    }
    *out = body;
    if (size != nullptr) *size = bodySize;
    return noFault();
}
