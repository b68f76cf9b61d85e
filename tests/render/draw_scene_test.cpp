// draw_scene_test.cpp: the frame drawing, checked pixel by pixel in an offscreen context on
// render lists built here by hand.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>

#include "support/little_endian.h"
#include "tests/support/lit_pixels.h"
#include "body/body.h"
#include "render/draw_scene.h"
#include "render/gl_state.h"
#include "render/offscreen_gl.h"

namespace {

constexpr int width = 200, height = 150;  // the viewer's 4:3

struct Rgb {
    int r, g, b;
};

// Fills elementBuffer, renderList and renderCount as the element pass would.
class RenderListWriter {
public:
    RenderListWriter() { renderCount = 0; }

    // Without vertex colours the slots hold a colour that flat draw types must not show.
    void polygon(uint8_t drawType, uint16_t colour, std::initializer_list<uint16_t> points,
                 std::initializer_list<uint16_t> vertexColours = {})
    {
        uint8_t* r = begin(renderKindPolygon, 4 + 4 * points.size());
        r[0] = drawType;
        r[1] = static_cast<uint8_t>(points.size());
        writeU16(r + 2, colour);
        for (size_t i = 0; i < points.size(); ++i) {
            writeU16(r + 4 + 4 * i, vertexColours.size() ? vertexColours.begin()[i] : 0xEEEE);
            writeU16(r + 6 + 4 * i, points.begin()[i]);
        }
    }
    // Lines and spheres: attributes (colour in byte 1), then two 16-bit fields.
    void other(uint16_t kind, uint32_t attributes, uint16_t first, uint16_t second)
    {
        uint8_t* r = begin(kind, kind == renderKindLine ? 12 : 8);
        writeU32(r, attributes);
        writeU16(r + 4, first);
        writeU16(r + 6, second);
    }

private:
    uint8_t* begin(uint16_t kind, size_t bytes)
    {
        uint8_t* r = elementBuffer + used_;
        used_ += bytes;
        renderList[renderCount++] = RenderEntry{kind, r};
        return r;
    }
    size_t used_ = 0;
};

void setPoint(int index, int x, int y, int z)
{
    transformedPoints[index] = Point16{static_cast<int16_t>(x), static_cast<int16_t>(y), static_cast<int16_t>(z)};
}

// A square facing the viewer round (x, 600) (model y = 600 sits at eye height, x = 0 at the
// screen's centre), counter-clockwise on screen, points first..first + 3.
void square(int x, int half, int z = 0, int first = 0)
{
    setPoint(first, x - half, 600 - half, z);
    setPoint(first + 1, x + half, 600 - half, z);
    setPoint(first + 2, x + half, 600 + half, z);
    setPoint(first + 3, x - half, 600 + half, z);
}
void centreSquare(int half, int z = 0, int first = 0) { square(0, half, z, first); }

class DrawScene : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        gl_ = new OffscreenGl;
        if (const Fault fault = gl_->open(width, height)) {
            delete gl_;
            gl_ = nullptr;
            std::fprintf(stderr, "no offscreen OpenGL: %s\n", fault.reason);
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
        const uint8_t colours[][4] = {
            {1, 255, 0, 0}, {2, 0, 255, 0}, {3, 0, 0, 255}, {5, 200, 180, 40}, {9, 255, 255, 255}};
        for (const auto& c : colours) std::memcpy(palette[c[0]], c + 1, 3);
        // The view without its turns, so that positions on screen are easy to predict.
        view = View{-5.0f, 0.0f, 0.0f, false};
        renderCount = 0;
        initGl(width, height);
    }

    void draw()
    {
        drawScene(view, palette);
        image_ = gl_->read();
    }

    Palette palette{};
    View view;

    Rgb at(int x, int y) const
    {
        const uint8_t* p = image_.at(x, y);
        return {p[0], p[1], p[2]};
    }
    bool black(int x, int y) const { return !isLit(image_.at(x, y), 0); }
    // True when a pixel within one of (x, y) has exactly the colour `want`.
    bool near(int x, int y, Rgb want) const
    {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (const Rgb c = at(x + dx, y + dy); c.r == want.r && c.g == want.g && c.b == want.b) return true;
        return false;
    }
    int lit() const { return litPixels(image_, 0); }
    void expectCentre(Rgb want, int tolerance, const char* what) const
    {
        const Rgb got = at(width / 2, height / 2);
        EXPECT_NEAR(got.r, want.r, tolerance) << what;
        EXPECT_NEAR(got.g, want.g, tolerance) << what;
        EXPECT_NEAR(got.b, want.b, tolerance) << what;
    }

