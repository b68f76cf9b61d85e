// body_check_test.cpp: what the checks refuse before any frame, and what they let through.
#include <string>

#include "archive/little_endian.h"
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

// The first fault of both walks ("" when the body is accepted); *fatal receives the fatal
// condition every frame of an accepted body meets ("" for none).
std::string faultOf(const BodyBuilder& b, std::string* fatal = nullptr)
{
    std::vector<uint8_t> body = b.build();
    if (const char* fault = checkBodyForPreparation(body.data(), body.size())) return fault;
    prepareBody(body.data());
    const char* message = nullptr;
    const char* fault = checkBodyForFrames(body.data(), body.size(), &message);
    if (fatal != nullptr) *fatal = message ? message : "";
    return fault ? fault : "";
}

std::string faultOfBytes(std::vector<uint8_t> body)
{
    if (const char* fault = checkBodyForPreparation(body.data(), body.size())) return fault;
    prepareBody(body.data());
    const char* fault = checkBodyForFrames(body.data(), body.size());
    return fault ? fault : "";
}

}  // namespace

TEST(BodyCheck, RefusesSectionsPastTheBuffer)
{
    const std::vector<uint8_t> whole = basic().build();
    ASSERT_EQ(faultOfBytes(whole), "");
    // Every proper prefix of a well-formed body is refused, with no read past its end (the
    // sanitizer build would see one).
    for (size_t size = 0; size < whole.size(); ++size) {
        const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(size));
        EXPECT_NE(faultOfBytes(cut), "") << "size " << size;
    }
    std::vector<uint8_t> cut(whole.begin(), whole.end() - 1);
    EXPECT_EQ(faultOfBytes(cut), "sphere section past the end of the body");

    BodyBuilder b = basic();
    b.extension.clear();
    b.extension.resize(2);  // prepared from byte 18, while frames read from byte 26
    EXPECT_NE(faultOf(b), "");
    std::vector<uint8_t> body = basic().build();
    writeU16(&body[bodyExtensionSizeOffset], static_cast<uint16_t>(-17));
    EXPECT_EQ(faultOfBytes(body), "header extension size -17 puts the data section outside the body");
    writeU16(&body[bodyExtensionSizeOffset], 30000);
    EXPECT_EQ(faultOfBytes(body), "header extension size 30000 puts the data section outside the body");
}

TEST(BodyCheck, RefusesCountsThePassesCannotTake)
{
    BodyBuilder b = basic();
    b.pointCountOverride = -1;
    EXPECT_EQ(faultOf(b), "point count -1 is negative");
    b.pointCountOverride = 8001;
    b.points.resize(8001);
    EXPECT_EQ(faultOf(b), "8001 points: more than the point table holds (8000)");

    b = basic();
    b.boneCountOverride = 0;
    EXPECT_EQ(faultOf(b), "bone count 0: a body needs at least its root bone");
    b.boneCountOverride = -2;
    EXPECT_EQ(faultOf(b), "bone count -2 is negative");
    b = basic();
    b.flags = 0;
    b.bones.resize(matrixRoom + 1);
    EXPECT_EQ(faultOf(b), "5556 bones: more than the matrix table holds (5555)");

    b = basic();
    b.normalTotalOverride = 1;
    for (int i = 0; i < shadeRoom; ++i) b.addNormal(0, 0, 1, 1);
    EXPECT_EQ(faultOf(b), "501 normals: more than the shade table holds (500)");

    b = basic();
    b.polygonCountOverride = -1;
    EXPECT_EQ(faultOf(b), "polygon count -1 is negative");
    b = basic();
    b.lineCountOverride = -32768;
    EXPECT_EQ(faultOf(b), "line count -32768 is negative");
    b = basic();
    b.sphereCountOverride = -1;
    EXPECT_EQ(faultOf(b), "sphere count -1 is negative");
}

TEST(BodyCheck, RefusesBonesReachingOutsideTheTables)
{
    BodyBuilder b = basic();
    b.bones[1].pointCount = 2;  // points 2 and 3 of a body of 3
    EXPECT_EQ(faultOf(b), "bone 1: points outside the point array");
    b = basic();
    b.bones[0].firstPoint = -6;
    EXPECT_EQ(faultOf(b), "bone 0: points outside the point array");
    b = basic();
    b.bones[1].basePoint = -6;
    EXPECT_EQ(faultOf(b), "bone 1: base point offset -6 outside the point table");
    b = basic();
    b.bones[1].basePoint = -7;  // -7 / 6 truncates to -1, while -5 / 6 would be point 0
    EXPECT_EQ(faultOf(b), "bone 1: base point offset -7 outside the point table");

    b = basic();
    b.flags = 0;  // parents used as stored
    b.bones[1].parent = 38;
    EXPECT_EQ(faultOf(b), "bone 1: parent 38 is not a multiple of 36");
    b.bones[1].parent = -36;
    EXPECT_EQ(faultOf(b), "bone 1: parent -36 outside the matrix table");
    b = basic();
    b.flags = 0;
    b.bones[0].parent = -72;  // the root's parent matters as much
    EXPECT_EQ(faultOf(b), "bone 0: parent -72 outside the matrix table");
}

