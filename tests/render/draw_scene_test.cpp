// draw_scene_test.cpp: the frame drawing, checked pixel by pixel in an offscreen context on
// render lists built here by hand.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>

#include "app/viewer_state.h"
#include "archive/little_endian.h"
#include "body/body.h"
#include "render/draw_frame.h"
#include "render/gl_state.h"
#include "tool/offscreen_gl.h"

namespace {

constexpr int width = 200, height = 150;  // the viewer's 4:3

struct Rgb {
    int r, g, b;
};

// Fills elementBuffer, renderList and renderCount as the element pass would.
class RenderListWriter {
public:
    RenderListWriter() { renderCount = 0; }

    void polygon(uint8_t drawType, uint16_t colour, std::initializer_list<std::pair<uint16_t, uint16_t>> colourAndPoint)
    {
        uint8_t* r = begin(renderKindPolygon, 4 + 4 * colourAndPoint.size());
        r[0] = drawType;
        r[1] = static_cast<uint8_t>(colourAndPoint.size());
        writeU16(r + 2, colour);
        uint8_t* slot = r + 4;
        for (const auto& [vertexColour, point] : colourAndPoint) {
            writeU16(slot, vertexColour);
            writeU16(slot + 2, point);
            slot += 4;
        }
    }
    void flat(uint8_t drawType, uint16_t colour, std::initializer_list<uint16_t> points)
    {
        uint8_t* r = begin(renderKindPolygon, 4 + 4 * points.size());
        r[0] = drawType;
        r[1] = static_cast<uint8_t>(points.size());
        writeU16(r + 2, colour);
        uint8_t* slot = r + 4;
        for (uint16_t point : points) {
            writeU16(slot, 0xEEEE);  // vertex colours not shown by flat types
            writeU16(slot + 2, point);
            slot += 4;
        }
    }
    void line(uint32_t attributes, uint16_t a, uint16_t b)
    {
        uint8_t* r = begin(renderKindLine, 12);
        writeU32(r, attributes);
        writeU16(r + 4, a);
        writeU16(r + 6, b);
    }
    void sphere(uint32_t attributes, int16_t radius, uint16_t centre)
    {
        uint8_t* r = begin(renderKindSphere, 8);
        writeU32(r, attributes);
        writeU16(r + 4, static_cast<uint16_t>(radius));
        writeU16(r + 6, centre);
    }
    void entryOfKind(uint16_t kind)
    {
        uint8_t* r = begin(kind, 8);
        std::memset(r, 0, 8);
    }

private:
    uint8_t* begin(uint16_t kind, size_t bytes)
    {
        uint8_t* r = elementBuffer + used_;
        used_ += bytes;
        renderList[renderCount] = RenderEntry{kind, r};
        ++renderCount;
        return r;
    }
    size_t used_ = 0;
};

void setPoint(int index, int x, int y, int z)
{
    transformedPoints[index] = Point16{static_cast<int16_t>(x), static_cast<int16_t>(y), static_cast<int16_t>(z)};
}

class DrawScene : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        gl_ = new OffscreenGl;
        std::string error;
        if (!gl_->open(width, height, &error)) {
            delete gl_;
            gl_ = nullptr;
            std::fprintf(stderr, "no offscreen OpenGL: %s\n", error.c_str());
        }
    }
    static void TearDownTestSuite()
    {
        delete gl_;
        gl_ = nullptr;
    }

    void SetUp() override
    {
        ASSERT_NE(gl_, nullptr) << "an offscreen OpenGL context is needed";
        std::memset(palette, 0, sizeof palette);
        setColour(1, 255, 0, 0);
        setColour(2, 0, 255, 0);
        setColour(3, 0, 0, 255);
        setColour(5, 200, 180, 40);
        setColour(9, 255, 255, 255);
        // The view without its turns, so that positions on screen are easy to predict.
        viewZoom = -5.0f;
        viewAngleX = 0.0f;
        viewAngleY = 0.0f;
        wireframe = 0;
        renderCount = 0;
        initGl(width, height);
    }

    static void setColour(int index, uint8_t r, uint8_t g, uint8_t b)
    {
        palette[index][0] = r;
        palette[index][1] = g;
        palette[index][2] = b;
    }

    void draw()
    {
        drawScene();
        image_ = gl_->read();
    }

    Rgb at(int x, int y) const
    {
        const uint8_t* p = &image_.rgb[(static_cast<size_t>(y) * width + static_cast<size_t>(x)) * 3];
        return {p[0], p[1], p[2]};
    }
    // True when a pixel within one of (x, y) has exactly the colour `want`.
    bool near(int x, int y, Rgb want) const
    {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const Rgb c = at(x + dx, y + dy);
                if (c.r == want.r && c.g == want.g && c.b == want.b) return true;
            }
        return false;
    }
    bool black(int x, int y) const
    {
        const Rgb c = at(x, y);
        return c.r == 0 && c.g == 0 && c.b == 0;
    }
    int litPixels() const
    {
        int n = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) n += black(x, y) ? 0 : 1;
        return n;
    }

    // Where a model point lands in the picture (top row 0) with the turn-free view: scaled by
    // 1/400, moved by (0, -1.5, viewZoom), then the 60-degree, 4:3 perspective.
    static std::pair<int, int> screenOf(double x, double y, double z)
    {
        const double ex = x / 400.0, ey = y / 400.0 - 1.5, ez = z / 400.0 + viewZoom;
        const double f = 1.0 / std::tan(30.0 * 3.14159265358979 / 180.0);
        const double nx = f / (4.0 / 3.0) * ex / -ez, ny = f * ey / -ez;
        return {static_cast<int>((nx + 1) / 2 * width), static_cast<int>((1 - (ny + 1) / 2) * height)};
    }

    static OffscreenGl* gl_;
    RgbImage image_;
};

