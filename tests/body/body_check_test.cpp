// body_check_test.cpp: what the checks refuse before any frame, and what they let through.
#include <functional>
#include <string>

#include "support/little_endian.h"
#include "body_test_support.h"

namespace {

BodyBuilder basic()
{
    BodyBuilder b;
    b.addPoint(0, 0, 0);
    b.addPoint(6, 0, 0);
    b.addPoint(0, 6, 0);
    b.addBone(0, 2, 0, -1);
    b.addBone(2, 1, 1, 0, 0, 64);
    b.addNormal(0, 0, 100, 400);
    b.addVertexShadedPolygon(9, 3, {{0, 0}, {0, 1}, {0, 2}});
    b.addLine(1, 0, 2);
    b.addSphere(2, 10, 1);
    return b;
}

// The first fault of both walks ("" when accepted); *fatal gets the fatal condition predicted.
std::string checkFault(std::vector<uint8_t> body, std::string* fatal = nullptr)
{
    if (const Fault fault = checkBodyForPreparation(body.data(), body.size())) return fault.reason;
    prepareBody(body.data());
    const char* message = nullptr;
    const Fault fault = checkBodyForFrames(body.data(), body.size(), &message);
    if (fatal != nullptr) *fatal = message ? message : "";
    return fault.reason;
}

std::string checkFault(const std::function<void(BodyBuilder&)>& change, std::string* fatal = nullptr)
{
    BodyBuilder b = basic();
    change(b);
    return checkFault(b.build(), fatal);
}

}  // namespace

TEST(BodyCheck, RefusesSectionsPastTheBuffer)
{
    const std::vector<uint8_t> whole = basic().build();
    ASSERT_EQ(checkFault(whole), "");
    // Every proper prefix is refused, without a read past its end (the fuzz build would see one).
    for (size_t size = 0; size < whole.size(); ++size) {
        EXPECT_NE(checkFault(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(size))), "") << size;
    }
    EXPECT_EQ(checkFault(std::vector<uint8_t>(whole.begin(), whole.end() - 1)),
              "sphere section past the end of the body");
    std::vector<uint8_t> body = whole;
    writeU16(&body[bodyExtensionSizeOffset], static_cast<uint16_t>(-17));
    EXPECT_EQ(checkFault(body), "header extension size -17 puts the data section outside the body");
}

TEST(BodyCheck, RefusesWhatWouldLeaveATable)
{
    const std::pair<std::function<void(BodyBuilder&)>, const char*> cases[] = {
        {[](BodyBuilder& b) { b.pointCountOverride = -1; }, "point count -1 is negative"},
        {[](BodyBuilder& b) { b.points.resize(8001); }, "8001 points: more than the point table holds (8000)"},
        {[](BodyBuilder& b) { b.boneCountOverride = 0; }, "bone count 0: a body needs at least its root bone"},
        {[](BodyBuilder& b) { b.flags = 0, b.bones.resize(5556); },
         "5556 bones: more than the matrix table holds (5555)"},
        {[](BodyBuilder& b) { b.bones[1].pointCount = 2; }, "bone 1: points outside the point array"},
        {[](BodyBuilder& b) { b.bones[0].firstPoint = -6; }, "bone 0: points outside the point array"},
        {[](BodyBuilder& b) { b.bones[1].basePoint = -7; }, "bone 1: base point offset -7 outside the point table"},
        {[](BodyBuilder& b) { b.flags = 0, b.bones[1].parent = 38; }, "bone 1: parent 38 is not a multiple of 36"},
        {[](BodyBuilder& b) { b.flags = 0, b.bones[0].parent = -36; }, "bone 0: parent -36 outside the matrix table"},
        {[](BodyBuilder& b) {
             for (int i = 0; i < 500; ++i) b.addNormal(0, 0, 1, 1);
         },
         "501 normals: more than the shade table holds (500)"},
        {[](BodyBuilder& b) { b.polygonCountOverride = -1; }, "polygon count -1 is negative"},
        {[](BodyBuilder& b) { b.lineCountOverride = -32768; }, "line count -32768 is negative"},
        {[](BodyBuilder& b) { b.sphereCountOverride = -1; }, "sphere count -1 is negative"},
        {[](BodyBuilder& b) {
             b.addVertexShadedPolygon(9, 3, {{0, 0}, {500, 1}});
         },
         "polygon 1: normal 500 outside the shade table"},
        {[](BodyBuilder& b) { b.addShadedPolygon(7, 3, -1, {0}); }, "polygon 1: normal -1 outside the shade table"},
        {[](BodyBuilder& b) {
             b.addPolygon(2, 3, {0, 8000});
         },
         "polygon 1: point offset 48000 outside the point table"},
        {[](BodyBuilder& b) { b.addShadedPolygon(8, 3, 0, {-1}); },
         "polygon 1: point offset -6 outside the point table"},
        {[](BodyBuilder& b) { b.addLine(1, 0, -2); }, "line 1: point offset -12 outside the point table"},
        {[](BodyBuilder& b) { b.addSphere(1, 5, 9000); }, "sphere 1: centre offset -11536 outside the point table"},
        {[](BodyBuilder& b) {
             for (int i = 0; i < 489; ++i) b.addPolygon(2, 1, std::vector<int>(255, 0));
         },
         "element buffer would overflow"},  // 489 records of 4 + 4 * 255 bytes
        {[](BodyBuilder& b) {
             for (int i = 0; i < 4998; ++i) b.addLine(1, 0, 1);
         },
         "render list would overflow"},
    };
    for (const auto& [change, expected] : cases) EXPECT_EQ(checkFault(change), expected);
    EXPECT_EQ(checkFault([](BodyBuilder& b) {
                  for (int i = 0; i < 4997; ++i) b.addLine(1, 0, 1);
              }),
              "");  // exactly 5,000
}