TEST(BodyCheck, RefusesElementsReachingOutsideTheTables)
{
    BodyBuilder b = basic();
    b.addVertexShadedPolygon(9, 3, {{0, 0}, {500, 1}});
    EXPECT_EQ(faultOf(b), "polygon 1: normal 500 outside the shade table");
    b = basic();
    b.addShadedPolygon(7, 3, -1, {0, 1});
    EXPECT_EQ(faultOf(b), "polygon 1: normal -1 outside the shade table");
    b = basic();
    b.addPolygon(2, 3, {0, 8000});
    EXPECT_EQ(faultOf(b), "polygon 1: point offset 48000 outside the point table");
    b = basic();
    b.addShadedPolygon(8, 3, 0, {-1});
    EXPECT_EQ(faultOf(b), "polygon 1: point offset -6 outside the point table");
    b = basic();
    b.addLine(1, 0, -2);
    EXPECT_EQ(faultOf(b), "line 1: point offset -12 outside the point table");
    b = basic();
    b.addSphere(1, 5, 9000);
    EXPECT_EQ(faultOf(b), "sphere 1: centre offset -11536 outside the point table");

    // 489 polygons of 255 vertices need 489 * 1024 bytes of records.
    b = basic();
    const std::vector<int> many(255, 0);
    for (int i = 0; i < 489; ++i) b.addPolygon(2, 1, many);
    EXPECT_EQ(faultOf(b), "element buffer would overflow");
    b = basic();
    for (int i = 0; i < renderListRoom - 3; ++i) b.addLine(1, 0, 1);
    EXPECT_EQ(faultOf(b), "");  // exactly 5,000 entries
    b.addSphere(1, 1, 0);
    EXPECT_EQ(faultOf(b), "render list would overflow");
}

TEST(BodyCheck, FatalConditionsAreTheFramesAndEndTheWalk)
{
    std::string fatal;
    BodyBuilder b = basic();
    b.bones[1].type = boneTypeUnsupported;
    b.bones[1].basePoint = -600;  // never reached
    b.normalTotalOverride = 1;
    b.bones[1].normalCount = 30000;
    EXPECT_EQ(faultOf(b, &fatal), "");
    EXPECT_EQ(fatal, fatalBoneTypeMessage);

    b = basic();
    b.bones[1].angleZ = 1;
    b.bones[1].pointCount = 100;  // the points would overrun, but the angle ends the frame first
    EXPECT_EQ(faultOf(b, &fatal), "");
    EXPECT_EQ(fatal, fatalAngleZMessage);
    b.bones[1].basePoint = -60;  // the base point is read before the angle stage
    EXPECT_EQ(faultOf(b, &fatal), "bone 1: base point offset -60 outside the point table");

    b = basic();
    b.bones[0].firstPoint = 1;
    b.bones[0].pointCount = 9000;
    EXPECT_EQ(faultOf(b, &fatal), "");
    EXPECT_EQ(fatal, fatalFirstPointMessage);

    // A bad point reference would only hurt the drawing, which a fatal line end never reaches.
    b = basic();
    b.addPolygon(2, 3, {0, 9000});
    b.addRawLine(0, 0, 7);
    b.sphereCountOverride = -1;
    EXPECT_EQ(faultOf(b, &fatal), "");
    EXPECT_EQ(fatal, fatalLineEndMessage);

    EXPECT_EQ(faultOf(basic(), &fatal), "");
    EXPECT_EQ(fatal, "");
}

TEST(BodyCheck, AcceptsWhatIsOddButSafe)
{
    BodyBuilder b = basic();
    b.addBone(1, 1, 0, 3);  // bone 2's parent comes later
    b.addBone(0, 0, 0, 3);  // bone 3 names its own slot
    b.addBone(0, -4, 0, 0);  // a negative point count moves no points
    b.bones[4].firstPoint = -30000;
    b.addLine(1, 0, 5461);  // beyond the body's points, inside the table
    b.addVertexShadedPolygon(10, 0, {{499, 0}});  // beyond the body's normals, inside the table
    b.addRawSphere(0, 0, -5);  // -5 / 6 truncates to 0
    b.bones.back().normalCount = -3;  // announces no records
    std::string fatal;
    EXPECT_EQ(faultOf(b, &fatal), "");
    EXPECT_EQ(fatal, "");

    BodyBuilder bare;  // no points at all, one bone of none
    bare.addBone(0, 0, 0, -1);
    EXPECT_EQ(faultOf(bare), "");
    BodyBuilder plain = basic();
    plain.flags = 0;
    EXPECT_EQ(faultOf(plain), "");
}

TEST_F(BodyPipeline, AcceptedOddBodiesRunAndTheFatalOneMatchesTheCheck)
{
    BodyBuilder b = basic();
    b.addBone(1, 1, 0, 3);
    b.addBone(0, 0, 0, 3);
    b.addLine(1, 0, 5461);
    const std::vector<uint8_t> body = prepared(b);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(fatalOf(body), "");
    EXPECT_EQ(renderCount, 4);

    b = basic();
    b.addRawLine(0, 0, 7);
    std::vector<uint8_t> fatalBody = b.build();
    prepareBody(fatalBody.data());
    const char* expected = nullptr;
    ASSERT_EQ(checkBodyForFrames(fatalBody.data(), fatalBody.size(), &expected), nullptr);
    ASSERT_NE(expected, nullptr);
    EXPECT_EQ(fatalOf(fatalBody), expected);
}
