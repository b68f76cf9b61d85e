// input.cpp: the viewer's keyboard and mouse handling, run between two frames.
#include "app/input.h"

#include <cstdlib>  // Required for: std::exit

#include "app/viewer_state.h"

namespace {

// The SDL 1.2 codes the viewer answers to; anything outside 27..281 is never looked at.
constexpr uint32_t keyEscape = 27;
constexpr uint32_t keySpace = 32;
constexpr uint32_t keyD = 100;
constexpr uint32_t keyE = 101;
constexpr uint32_t keyF = 102;
constexpr uint32_t keyPageUp = 280;
constexpr uint32_t keyPageDown = 281;

constexpr uint8_t eventKeyDown = 2;
constexpr uint8_t eventMouseMotion = 4;
constexpr uint8_t eventQuit = 12;

static_assert(SDLK_ESCAPE == keyEscape && SDLK_SPACE == keySpace && SDLK_d == keyD && SDLK_e == keyE &&
              SDLK_f == keyF && SDLK_PAGEUP == keyPageUp && SDLK_PAGEDOWN == keyPageDown);
static_assert(SDL_KEYDOWN == eventKeyDown && SDL_MOUSEMOTION == eventMouseMotion && SDL_QUIT == eventQuit);

// The zoom step is taken in double and stored back as float, so repeated steps round the
// same way on every machine.
void stepZoom(double step) { viewZoom = static_cast<float>(static_cast<double>(viewZoom) + step); }

void reloadBody()
{
    releaseCurrentBody();
    loadCurrentBody();
}

}  // namespace

void handleKey(SDL_keysym keysym)
{
    const uint32_t code = static_cast<uint32_t>(keysym.sym);
    if (code < keyEscape || code > keyPageDown) return;

    switch (code) {
    case keyEscape:
        std::exit(0);
    case keySpace:
        autoRotate = autoRotate ? 0 : 1;
        break;
    case keyD:
        stepZoom(-0.5);
        break;
    case keyE:
        stepZoom(0.5);
        break;
    case keyF:
        wireframe = wireframe ? 0 : 1;
        break;
    case keyPageUp:
        if (modelIndex < lastPageIndex) modelIndex += 1;
        reloadBody();
        break;
    case keyPageDown:
        if (modelIndex > 0) modelIndex -= 1;
        reloadBody();
        break;
    default:
        break;
    }
}

void pollEvents()
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case eventKeyDown:
            handleKey(event.key.keysym);
            break;
        case eventMouseMotion:
            // Absolute window position in pixels, read as degrees.
            viewAngleY = static_cast<float>(event.motion.x);
            viewAngleX = static_cast<float>(event.motion.y);
            break;
        case eventQuit:
            std::exit(0);
        default:
            break;
        }
    }
}
