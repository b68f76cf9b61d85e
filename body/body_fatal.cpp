// body_fatal.cpp: the fatal body-format conditions: message on standard output, status 1.
#include <cstdio>
#include <cstdlib>

#include "body/body.h"

namespace {
BodyFatalHandler fatalHandler = nullptr;
}

void setBodyFatalHandler(BodyFatalHandler handler) { fatalHandler = handler; }

void bodyFatal(const char* message)
{
    if (fatalHandler != nullptr) {
        fatalHandler(message);
    }
    std::printf("%s\n", message);
    std::exit(1);  // also the fallback should an installed handler return
}
