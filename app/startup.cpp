// startup.cpp: the viewer's start-up sequence, from SDL to the OpenGL state.
#include "app/startup.h"

#include <SDL.h>    // Required for: SDL_Init, SDL_SetVideoMode, SDL_WM_SetCaption
#include <cstdio>   // Required for: the palette file and the console messages
#include <cstdlib>  // Required for: std::atexit, std::exit

#include "app/options.h"
#include "app/viewer_state.h"
#include "body/body.h"
#include "render/gl_state.h"
#include "image/palette_file.h"

namespace {

constexpr uint32_t initEverything = 0xFFFF;
constexpr int colourDepth = 32;

void quitSdlAtExit() { SDL_Quit(); }

}  // namespace

void startUp()
{
    if (SDL_Init(initEverything) < 0) {
        std::fprintf(stderr, "Couldn't initialize SDL: %s\n", SDL_GetError());
        std::exit(1);
    }
    std::atexit(quitSdlAtExit);

    if (SDL_SetVideoMode(windowWidth, windowHeight, colourDepth, SDL_OPENGL) == nullptr) {
        std::fprintf(stderr, "Video mode set failed: %s\n", SDL_GetError());
    }
    SDL_WM_SetCaption(windowCaption, windowCaption);

    if (readPalette(viewerOptions.palettePath.c_str(), palette)) {
        std::printf("Impossible to load %s!\n", viewerOptions.palettePath.c_str());
        std::exit(1);
    }

    initPipelineState();
    autoRotate = 0;
    wireframe = 0;

    modelIndex = viewerOptions.startEntry;
    loadCurrentBody();

    initGl(windowWidth, windowHeight);
}