    // Where a model point lands in the picture (top row 0) with the turn-free view: scaled by
    // 1/400, moved by (0, -1.5, viewZoom), then the 60-degree, 4:3 perspective.
    std::pair<int, int> screenOf(double x, double y) const
    {
        const double ex = x / 400.0, ey = y / 400.0 - 1.5, ez = view.zoom;
        const double f = 1.0 / std::tan(30.0 * 3.14159265358979 / 180.0);
        const double nx = f / (4.0 / 3.0) * ex / -ez, ny = f * ey / -ez;
        return {static_cast<int>((nx + 1) / 2 * width), static_cast<int>((1 - (ny + 1) / 2) * height)};
    }

    static OffscreenGl* gl_;
    RgbImage image_;
};

OffscreenGl* DrawScene::gl_ = nullptr;

TEST_F(DrawScene, EmptyListShowsClearBlackAndLeavesNoStateBehind)
{
    centreSquare(200);
    RenderListWriter().polygon(255, 9, {0, 1, 2, 3});
    draw();
    EXPECT_GT(lit(), 0);

    // The next frame with nothing in it is all black: nothing of the last frame survives.
    renderCount = 0;
    draw();
    EXPECT_EQ(lit(), 0);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1) << "every push is matched by a pop";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // A kind the drawing does not know draws nothing.
    RenderListWriter().other(7, 0, 0, 0);
    draw();
    EXPECT_EQ(lit(), 0);
}

TEST_F(DrawScene, FlatPolygonShowsItsPaletteColourWhereItLiesAndDepthDecides)
{
    centreSquare(200);
    RenderListWriter().polygon(255, 0x0305, {0, 1, 2, 3});  // only the low byte names the colour: 5
    draw();
    expectCentre({200, 180, 40}, 0, "inside");
    // The square spans +-200 units: its edges land where the projection puts them.
    const auto [left, top] = screenOf(-200, 800);
    const auto [right, bottom] = screenOf(200, 400);
    EXPECT_FALSE(black(left + 2, top + 2));
    EXPECT_FALSE(black(right - 2, bottom - 2));
    EXPECT_TRUE(black(left - 3, height / 2));
    EXPECT_TRUE(black(right + 3, height / 2));
    EXPECT_TRUE(black(width / 2, top - 3));
    EXPECT_TRUE(black(width / 2, bottom + 3));

    // Every flat draw type other than 3 is opaque in the polygon's colour, whatever the
    // vertex colours say: 0 and 1 (shaded types), 9 and up, 254 and 255.
    for (uint8_t type : {0, 1, 2, 4, 9, 200, 254, 255}) {
        RenderListWriter().polygon(type, 1, {0, 1, 2, 3});
        draw();
        expectCentre({255, 0, 0}, 0, "flat draw type");
    }

    // A polygon behind another stays hidden; one at the same depth drawn later shows.
    centreSquare(200, 10, 4);
    RenderListWriter list;
    list.polygon(255, 1, {4, 5, 6, 7});
    list.polygon(255, 2, {0, 1, 2, 3});
    draw();
    expectCentre({255, 0, 0}, 0, "the nearer square");
    list.polygon(255, 3, {4, 5, 6, 7});
    draw();
    expectCentre({0, 0, 255}, 0, "the same depth, drawn later");
}

TEST_F(DrawScene, DrawType3BlendsAtAlpha80)
{
    centreSquare(200);
    centreSquare(100, 10, 4);
    RenderListWriter list;
    list.polygon(255, 1, {0, 1, 2, 3});  // opaque red behind
    list.polygon(3, 3, {4, 5, 6, 7});    // translucent blue in front
    draw();
    // 80/255 of the blue over 175/255 of the red.
    expectCentre({175, 0, 80}, 2, "blended");
    const auto [x, y] = screenOf(-170, 600);
    EXPECT_TRUE(near(x, y, {255, 0, 0})) << "red outside the pane";

    // Over the black background the pane shows at 80/255 of its colour.
    RenderListWriter().polygon(3, 9, {4, 5, 6, 7});
    draw();
    expectCentre({80, 80, 80}, 2, "pane alone");
}

TEST_F(DrawScene, ClockwisePolygonIsCulledUntilWireframe)
{
    centreSquare(200);
    RenderListWriter().polygon(255, 2, {3, 2, 1, 0});  // clockwise on screen: its back faces the viewer
    draw();
    EXPECT_EQ(lit(), 0);

    // Wireframe turns culling off and shows outlines only.
    view.wireframe = true;
    draw();
    const auto [left, top] = screenOf(-200, 800);
    EXPECT_TRUE(black(width / 2, height / 2)) << "the inside stays empty";
    EXPECT_TRUE(near(left, height / 2, {0, 255, 0})) << "the left edge is drawn";
    EXPECT_TRUE(near(width / 2, top, {0, 255, 0})) << "the top edge in the polygon's colour";

    view.wireframe = false;
    draw();
    EXPECT_EQ(lit(), 0) << "filled again: culled again";
}

