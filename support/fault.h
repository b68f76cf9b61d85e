// fault.h: the one way library code says that something failed, and why.
//
// A function that can fail returns a Fault: empty on success, otherwise a short reason in plain
// words ("truncated entry", "bone 3: points outside the point array"). The caller decides what
// to print and whether to stop; library code never prints or exits on its own (the viewer's
// fixed fatal body messages are the one exception, and they keep their own path).
//
//     if (const Fault fault = loadPreparedBody(path, index, &body)) report(fault.reason);
//
// A Fault owns its text (no static buffer, no heap), so it stays valid however long it is kept.
#pragma once

#include <cstddef>

struct [[nodiscard]] Fault {
    static constexpr std::size_t room = 160;  // longer reasons are cut short
    char reason[room] = {};

    // True when something failed.
    explicit operator bool() const { return reason[0] != '\0'; }
};

// The empty fault: success.
inline Fault noFault() { return Fault{}; }

// A fault whose reason is printf-formatted; an empty result still counts as a failure ("failed").
Fault faultOf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The same reason with `context` and ": " before it, e.g. "bone 3: " + "points outside ...".
Fault withContext(const char* context, const Fault& fault);
