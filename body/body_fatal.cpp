// body_fatal.cpp: the fatal body-format conditions: message on standard output, status 1 — or,
// for the tool and the tests, the message handed back from a guarded body stage.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include "body/body.h"

namespace {

// Set while runBodyStageCatchingFatal runs. The passes hold only plain data on the stack, so
// jumping out of them skips no destructor.
std::jmp_buf* fatalLanding = nullptr;
const char* fatalMet = nullptr;

}  // namespace

void bodyFatal(const char* message)
{
    if (fatalLanding != nullptr) {
        fatalMet = message;
        std::longjmp(*fatalLanding, 1);
    }
    std::printf("%s\n", message);
    std::exit(1);
}

const char* runStageCatchingFatal(void (*stage)(const uint8_t* body, const void* context), const uint8_t* body,
                                  const void* context)
{
    std::jmp_buf landing;
    fatalMet = nullptr;
    if (setjmp(landing) == 0) {
        fatalLanding = &landing;
        stage(body, context);
    }
    fatalLanding = nullptr;
    return fatalMet;
}

const char* runBodyStageCatchingFatal(const uint8_t* body)
{
    return runStageCatchingFatal([](const uint8_t* stagedBody, const void*) { runBodyStage(stagedBody); }, body,
                                 nullptr);
}