TEST_F(DrawScene, SmoothPolygonsInterpolateTheirVertexColours)
{
    centreSquare(300);
    const int left = screenOf(-300, 600).first, right = screenOf(300, 600).first;
    for (uint8_t type : {7, 8}) {
        // Red on the left, blue on the right; the polygon's own colour (white) is not shown.
        RenderListWriter().polygon(type, 9, {0, 1, 2, 3}, {1, 3, 3, 1});
        draw();
        const Rgb nearLeft = at(left + 3, height / 2), middle = at(width / 2, height / 2),
                  nearRight = at(right - 3, height / 2);
        EXPECT_GT(nearLeft.r, 230);
        EXPECT_LT(nearLeft.b, 25);
        EXPECT_GT(nearRight.b, 230);
        EXPECT_LT(nearRight.r, 25);
        EXPECT_NEAR(middle.r, 128, 8);
        EXPECT_NEAR(middle.b, 128, 8);
        EXPECT_EQ(middle.g, 0);
    }

    // Vertex colours use their low byte too.
    RenderListWriter().polygon(7, 9, {0, 1, 2, 3}, {0x0202, 0x0102, 0xFF02, 0x0002});
    draw();
    expectCentre({0, 255, 0}, 0, "low byte of vertex colours");
}

TEST_F(DrawScene, LinesAndSpheresAppearInTheirColours)
{
    // A horizontal line through the centre; its colour is byte 1 of the attributes.
    setPoint(10, -300, 600, 0);
    setPoint(11, 300, 600, 0);
    RenderListWriter().other(renderKindLine, 0xAA0002FFu, 10, 11);
    draw();
    EXPECT_TRUE(near(width / 2 - 20, height / 2, {0, 255, 0})) << "the line crosses the middle in palette colour 2";
    EXPECT_TRUE(black(width / 2, height / 2 + 10));

    // A sphere of radius 400 units at the centre: a disc of radius 1.0 seen from 5 units away
    // (a little more, being round), in palette colour 5. Ten slices make the outline a polygon.
    setPoint(20, 0, 600, 0);
    RenderListWriter().other(renderKindSphere, 0x00000500u, 400, 20);
    draw();
    expectCentre({200, 180, 40}, 0, "sphere centre");
    const int radiusPixels = screenOf(400, 600).first - width / 2;
    EXPECT_FALSE(black(width / 2 + radiusPixels * 85 / 100, height / 2));
    EXPECT_FALSE(black(width / 2, height / 2 - radiusPixels * 85 / 100));
    EXPECT_TRUE(black(width / 2 + radiusPixels * 115 / 100, height / 2));
    EXPECT_TRUE(black(width / 2, height / 2 + radiusPixels * 115 / 100));

    // Wireframe turns the sphere's facets into outlines: its middle opens up, lines stay.
    const int filled = lit();
    view.wireframe = true;
    draw();
    EXPECT_LT(lit(), filled);
    EXPECT_GT(lit(), 0);
}

TEST_F(DrawScene, PointAt400UnitsLandsAtOneBeforeTheView)
{
    // A small square round (400, 600, 0): 1.0 to the right of the middle, nothing on the left.
    square(400, 40);
    RenderListWriter().polygon(255, 9, {0, 1, 2, 3});
    draw();
    const auto [x, y] = screenOf(400, 600);
    EXPECT_FALSE(black(x, y));
    const auto [mx, my] = screenOf(-400, 600);
    EXPECT_TRUE(black(mx, my));
    EXPECT_TRUE(black(width / 2, height / 2));

    // Exactly the 60-degree, 4:3, 1..1024 perspective: the depth range is seen by no pixel here.
    GLfloat projection[16], expected[16];
    glMatrixMode(GL_PROJECTION);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glLoadIdentity();
    gluPerspective(60.0, 4.0 / 3.0, 1.0, 1024.0);
    glGetFloatv(GL_PROJECTION_MATRIX, expected);
    EXPECT_EQ(std::memcmp(projection, expected, sizeof projection), 0);

    // The zoom moves it: at -10 the same point is half as far from the middle.
    view.zoom = -10.0f;
    draw();
    const auto [fx, fy] = screenOf(400, 600);
    EXPECT_NEAR(fx - width / 2, (x - width / 2) / 2, 1);
    EXPECT_FALSE(black(fx, fy));
    EXPECT_TRUE(black(x, y));
}

}  // namespace
