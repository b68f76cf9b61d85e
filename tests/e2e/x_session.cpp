// x_session.cpp: end-to-end test harness: a private virtual X server, a program run in it, and
// real input and screen capture through that server.
#include "tests/e2e/x_session.h"

// gtest and our headers first: X11 macros (None, Bool, Status) clash with their names.
#include <gtest/gtest.h>  // Required for: ADD_FAILURE when the harness itself cannot do its part

#include "tests/support/scratch_dir.h"  // Required for: readText

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>

#ifndef ORVANE_XVFB_PATH
#define ORVANE_XVFB_PATH "Xvfb"
#endif

namespace {

constexpr const char* viewerTitle = "Orvane model viewer v0.02";

using Clock = std::chrono::steady_clock;

Clock::time_point deadlineAfter(double seconds)
{
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// A window can vanish between two requests (the program just ended); such errors are expected
// and must not end the test process, which is Xlib's default.
void installXErrorHandler()
{
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
}

// Child side of fork: die with the test process, so that no server or program outlives a
// crashed test.
void dieWithParent() { prctl(PR_SET_PDEATHSIG, SIGKILL); }

// Child side of fork: standard input from `in`, standard output and error to `out` (a descriptor
// that failed to open leaves its stream as it was).
void redirectStdio(int in, int out)
{
    dup2(in, 0);
    dup2(out, 1);
    dup2(out, 2);
}

// Ends a child: SIGTERM, then SIGKILL if it lingers past `graceMs`.
void stopChild(pid_t pid, int graceMs)
{
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    for (int waited = 0; waited < graceMs; waited += 10) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        sleepMs(10);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

std::string windowName(Display* x, Window window)
{
    std::string name;
    Atom utf8 = XInternAtom(x, "UTF8_STRING", False);
    Atom netName = XInternAtom(x, "_NET_WM_NAME", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(x, window, netName, 0, 1024, False, utf8, &type, &format, &count, &after, &data) ==
            Success &&
        data != nullptr) {
        if (type == utf8 && format == 8) name.assign(reinterpret_cast<const char*>(data), count);
        XFree(data);
    }
    if (!name.empty()) return name;
    char* fetched = nullptr;
    if (XFetchName(x, window, &fetched) && fetched != nullptr) {
        name = fetched;
        XFree(fetched);
    }
    return name;
}

// Depth-first search below `parent` for a window with the given title (a window manager, if any,
// puts its frames between the root and the program's window).
Window findTitled(Display* x, Window parent, const std::string& title, int depth)
{
    Window root = 0, ignored = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(x, parent, &root, &ignored, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        if (windowName(x, children[i]) == title) found = children[i];
    }
    for (unsigned int i = 0; i < count && found == 0 && depth > 0; ++i) {
        found = findTitled(x, children[i], title, depth - 1);
    }
    if (children) XFree(children);
    return found;
}

// The window's width and height; zeros when there is none.
std::pair<int, int> windowSize(Display* x, Window window)
{
    XWindowAttributes attributes;
    if (x == nullptr || window == 0 || !XGetWindowAttributes(x, window, &attributes)) return {0, 0};
    return {attributes.width, attributes.height};
}

uint8_t channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0) return 0;
    const int shift = __builtin_ctzl(mask);
    return static_cast<uint8_t>(((pixel & mask) >> shift) * 255 / (mask >> shift));
}

}  // namespace

// Input needs the window; a harness asked for it without one fails the test.
bool haveWindow(Display* x, Window window, const std::string& what)
{
    if (x != nullptr && window != 0) return true;
    ADD_FAILURE() << what << " without a window";
    return false;
}

// --- XServer -----------------------------------------------------------------------------------