TEST(BodyCheck, FatalConditionsAreTheFramesAndEndTheWalk)
{
    std::string fatal;
    EXPECT_EQ(checkFault(
                  [](BodyBuilder& b) {
                      b.bones[1].type = boneTypeUnsupported;
                      b.bones[1].basePoint = -600;     // never reached
                      b.bones[1].normalCount = 30000;  // nor are the normals
                  },
                  &fatal),
              "");
    EXPECT_EQ(fatal, fatalBoneTypeMessage);
    // The angle ends the frame before the points would overrun, not before the base point is read.
    EXPECT_EQ(checkFault([](BodyBuilder& b) { b.bones[1].angleZ = 1, b.bones[1].pointCount = 100; }, &fatal), "");
    EXPECT_EQ(fatal, fatalAngleZMessage);
    EXPECT_EQ(checkFault([](BodyBuilder& b) { b.bones[1].angleZ = 1, b.bones[1].basePoint = -60; }),
              "bone 1: base point offset -60 outside the point table");
    EXPECT_EQ(checkFault([](BodyBuilder& b) { b.bones[0].firstPoint = 1, b.bones[0].pointCount = 9000; }, &fatal), "");
    EXPECT_EQ(fatal, fatalFirstPointMessage);
    // A bad point reference would only hurt the drawing, which a fatal line end never reaches.
    EXPECT_EQ(checkFault(
                  [](BodyBuilder& b) { b.addPolygon(2, 3, {9000}), b.addRawLine(0, 0, 7), b.sphereCountOverride = -1; },
                  &fatal),
              "");
    EXPECT_EQ(fatal, fatalLineEndMessage);
}

TEST_F(BodyPipeline, OddButSafeBodiesAreAcceptedAndRun)
{
    BodyBuilder b = basic();
    b.addBone(1, 1, 0, 3);                        // bone 2's parent comes later
    b.addBone(0, 0, 0, 3);                        // bone 3 names its own slot
    b.addBone(0, -4, 0, 0);                       // a negative point count moves no points...
    b.bones[4].firstPoint = -30000;               // ...so its first offset names nothing
    b.bones[4].normalCount = -3;                  // announces no records
    b.addLine(1, 0, 5461);                        // beyond the body's points, inside the table
    b.addVertexShadedPolygon(10, 0, {{499, 0}});  // beyond the body's normals, inside the table
    b.addRawSphere(0, 0, -5);                     // -5 / 6 truncates to point 0
    std::string fatal;
    EXPECT_EQ(checkFault(b.build(), &fatal), "");
    EXPECT_EQ(fatal, "");
    const std::vector<uint8_t> body = prepared(b);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(frame(body), "");
    EXPECT_EQ(renderCount, 6);

    // The fatal condition the check predicts is the one the frame meets.
    b.addRawLine(0, 0, 7);
    EXPECT_EQ(checkFault(b.build(), &fatal), "");
    EXPECT_EQ(frame(prepared(b)), fatal);
    EXPECT_EQ(fatal, fatalLineEndMessage);
}