OffscreenGl* DrawScene::gl_ = nullptr;

void expectNear(Rgb got, Rgb want, int tolerance, const char* what)
{
    EXPECT_NEAR(got.r, want.r, tolerance) << what;
    EXPECT_NEAR(got.g, want.g, tolerance) << what;
    EXPECT_NEAR(got.b, want.b, tolerance) << what;
}

// A square facing the viewer round the screen's centre (model y = 600 sits at eye height),
// counter-clockwise on screen, points 0..3.
void centreSquare(int half, int z = 0)
{
    setPoint(0, -half, 600 - half, z);
    setPoint(1, half, 600 - half, z);
    setPoint(2, half, 600 + half, z);
    setPoint(3, -half, 600 + half, z);
}

TEST_F(DrawScene, EmptyListShowsClearBlackAndLeavesNoStateBehind)
{
    centreSquare(200);
    RenderListWriter list;
    list.flat(255, 9, {0, 1, 2, 3});
    draw();
    EXPECT_GT(litPixels(), 0);

    // The next frame with nothing in it is all black: nothing of the last frame survives.
    renderCount = 0;
    draw();
    EXPECT_EQ(litPixels(), 0);

    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1) << "every push is matched by a pop";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // A kind the drawing does not know draws nothing.
    RenderListWriter odd;
    odd.entryOfKind(7);
    draw();
    EXPECT_EQ(litPixels(), 0);
}

TEST_F(DrawScene, FlatPolygonShowsItsPaletteColourWhereItLies)
{
    centreSquare(200);
    RenderListWriter list;
    list.flat(255, 0x0305, {0, 1, 2, 3});  // only the low byte names the colour: 5
    draw();

    expectNear(at(width / 2, height / 2), {200, 180, 40}, 0, "inside");
    EXPECT_TRUE(black(5, 5));
    EXPECT_TRUE(black(width - 5, height - 5));
    // The square spans +-200 units: its edges land where the projection puts them.
    const auto [left, top] = screenOf(-200, 800, 0);
    const auto [right, bottom] = screenOf(200, 400, 0);
    EXPECT_FALSE(black(left + 2, top + 2));
    EXPECT_FALSE(black(right - 2, bottom - 2));
    EXPECT_TRUE(black(left - 3, height / 2));
    EXPECT_TRUE(black(right + 3, height / 2));
    EXPECT_TRUE(black(width / 2, top - 3));
    EXPECT_TRUE(black(width / 2, bottom + 3));

    // Every flat draw type other than 3 is opaque in the polygon's colour, whatever the
    // vertex colours say: 0 and 1 (shaded types), 9 and up, 254 and 255.
    for (uint8_t type : {0, 1, 2, 4, 9, 200, 254, 255}) {
        RenderListWriter again;
        again.flat(type, 1, {0, 1, 2, 3});
        draw();
        expectNear(at(width / 2, height / 2), {255, 0, 0}, 0, "flat draw type");
    }
}

TEST_F(DrawScene, DrawType3BlendsAtAlpha80)
{
    centreSquare(200);
    setPoint(4, -100, 500, 10);
    setPoint(5, 100, 500, 10);
    setPoint(6, 100, 700, 10);
    setPoint(7, -100, 700, 10);
    RenderListWriter list;
    list.flat(255, 1, {0, 1, 2, 3});  // opaque red behind
    list.flat(3, 3, {4, 5, 6, 7});    // translucent blue in front
    draw();

    // 80/255 of the blue over 175/255 of the red.
    expectNear(at(width / 2, height / 2), {175, 0, 80}, 2, "blended");
    const auto [x, y] = screenOf(-170, 600, 0);
    expectNear(at(x, y), {255, 0, 0}, 0, "red outside the pane");

    // Over the black background the pane shows at 80/255 of its colour.
    RenderListWriter alone;
    alone.flat(3, 9, {4, 5, 6, 7});
    draw();
    expectNear(at(width / 2, height / 2), {80, 80, 80}, 2, "pane alone");
}

