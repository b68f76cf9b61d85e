// input_test.cpp: the key commands and the draining of SDL's event queue.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/input.h"
#include "app/viewer_state.h"
#include "tests/app/shell_fixture.h"

namespace {

SDL_keysym key(uint32_t code, uint32_t modifiers = KMOD_NONE)
{
    SDL_keysym keysym{};
    keysym.sym = static_cast<SDLKey>(code);
    keysym.mod = static_cast<SDLMod>(modifiers);
    return keysym;
}

// Presses the key `times` times and returns what was printed on standard error.
std::string press(uint32_t code, int times = 1, uint32_t modifiers = KMOD_NONE)
{
    ::testing::internal::CaptureStderr();
    for (int i = 0; i < times; ++i) handleKey(key(code, modifiers));
    return ::testing::internal::GetCapturedStderr();
}

using KeyHandling = ShellState;

TEST_F(KeyHandling, EachKeyChangesItsOwnStateOnlyWhateverModifiersAreHeld)
{
    for (uint32_t held : {unsigned(KMOD_NONE), unsigned(KMOD_LSHIFT | KMOD_RCTRL | KMOD_LALT | KMOD_CAPS | KMOD_NUM)}) {
        viewZoom = -5.0f;
        modelIndex = 0;
        press(SDLK_SPACE, 1, held);
        EXPECT_EQ(autoRotate, 1);
        press(SDLK_f, 1, held);
        EXPECT_EQ(wireframe, 1);
        press(SDLK_d, 2, held);
        EXPECT_EQ(viewZoom, -6.0f);
        press(SDLK_e, 3, held);
        EXPECT_EQ(viewZoom, -4.5f);
        press(SDLK_SPACE, 1, held);
        press(SDLK_f, 1, held);
        EXPECT_EQ(autoRotate, 0);
        EXPECT_EQ(wireframe, 0);
        // None of these touched the view angles, the entry or the body.
        EXPECT_EQ(viewAngleX, 20.0f);
        EXPECT_EQ(viewAngleY, -40.0f);
        EXPECT_EQ(modelIndex, 0);
        EXPECT_EQ(autoAngle, 0);
        EXPECT_EQ(press(SDLK_PAGEUP, 1, held).rfind("body.ZRK: entry 1: ", 0), 0u);
        EXPECT_EQ(modelIndex, 1);
    }
}

TEST_F(KeyHandling, ZoomHasNoLimitAndStepsRoundToTheNearestFloat)
{
    viewZoom = 1.0e8f;
    press(SDLK_e);
    EXPECT_EQ(viewZoom, 1.0e8f);
    viewZoom = 3.25f;
    press(SDLK_e, 20);
    EXPECT_EQ(viewZoom, 13.25f);
}

TEST_F(KeyHandling, KeysOutsideTheTableChangeNothing)
{
    holdSomeBody();
    uint8_t* const body = currentBody;
    modelIndex = 7;
    // Below and above 27..281, unlisted codes inside it, upper-case letters, and codes whose low
    // byte alone would match a command (kept within the key type's values, 0 to 511).
    const uint32_t ignored[] = {0,  13,  26,  'D', 'E',          'F',          'a',           33,
                                99, 279, 282, 323, 27u + 0x100u, 32u + 0x100u, 100u + 0x100u, 511u};
    std::string printed;
    for (uint32_t code : ignored) printed += press(code);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(currentBody, body);
    EXPECT_EQ(modelIndex, 7);
    EXPECT_EQ(viewZoom, -5.0f);
    EXPECT_EQ(wireframe, 0);
    EXPECT_EQ(autoRotate, 0);
}

TEST_F(KeyHandling, PagingStaysWithinTheEntriesAndReloadsEvenAtEitherEnd)
{
    // Each press releases the body and reloads (here refused with one line: no archive).
    modelIndex = 5;
    holdSomeBody();
    EXPECT_EQ(press(SDLK_PAGEDOWN).rfind("body.ZRK: entry 4: ", 0), 0u);
    EXPECT_EQ(currentBody, nullptr);

    modelIndex = lastModelIndex;
    holdSomeBody();
    const std::string atTop = press(SDLK_PAGEUP);
    EXPECT_EQ(atTop.rfind("body.ZRK: entry 131: ", 0), 0u) << atTop;
    EXPECT_EQ(atTop.find('\n'), atTop.size() - 1) << "one line: " << atTop;
    EXPECT_EQ(modelIndex, 131);
    EXPECT_EQ(currentBody, nullptr);

    modelIndex = 0;
    holdSomeBody();
    EXPECT_EQ(press(SDLK_PAGEDOWN).rfind("body.ZRK: entry 0: ", 0), 0u);
    EXPECT_EQ(modelIndex, 0);
    EXPECT_EQ(currentBody, nullptr);
}

// Events pushed into SDL's own queue.
class EventHandling : public SdlShellState {
protected:
    static void push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 0) << SDL_GetError(); }
    static void pushKey(uint8_t type, uint32_t code)
    {
        SDL_Event event{};
        event.type = event.key.type = type;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym = key(code);
        push(event);
    }
    static void pushMotion(uint16_t x, uint16_t y)
    {
        SDL_Event event{};
        event.type = SDL_MOUSEMOTION;
        event.motion.x = x;
        event.motion.y = y;
        event.motion.xrel = 5;
        event.motion.yrel = -5;
        push(event);
    }
};

TEST_F(EventHandling, OneCallDrainsEveryQueuedEventAndTheLastMotionSetsTheAngles)
{
    pushKey(SDL_KEYDOWN, SDLK_SPACE);
    pushMotion(10, 20);
    pushKey(SDL_KEYDOWN, SDLK_f);
    pushKey(SDL_KEYUP, SDLK_f);  // releases do nothing
    pushMotion(65535, 40000);    // the full unsigned range
    pushKey(SDL_KEYDOWN, SDLK_e);
    SDL_Event other{};
    other.type = SDL_MOUSEBUTTONDOWN;
    other.button.button = SDL_BUTTON_LEFT;
    push(other);  // taken from the queue and ignored

    pollEvents();
    EXPECT_EQ(autoRotate, 1);
    EXPECT_EQ(wireframe, 1);
    EXPECT_EQ(viewZoom, -4.5f);
    EXPECT_EQ(viewAngleY, 65535.0f);  // x, absolute, not the relative motion
    EXPECT_EQ(viewAngleX, 40000.0f);  // y
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 0);

    // An empty queue changes nothing; the angles keep the last position.
    pollEvents();
    EXPECT_EQ(viewAngleY, 65535.0f);
    EXPECT_EQ(viewAngleX, 40000.0f);
}

TEST_F(EventHandling, QuitAndEscapeEndWithStatusZero)
{
    EXPECT_EXIT(
        {
            SDL_Event quit{};
            quit.type = SDL_QUIT;
            SDL_PushEvent(&quit);
            pollEvents();
            std::exit(3);  // not reached when the quit event ends the process
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(handleKey(key(SDLK_ESCAPE, KMOD_LSHIFT)), ::testing::ExitedWithCode(0), "");
}

}  // namespace
