// x_session.h: end-to-end test harness: a private virtual X server, a program run in it, and
// real input and screen capture through that server.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "image/rgb_image.h"

#ifndef ORVANE_VIEWER_PATH
#error "ORVANE_VIEWER_PATH must name the viewer binary (link orvane_e2e)"
#endif

struct _XDisplay;

constexpr double startSeconds = 30.0;  // software GL on a busy machine can be slow to start

// A private Xvfb (1024x768x24) on a display number it picks itself; never the machine's own
// display. Stopped in the destructor. ok() is false when it could not start within 10 s.
class XServer {
public:
    XServer();
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    const std::string& display() const { return display_; }  // e.g. ":7"
    bool ok() const { return ok_; }
    // Kills the server at once, as a session that ends under its programs. Programs connected
    // to it must be detached first (ViewerProcess::detach), or their next request ends the test.
    void kill();

private:
    pid_t pid_ = -1;
    std::string display_;
    bool ok_ = false;
};

// Runs a program (by default the viewer) with `args` in `workdir`, with DISPLAY set to the
// server's, its standard output and error captured together. Killed in the destructor if still
// running. Input goes through the X server (XTest), as a user's would.
class ViewerProcess {
public:
    ViewerProcess(const XServer& server, const std::string& workdir, const std::vector<std::string>& args = {},
                  const std::string& exe = ORVANE_VIEWER_PATH);
    ~ViewerProcess();
    ViewerProcess(const ViewerProcess&) = delete;
    ViewerProcess& operator=(const ViewerProcess&) = delete;

    // Waits until a top-level window titled "Orvane model viewer v0.02" exists and is mapped.
    // False on timeout or when the program ended first.
    bool waitForWindow(double seconds);
    int windowWidth() const;
    int windowHeight() const;
    std::string windowTitle() const;

    // Presses and releases one key, named by its X keysym name ("Escape", "space", "d", "Prior",
    // "Next"), with the keyboard focus on the window.
    void pressKey(const char* keysymName);
    // Moves the pointer to (x, y) in window coordinates.
    void movePointer(int x, int y);
    // Asks the window to close as a window manager does (WM_DELETE_WINDOW).
    void requestClose();
    // The window's pixels as the server holds them; an empty image when there is no window.
    RgbImage capture();

    // True once the program has ended (within `seconds`); *status is then its exit status, or
    // 128 + the signal number when a signal ended it.
    bool waitForExit(double seconds, int* status);
    bool running();
    // Sends `signal` to the program.
    void sendSignal(int signal);
    // Drops the harness's own connection to the server without a word to it, so that the server
    // can go away; input and capture are then unavailable.
    void detach();
    std::string output() const;  // standard output and error so far
    // Lets the program run about n frames; the viewer has no frame counter, so this sleeps and
    // round-trips to the server.
    void waitFrames(int n);

private:
    bool reap(bool block);

    _XDisplay* x_ = nullptr;
    unsigned long window_ = 0;
    pid_t pid_ = -1;
    bool exited_ = false;
    int status_ = -1;
    std::string outputPath_;
};