TEST_F(DrawScene, ClockwisePolygonIsCulledUntilWireframe)
{
    centreSquare(200);
    RenderListWriter list;
    list.flat(255, 2, {3, 2, 1, 0});  // clockwise on screen: its back faces the viewer
    draw();
    EXPECT_EQ(litPixels(), 0);

    // Wireframe turns culling off and shows outlines only.
    wireframe = 1;
    draw();
    const auto [left, top] = screenOf(-200, 800, 0);
    EXPECT_TRUE(black(width / 2, height / 2)) << "the inside stays empty";
    EXPECT_TRUE(near(left, height / 2, {0, 255, 0})) << "the left edge is drawn";
    EXPECT_TRUE(near(width / 2, top, {0, 255, 0})) << "the top edge in the polygon's colour";

    // Back to filled: culled again.
    wireframe = 0;
    draw();
    EXPECT_EQ(litPixels(), 0);
}

TEST_F(DrawScene, SmoothPolygonsInterpolateTheirVertexColours)
{
    centreSquare(300);
    for (uint8_t type : {7, 8}) {
        RenderListWriter list;
        // Red on the left, blue on the right; the polygon's own colour (white) is not shown.
        list.polygon(type, 9, {{1, 0}, {3, 1}, {3, 2}, {1, 3}});
        draw();
        const auto [left, unusedTop] = screenOf(-300, 600, 0);
        const auto [right, unusedBottom] = screenOf(300, 600, 0);
        const Rgb nearLeft = at(left + 3, height / 2), middle = at(width / 2, height / 2), nearRight = at(right - 3, height / 2);
        EXPECT_GT(nearLeft.r, 230);
        EXPECT_LT(nearLeft.b, 25);
        EXPECT_GT(nearRight.b, 230);
        EXPECT_LT(nearRight.r, 25);
        EXPECT_NEAR(middle.r, 128, 8);
        EXPECT_NEAR(middle.b, 128, 8);
        EXPECT_EQ(middle.g, 0);
    }

    // Vertex colours use their low byte too.
    RenderListWriter high;
    high.polygon(7, 9, {{0x0202, 0}, {0x0102, 1}, {0xFF02, 2}, {0x0002, 3}});
    draw();
    expectNear(at(width / 2, height / 2), {0, 255, 0}, 0, "low byte of vertex colours");
}

TEST_F(DrawScene, LinesAndSpheresAppearInTheirColours)
{
    // A horizontal line through the centre; its colour is byte 1 of the attributes.
    setPoint(10, -300, 600, 0);
    setPoint(11, 300, 600, 0);
    RenderListWriter list;
    list.line(0xAA0002FFu, 10, 11);
    draw();
    EXPECT_TRUE(near(width / 2 - 20, height / 2, {0, 255, 0})) << "the line crosses the middle in palette colour 2";
    EXPECT_TRUE(black(width / 2, height / 2 + 10));

    // A sphere of radius 400 units at the centre: a disc of radius 1.0 seen from 5 units away
    // (a little more, being round), in palette colour 5. Ten slices make the outline a polygon.
    setPoint(20, 0, 600, 0);
    RenderListWriter ball;
    ball.sphere(0x00000500u, 400, 20);
    draw();
    expectNear(at(width / 2, height / 2), {200, 180, 40}, 0, "sphere centre");
    const auto [edgeX, unused] = screenOf(400, 600, 0);
    const int radiusPixels = edgeX - width / 2;
    EXPECT_FALSE(black(width / 2 + radiusPixels * 85 / 100, height / 2));
    EXPECT_FALSE(black(width / 2, height / 2 - radiusPixels * 85 / 100));
    EXPECT_TRUE(black(width / 2 + radiusPixels * 115 / 100, height / 2));
    EXPECT_TRUE(black(width / 2, height / 2 + radiusPixels * 115 / 100));

    // Wireframe turns the sphere's facets into outlines: its middle opens up, lines stay.
    wireframe = 1;
    RenderListWriter both;
    both.sphere(0x00000500u, 400, 20);
    draw();
    const int outlined = litPixels();
    wireframe = 0;
    draw();
    EXPECT_LT(outlined, litPixels());
    EXPECT_GT(outlined, 0);
}

TEST_F(DrawScene, PointAt400UnitsLandsAtOneBeforeTheView)
{
    // A small square round (400, 600, 0): 1.0 to the right of the middle, nothing on the left.
    setPoint(0, 360, 560, 0);
    setPoint(1, 440, 560, 0);
    setPoint(2, 440, 640, 0);
    setPoint(3, 360, 640, 0);
    RenderListWriter list;
    list.flat(255, 9, {0, 1, 2, 3});
    draw();
    const auto [x, y] = screenOf(400, 600, 0);
    EXPECT_FALSE(black(x, y));
    const auto [mx, my] = screenOf(-400, 600, 0);
    EXPECT_TRUE(black(mx, my));
    EXPECT_TRUE(black(width / 2, height / 2));

    // The zoom moves it: at -10 the same point is half as far from the middle.
    viewZoom = -10.0f;
    draw();
    const auto [fx, fy] = screenOf(400, 600, 0);
    EXPECT_NEAR(fx - width / 2, (x - width / 2) / 2, 1);
    EXPECT_FALSE(black(fx, fy));
    EXPECT_TRUE(black(x, y));
}

}  // namespace
