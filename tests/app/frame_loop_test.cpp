// frame_loop_test.cpp: one frame's bookkeeping: auto-rotation, the angle register, no body.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

#include "app/frame_loop.h"
#include "app/viewer_state.h"
#include "body/body.h"
#include "tests/app/shell_fixture.h"

namespace {

using FrameLoop = SdlShellState;

TEST_F(FrameLoop, AutoRotationAdvancesTwoUnitsAFrameWrapsAndFeedsAngleYEveryFrame)
{
    angleX = 11;
    angleZ = 13;
    angleY = 999;
    runFrame();
    EXPECT_EQ(autoAngle, 0);
    EXPECT_EQ(angleY, 0);  // set on every pass, rotation on or off

    autoRotate = 1;
    for (int i = 0; i < 5; ++i) runFrame();
    EXPECT_EQ(autoAngle, 10);
    EXPECT_EQ(angleY, 10);

    // Off: the angle stays where it was, and so does the register.
    autoRotate = 0;
    angleY = -1;
    runFrame();
    EXPECT_EQ(autoAngle, 10);
    EXPECT_EQ(angleY, 10);

    // On again it resumes, wrapping modulo 2^32.
    autoRotate = 1;
    autoAngle = INT32_MAX - 1;
    runFrame();
    EXPECT_EQ(autoAngle, INT32_MIN);
    EXPECT_EQ(angleY, INT32_MIN);
    autoAngle = -2;
    runFrame();
    EXPECT_EQ(autoAngle, 0);

    // The X and Z registers are not the loop's business.
    EXPECT_EQ(angleX, 11);
    EXPECT_EQ(angleZ, 13);
}

TEST_F(FrameLoop, WithNoBodyTheRenderListIsEmptiedAndFramesGoOn)
{
    ASSERT_EQ(currentBody, nullptr);
    renderCount = 42;  // as a previous body might have left it
    for (int i = 0; i < 100; ++i) runFrame();
    EXPECT_EQ(renderCount, 0);
    EXPECT_EQ(currentBody, nullptr);
}

}  // namespace
