// process_guard.cpp: how the viewer process ends when its surroundings fail.
#include "app/process_guard.h"

#include <X11/Xlib.h>  // Required for: XSetIOErrorHandler (a lost display connection)
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <initializer_list>

namespace {

// Only async-signal-safe calls from here on: these run inside Xlib or a signal handler.
void say(const char* text, size_t length) { (void)!write(STDERR_FILENO, text, length); }

int onDisplayLost(Display*)
{
    static const char message[] = "orvane-viewer: the display connection was lost\n";
    say(message, sizeof message - 1);
    _exit(1);
}

struct sigaction previousInterrupt, previousTerminate;

void onStopSignal(int signal);

void install(int signal, void (*handler)(int), struct sigaction* previous)
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, previous);
}

void onStopTaking(const struct sigaction& previous, int signal)
{
    // SDL turns the signal into a quit event, which the next frame handles as a close request
    // (status 0); without SDL's handler, end here, also with status 0.
    if ((previous.sa_flags & SA_SIGINFO) == 0 && previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(signal);
        install(signal, onStopSignal, nullptr);  // SDL's handler puts itself back in place
        alarm(2);                                // a frame that never comes back must not keep the process alive
    } else {
        _exit(0);
    }
}

void onStopSignal(int signal) { onStopTaking(signal == SIGINT ? previousInterrupt : previousTerminate, signal); }

void onStopTimeout(int)
{
    static const char message[] = "orvane-viewer: did not stop within 2 s of the signal; ending now\n";
    say(message, sizeof message - 1);
    _exit(1);
}

}  // namespace

bool displayAvailable()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') return true;
    }
    return false;
}

void guardProcess()
{
    XSetIOErrorHandler(onDisplayLost);
    install(SIGINT, onStopSignal, &previousInterrupt);
    install(SIGTERM, onStopSignal, &previousTerminate);
    install(SIGALRM, onStopTimeout, nullptr);
}
