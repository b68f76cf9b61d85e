// body_test_support.h: fresh pipeline state, checked and prepared bodies, and frames whose
// fatal conditions come back as messages, for the body pipeline's tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "body/body.h"
#include "body/body_check.h"
#include "body/body_builder.h"

// Every test starts from the state of a fresh process.
class BodyPipeline : public ::testing::Test {
protected:
    void SetUp() override { resetPipelineState(); }

    // Builds, checks (both walks must pass) and prepares.
    static std::vector<uint8_t> prepared(const BodyBuilder& builder)
    {
        std::vector<uint8_t> body = builder.build();
        const Fault unprepared = checkBodyForPreparation(body.data(), body.size());
        EXPECT_FALSE(unprepared) << unprepared.reason;
        prepareBody(body.data());
        const Fault fault = checkBodyForFrames(body.data(), body.size());
        EXPECT_FALSE(fault) << fault.reason;
        return body;
    }

    // One frame as the viewer's loop runs it; returns the fatal condition met, or "".
    static std::string frame(const std::vector<uint8_t>& body, int32_t autoAngle = 0)
    {
        angleY = autoAngle;
        if (const char* fatal = runBodyStageCatchingFatal(body.data())) {
            initPipelineState();  // the process would have ended
            return fatal;
        }
        return "";
    }
};

// A body of one root bone that moves no points; tests add the records they look at.
inline BodyBuilder rootOnly()
{
    BodyBuilder b;
    b.addBone(0, 0, 0, -1);
    return b;
}

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
