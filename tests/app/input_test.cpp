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

// Runs handleKey and returns what it printed on standard error.
std::string pressCapturingErrors(uint32_t code)
{
    ::testing::internal::CaptureStderr();
    handleKey(key(code));
    return ::testing::internal::GetCapturedStderr();
}

using KeyHandling = ShellState;

TEST_F(KeyHandling, EachKeyChangesItsOwnStateOnly)
{
    handleKey(key(SDLK_SPACE));
    EXPECT_EQ(autoRotate, 1);
    handleKey(key(SDLK_SPACE));
    EXPECT_EQ(autoRotate, 0);

    handleKey(key(SDLK_f));
    EXPECT_EQ(wireframe, 1);
    handleKey(key(SDLK_f));
    EXPECT_EQ(wireframe, 0);

    handleKey(key(SDLK_d));
    EXPECT_EQ(viewZoom, -5.5f);
    handleKey(key(SDLK_d));
    EXPECT_EQ(viewZoom, -6.0f);
    handleKey(key(SDLK_e));
    handleKey(key(SDLK_e));
    handleKey(key(SDLK_e));
    EXPECT_EQ(viewZoom, -4.5f);

    // No limit on the zoom, either way; the step rounds to the nearest float.
    viewZoom = 1.0e8f;
    handleKey(key(SDLK_e));
    EXPECT_EQ(viewZoom, 1.0e8f);
    viewZoom = 3.25f;
    for (int i = 0; i < 20; ++i) handleKey(key(SDLK_e));
    EXPECT_EQ(viewZoom, 13.25f);

    // None of these touched the view angles, the entry or the body.
    EXPECT_EQ(viewAngleX, 20.0f);
    EXPECT_EQ(viewAngleY, -40.0f);
    EXPECT_EQ(modelIndex, 0);
    EXPECT_EQ(autoAngle, 0);
}

TEST_F(KeyHandling, KeysOutsideTheTableChangeNothingAndModifiersAreIgnored)
{
    holdSomeBody();
    uint8_t* const body = currentBody;
    modelIndex = 7;

    // Below and above 27..281, unlisted codes inside it, upper-case letters, and codes whose low
    // bits alone would match a command.
    const uint32_t ignored[] = {0, 8, 13, 26, 'D', 'E', 'F', 'a', 'z', 33, 99, 103, 279, 282, 300, 323,
                                280u + 0x10000u, 27u + 0x100u, 32u + 0x10000u, 0xFFFFFFFFu};
    ::testing::internal::CaptureStderr();
    for (uint32_t code : ignored) handleKey(key(code));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(currentBody, body);
    EXPECT_EQ(modelIndex, 7);
    EXPECT_EQ(viewZoom, -5.0f);
    EXPECT_EQ(wireframe, 0);
    EXPECT_EQ(autoRotate, 0);

    // With Shift, Control, Alt and Caps Lock held the commands act exactly as without.
    const uint32_t held = KMOD_LSHIFT | KMOD_RCTRL | KMOD_LALT | KMOD_CAPS | KMOD_NUM;
    handleKey(key(SDLK_d, held));
    EXPECT_EQ(viewZoom, -5.5f);
    handleKey(key(SDLK_f, held));
    EXPECT_EQ(wireframe, 1);
    handleKey(key(SDLK_SPACE, held));
    EXPECT_EQ(autoRotate, 1);
    ::testing::internal::CaptureStderr();
    handleKey(key(SDLK_PAGEUP, held));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("entry 8: "), std::string::npos);
    EXPECT_EQ(modelIndex, 8);
}

