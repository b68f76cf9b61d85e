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

    // One frame as the viewer's loop runs it; returns the fatal condition met, or "".
    static std::string frame(const std::vector<uint8_t>& body, int32_t autoAngle = 0)
    {
        angleY = autoAngle;
        try {
            runBodyStage(body.data());
        } catch (const BodyFatalThrown& fatal) {
            initPipelineState();  // the process would have ended
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

inline void expectMatrix(const Matrix& m, std::initializer_list<int32_t> elements)
{
    int i = 0;
    for (int32_t v : elements) EXPECT_EQ(m.m[i++], v) << "element " << i - 1;
}