XServer::XServer()
{
    // Xvfb picks a free display number itself and writes it on this pipe once it accepts
    // connections, so two test processes never race for one number.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe: " << std::strerror(errno);
        return;
    }
    pid_ = fork();
    if (pid_ < 0) {
        ADD_FAILURE() << "fork: " << std::strerror(errno);
        close(fds[0]);
        close(fds[1]);
        return;
    }
    if (pid_ == 0) {
        dieWithParent();
        const int quiet = open("/dev/null", O_RDWR);
        redirectStdio(quiet, quiet);
        fcntl(fds[1], F_SETFD, 0);
        std::string fd = std::to_string(fds[1]);
        execlp(ORVANE_XVFB_PATH, ORVANE_XVFB_PATH, "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
               "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);

    std::string number;
    const auto deadline = deadlineAfter(10.0);
    while (Clock::now() < deadline) {
        pollfd wait{fds[0], POLLIN, 0};
        if (poll(&wait, 1, 100) > 0) {
            char c = 0;
            ssize_t got = read(fds[0], &c, 1);
            if (got <= 0) break;  // Xvfb ended without saying its display
            if (c == '\n') break;
            number += c;
        }
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            break;
        }
    }
    close(fds[0]);
    if (number.empty() || pid_ < 0) {
        ADD_FAILURE() << "Xvfb did not start (" << ORVANE_XVFB_PATH << ")";
        return;
    }
    display_ = ":" + number;
    installXErrorHandler();
    if (Display* probe = XOpenDisplay(display_.c_str())) {
        XCloseDisplay(probe);
        ok_ = true;
    } else {
        ADD_FAILURE() << "cannot connect to Xvfb on " << display_;
    }
}

XServer::~XServer() { stopChild(pid_, 3000); }

void XServer::kill()
{
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    ok_ = false;
}

// --- ViewerProcess -----------------------------------------------------------------------------