TEST_F(KeyHandling, PagingStaysWithinTheEntriesAndReloadsEvenAtEitherEnd)
{
    // In range: the index moves and the new entry is loaded (and here refused: no archive).
    modelIndex = 5;
    holdSomeBody();
    EXPECT_EQ(pressCapturingErrors(SDLK_PAGEUP).rfind("body.ZRK: entry 6: ", 0), 0u);
    EXPECT_EQ(modelIndex, 6);
    EXPECT_EQ(currentBody, nullptr);
    EXPECT_EQ(pressCapturingErrors(SDLK_PAGEDOWN).rfind("body.ZRK: entry 5: ", 0), 0u);
    EXPECT_EQ(modelIndex, 5);

    // At the last entry Page Up keeps the index but still releases and reloads it.
    modelIndex = lastModelIndex;
    holdSomeBody();
    const std::string atTop = pressCapturingErrors(SDLK_PAGEUP);
    EXPECT_EQ(atTop.rfind("body.ZRK: entry 131: ", 0), 0u) << atTop;
    EXPECT_EQ(atTop.find('\n'), atTop.size() - 1) << "one line: " << atTop;
    EXPECT_EQ(modelIndex, 131);
    EXPECT_EQ(currentBody, nullptr);

    // Likewise at entry 0 with Page Down.
    modelIndex = 0;
    holdSomeBody();
    EXPECT_EQ(pressCapturingErrors(SDLK_PAGEDOWN).rfind("body.ZRK: entry 0: ", 0), 0u);
    EXPECT_EQ(modelIndex, 0);
    EXPECT_EQ(currentBody, nullptr);

    // A walk over the whole range never leaves it.
    for (int i = 0; i < 140; ++i) pressCapturingErrors(SDLK_PAGEUP);
    EXPECT_EQ(modelIndex, 131);
    for (int i = 0; i < 140; ++i) pressCapturingErrors(SDLK_PAGEDOWN);
    EXPECT_EQ(modelIndex, 0);
}

TEST_F(KeyHandling, EscapeEndsWithStatusZero)
{
    EXPECT_EXIT(handleKey(key(SDLK_ESCAPE)), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(handleKey(key(SDLK_ESCAPE, KMOD_LSHIFT)), ::testing::ExitedWithCode(0), "");
}

// Events pushed into SDL's own queue, with its video driver that needs no display.
class EventHandling : public ShellState {
protected:
    static void SetUpTestSuite()
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_NE(SDL_SetVideoMode(800, 600, 32, 0), nullptr) << SDL_GetError();
    }
    static void TearDownTestSuite() { SDL_Quit(); }

    void SetUp() override
    {
        ShellState::SetUp();
        SDL_Event stale;
        while (SDL_PollEvent(&stale)) {
        }
    }

    static void push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 0) << SDL_GetError(); }
    static void pushKey(uint8_t type, uint32_t code)
    {
        SDL_Event event{};
        event.type = type;
        event.key.type = type;
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
    pushKey(SDL_KEYUP, SDLK_SPACE);
    pushMotion(640, 480);
    pushKey(SDL_KEYDOWN, SDLK_e);
    SDL_Event other{};
    other.type = SDL_MOUSEBUTTONDOWN;
    other.button.button = SDL_BUTTON_LEFT;
    push(other);  // taken from the queue and ignored

    pollEvents();

    EXPECT_EQ(autoRotate, 1);
    EXPECT_EQ(wireframe, 1);
    EXPECT_EQ(viewZoom, -4.5f);
    EXPECT_EQ(viewAngleY, 640.0f);  // x, absolute, not the relative motion
    EXPECT_EQ(viewAngleX, 480.0f);  // y
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 0);

    // An empty queue changes nothing; the angles keep the last position.
    pollEvents();
    EXPECT_EQ(viewAngleY, 640.0f);
    EXPECT_EQ(viewAngleX, 480.0f);
}

TEST_F(EventHandling, AnglesStartAtTheirStartValuesAndTakeTheFullUnsignedRange)
{
    pollEvents();
    EXPECT_EQ(viewAngleX, 20.0f);
    EXPECT_EQ(viewAngleY, -40.0f);

    pushMotion(0, 0);
    pollEvents();
    EXPECT_EQ(viewAngleY, 0.0f);
    EXPECT_EQ(viewAngleX, 0.0f);

    pushMotion(65535, 40000);
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
    EXPECT_EXIT(
        {
            pushKey(SDL_KEYDOWN, SDLK_ESCAPE);
            pollEvents();
            std::exit(3);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
