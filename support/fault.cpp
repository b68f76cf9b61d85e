// fault.cpp: building the reasons that Fault carries.
#include "support/fault.h"

#include <cstdarg>
#include <cstdio>

Fault faultOf(const char* format, ...)
{
    Fault fault;
    va_list args;
    va_start(args, format);
    std::vsnprintf(fault.reason, sizeof fault.reason, format, args);
    va_end(args);
    if (fault.reason[0] == '\0') std::snprintf(fault.reason, sizeof fault.reason, "failed");
    return fault;
}

Fault withContext(const char* context, const Fault& fault) { return faultOf("%s: %s", context, fault.reason); }