ViewerProcess::ViewerProcess(const XServer& server, const std::string& workdir, const std::vector<std::string>& args,
                             const std::string& exe)
{
    installXErrorHandler();
    if (!server.ok()) return;
    x_ = XOpenDisplay(server.display().c_str());
    if (x_ == nullptr) {
        ADD_FAILURE() << "cannot connect to " << server.display();
        return;
    }

    char path[] = "/tmp/orvane-e2e-output-XXXXXX";
    int out = mkstemp(path);
    if (out < 0) {
        ADD_FAILURE() << "mkstemp: " << std::strerror(errno);
        return;
    }
    outputPath_ = path;

    // Made before fork: the child only execs.
    std::vector<char*> argv{const_cast<char*>(exe.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    pid_ = fork();
    if (pid_ < 0) {
        ADD_FAILURE() << "fork: " << std::strerror(errno);
        close(out);
        return;
    }
    if (pid_ == 0) {
        dieWithParent();
        redirectStdio(open("/dev/null", O_RDONLY), out);
        setenv("DISPLAY", server.display().c_str(), 1);
        unsetenv("SDL_VIDEODRIVER");  // a real window, whatever the test's environment says
        if (chdir(workdir.c_str()) != 0) {
            std::fprintf(stderr, "e2e: cannot enter %s\n", workdir.c_str());
            _exit(127);
        }
        execv(exe.c_str(), argv.data());
        std::fprintf(stderr, "e2e: cannot run %s: %s\n", exe.c_str(), std::strerror(errno));
        _exit(127);
    }
    close(out);
}

ViewerProcess::~ViewerProcess()
{
    if (pid_ > 0 && !exited_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (x_ != nullptr) XCloseDisplay(x_);
    if (!outputPath_.empty()) unlink(outputPath_.c_str());
}

bool ViewerProcess::reap(bool block)
{
    if (exited_ || pid_ <= 0) return true;
    int raw = 0;
    pid_t got = waitpid(pid_, &raw, block ? 0 : WNOHANG);
    if (got == pid_) {
        exited_ = true;
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : WIFSIGNALED(raw) ? 128 + WTERMSIG(raw) : -1;
    }
    return exited_;
}

bool ViewerProcess::running() { return pid_ > 0 && !reap(false); }

void ViewerProcess::sendSignal(int signal)
{
    if (pid_ > 0 && !reap(false)) kill(pid_, signal);
}

void ViewerProcess::detach()
{
    // Closing would talk to the server; the connection's memory is left to the process's end.
    x_ = nullptr;
    window_ = 0;
}

bool ViewerProcess::waitForWindow(double seconds)
{
    if (x_ == nullptr) return false;
    const auto deadline = deadlineAfter(seconds);
    while (Clock::now() < deadline) {
        if (!running()) return false;
        Window found = findTitled(x_, DefaultRootWindow(x_), viewerTitle, 3);
        if (found != 0) {
            XWindowAttributes attributes;
            if (XGetWindowAttributes(x_, found, &attributes) && attributes.map_state == IsViewable) {
                window_ = found;
                return true;
            }
        }
        sleepMs(25);
    }
    return false;
}

int ViewerProcess::windowWidth() const { return windowSize(x_, window_).first; }
int ViewerProcess::windowHeight() const { return windowSize(x_, window_).second; }

std::string ViewerProcess::windowTitle() const
{
    return x_ == nullptr || window_ == 0 ? std::string() : windowName(x_, window_);
}

void ViewerProcess::pressKey(const char* keysymName)
{
    if (!haveWindow(x_, window_, std::string("pressKey(") + keysymName + ")")) return;
    KeySym sym = XStringToKeysym(keysymName);
    KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(x_, sym);
    if (code == 0) {
        ADD_FAILURE() << "no key for keysym " << keysymName;
        return;
    }
    // The focus goes to the window as a window manager would give it; without one, keys
    // would follow the pointer.
    XSetInputFocus(x_, window_, RevertToPointerRoot, CurrentTime);
    XTestFakeKeyEvent(x_, code, True, 0);
    XTestFakeKeyEvent(x_, code, False, 0);
    XSync(x_, False);
}

void ViewerProcess::movePointer(int x, int y)
{
    if (!haveWindow(x_, window_, "movePointer")) return;
    int rootX = 0, rootY = 0;
    Window child = 0;
    XTranslateCoordinates(x_, window_, DefaultRootWindow(x_), x, y, &rootX, &rootY, &child);
    XTestFakeMotionEvent(x_, DefaultScreen(x_), rootX, rootY, 0);
    XSync(x_, False);
}

void ViewerProcess::requestClose()
{
    if (!haveWindow(x_, window_, "requestClose")) return;
    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window_;
    event.xclient.message_type = XInternAtom(x_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(x_, window_, False, NoEventMask, &event);
    XSync(x_, False);
}

RgbImage ViewerProcess::capture()
{
    RgbImage image;
    const auto [width, height] = windowSize(x_, window_);
    if (width <= 0 || height <= 0) return image;
    XImage* pixels =
        XGetImage(x_, window_, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (pixels == nullptr) return image;
    image.width = width;
    image.height = height;
    image.rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    size_t at = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned long pixel = XGetPixel(pixels, x, y);
            image.rgb[at++] = channel(pixel, pixels->red_mask);
            image.rgb[at++] = channel(pixel, pixels->green_mask);
            image.rgb[at++] = channel(pixel, pixels->blue_mask);
        }
    }
    XDestroyImage(pixels);
    return image;
}

bool ViewerProcess::waitForExit(double seconds, int* status)
{
    const auto deadline = deadlineAfter(seconds);
    for (;;) {
        if (reap(false)) {
            if (status) *status = status_;
            return true;
        }
        if (Clock::now() >= deadline) return false;
        sleepMs(10);
    }
}

std::string ViewerProcess::output() const { return outputPath_.empty() ? std::string() : readText(outputPath_); }

void ViewerProcess::waitFrames(int n)
{
    // Generous for a software rasteriser on a busy 2-core machine; a round trip first and last
    // makes sure the server has passed on everything sent before.
    if (x_ != nullptr) XSync(x_, False);
    sleepMs(40 * (n > 0 ? n : 1));
    if (x_ != nullptr) XSync(x_, False);
}
