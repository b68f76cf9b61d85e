// body_test_support.h: fresh pipeline state, checked and prepared bodies, and a fatal handler
// that unwinds, for the body pipeline's tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "body/body.h"
#include "body/body_check.h"
#include "tool/body_builder.h"

struct BodyFatalThrown {
    std::string message;
};

[[noreturn]] inline void throwBodyFatal(const char* message) { throw BodyFatalThrown{message}; }

// Every test starts from the state of a fresh process, with fatal conditions unwinding.
class BodyPipeline : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::memset(matrixTable, 0, sizeof matrixTable);
        std::memset(transformedPoints, 0, sizeof transformedPoints);
        std::memset(shadeTable, 0, sizeof shadeTable);
        std::memset(elementBuffer, 0, sizeof elementBuffer);
        renderCount = 0;
        shadeCount = 0;
        initPipelineState();
        setBodyFatalHandler(throwBodyFatal);
    }
    void TearDown() override { setBodyFatalHandler(nullptr); }

    // Builds, checks (both walks must pass) and prepares.
    static std::vector<uint8_t> prepared(const BodyBuilder& builder)
    {
        std::vector<uint8_t> body = builder.build();
        EXPECT_EQ(checkBodyForPreparation(body.data(), body.size()), nullptr);
        prepareBody(body.data());
        const char* fault = checkBodyForFrames(body.data(), body.size());
        EXPECT_EQ(fault, nullptr) << fault;
        return body;
    }

    // One frame as the viewer's loop runs it: angle Y takes the auto-rotation angle.
    static void frame(const std::vector<uint8_t>& body, int32_t autoAngle = 0)
    {
        angleY = autoAngle;
        runBodyStage(body.data());
    }

    // The message of the fatal condition one frame meets, or "" when it runs to the end.
    static std::string fatalOf(const std::vector<uint8_t>& body)
    {
        try {
            frame(body);
        } catch (const BodyFatalThrown& fatal) {
            initPipelineState();  // the process would have ended; start the next frame clean
            return fatal.message;
        }
        return "";
    }
};

inline void expectPoint(int index, int16_t x, int16_t y, int16_t z)
{
    EXPECT_EQ(transformedPoints[index].x, x) << "point " << index;
    EXPECT_EQ(transformedPoints[index].y, y) << "point " << index;
    EXPECT_EQ(transformedPoints[index].z, z) << "point " << index;
}
