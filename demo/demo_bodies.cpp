// demo_bodies.cpp: the eight demo bodies, modelled with the kit in modeler.h.
#include <cmath>

#include "demo/demo_data.h"
#include "demo/modeler.h"

namespace demo {

namespace {

// A limb hanging down from its joint: a tapered prism and the joint below it, where the next
// bone hangs. Returns that lower joint.
int limb(Modeler& m, double length, double r0, double r1, const Paint& paint, int sides = 6)
{
    m.lathe(at(0, 0, 0), {{-length + 10, r1, r1}, {-12, r0, r0}}, sides, paint);
    return m.point(0, -length, 0);
}

// Entry 0: a walking, waving figure of sixteen bones.
void figure(Modeler& m)
{
    const Paint suit = smooth(blue, 2), plate = shaded(steel, 2), skinTone = smooth(skin, 2), boot = shaded(brown, 2);

    // 0: pelvis (root), feet near y = 0.
    m.bone(0, -1);
    m.box(at(0, 0, 0), {-125, 520, -72}, {125, 640, 72}, plate);
    const int hipL = m.point(-72, 528, 0), hipR = m.point(72, 528, 0), waist = m.point(0, 636, 0);
    m.sphere(hipL, 62, tone(steel, 8));
    m.sphere(hipR, 62, tone(steel, 8));

    // 1: torso, a little twisted and leaning forward.
    m.bone(waist, 0, -14, 36);
    m.lathe(at(0, 0, 0), {{0, 118, 74}, {110, 150, 88}, {250, 190, 102}, {330, 172, 94}, {372, 110, 72}}, 12, suit);
    const int neck = m.point(0, 372, 0), shoulderL = m.point(-205, 318, 0), shoulderR = m.point(205, 318, 0);
    {
        // A belt of gold lines and a chest badge.
        std::vector<int> belt;
        for (int j = 0; j < 12; ++j) {
            const double a = 2 * 3.14159265358979 * j / 12;
            belt.push_back(m.point(124 * std::cos(a), 16, 80 * std::sin(a)));
        }
        for (int j = 0; j < 12; ++j)
            m.line(belt[static_cast<size_t>(j)], belt[static_cast<size_t>((j + 1) % 12)], tone(gold, 13));
        m.sphereAt({0, 250, 106}, 30, tone(gold, 12));
    }

    // 2: head on its neck, turned towards the viewer and nodding.
    m.bone(neck, 1, -24, 80);
    m.lathe(at(0, 0, 0), {{-6, 42, 42}, {52, 38, 38}}, 8, shaded(skin, 2), false, false);
    m.lathe(at(0, 0, 0), {{44, 64, 70}, {84, 92, 98}, {160, 100, 104}, {222, 82, 86}, {258, 42, 46}}, 12, skinTone);
    m.sphereAt({-38, 168, 101}, 20, tone(ivory, 15));
    m.sphereAt({38, 168, 101}, 20, tone(ivory, 15));
    m.sphereAt({-38, 168, 116}, 9, tone(blue, 3));
    m.sphereAt({38, 168, 116}, 9, tone(blue, 3));
    m.line(m.point(-34, 112, 101), m.point(34, 112, 101), tone(red, 6));
    {
        const int root = m.point(0, 256, 0), tip = m.point(0, 360, -20);
        m.line(root, tip, tone(gold, 12));
        m.sphere(tip, 18, tone(red, 12));
    }

    // 3-5: left arm swinging back, elbow bent.
    const int upperArmL = m.bone(shoulderL, 1, 90, 0);
    m.sphereAt({0, 0, 0}, 52, tone(steel, 9));
    const int elbowL = limb(m, 260, 46, 38, shaded(blue, 2));
    const int forearmL = m.bone(elbowL, upperArmL, -110, 0);
    m.sphereAt({0, 0, 0}, 40, tone(steel, 9));
    const int wristL = limb(m, 230, 38, 30, plate);
    m.bone(wristL, forearmL, -20, 0);
    m.box(at(0, 0, 0), {-30, -110, -16}, {30, -8, 16}, shaded(skin, 3));

    // 6-9: right arm waving. Bones turn only about x then y, so a shoulder turned a quarter
    // turn about y lets the arm's X angle raise it sideways.
    const int shoulderBoneR = m.bone(shoulderR, 1, 0, 256);
    const int shoulderJointR = m.sphereAt({0, 0, 0}, 52, tone(steel, 9));
    const int upperArmR = m.bone(shoulderJointR, shoulderBoneR, -330, 0);
    const int elbowR = limb(m, 260, 46, 38, shaded(blue, 2));
    const int forearmR = m.bone(elbowR, upperArmR, -90, 0);
    m.sphereAt({0, 0, 0}, 40, tone(steel, 9));
    const int wristR = limb(m, 230, 38, 30, plate);
    m.bone(wristR, forearmR, 10, 0);
    m.box(at(0, 0, 0), {-16, -110, -30}, {16, -8, 30}, shaded(skin, 3));
    for (int f = -1; f <= 1; ++f) m.line(m.point(0, -110, f * 20), m.point(0, -160, f * 28), tone(skin, 12));

    // 10-12: left leg stepping forward.
    const int thighL = m.bone(hipL, 0, -110, 0);
    const int kneeL = limb(m, 270, 62, 50, suit, 10);
    const int shinL = m.bone(kneeL, thighL, 150, 0);
    m.sphereAt({0, 0, 0}, 50, tone(steel, 9));
    const int ankleL = limb(m, 250, 48, 38, plate);
    m.bone(ankleL, shinL, -40, 0);
    m.box(at(0, 0, 0), {-46, -62, -44}, {46, 0, 128}, boot);

    // 13-15: right leg behind. The last rotation bone keeps angle X at 0: its registers carry
    // into the next frame's root, which must stay upright.
    const int thighR = m.bone(hipR, 0, 56, 0);
    const int kneeR = limb(m, 270, 62, 50, suit, 10);
    const int shinR = m.bone(kneeR, thighR, 80, 0);
    m.sphereAt({0, 0, 0}, 50, tone(steel, 9));
    const int ankleR = limb(m, 250, 48, 38, plate);
    m.bone(ankleR, shinR, 0, 0);
    m.box(at(0, 0, 0), {-46, -62, -44}, {46, 0, 128}, boot);
}

// Entry 1: a six-wheeled rover with a turning turret and a raised barrel.
void rover(Modeler& m)
{
    m.bone(0, -1);
    const Paint hull = shaded(olive, 2);
    m.box(at(0, 0, 0), {-200, 110, -360}, {200, 230, 340}, hull);
    // A sloped nose.
    {
        const int a = m.point(-200, 230, 340), b = m.point(200, 230, 340), c = m.point(200, 150, 420),
                  d = m.point(-200, 150, 420), e = m.point(-200, 110, 340), f = m.point(200, 110, 340);
        const V3 inside{0, 170, 340};
        m.face({a, b, c, d}, hull, inside);
        m.face({d, c, f, e}, hull, inside);
        m.face({a, d, e}, hull, inside);
        m.face({b, f, c}, hull, inside);
    }
    m.sphereAt({-140, 180, 424}, 24, tone(yellow, 15));
    m.sphereAt({140, 180, 424}, 24, tone(yellow, 15));
    m.sphereAt({-170, 200, -366}, 16, tone(red, 12));
    m.sphereAt({170, 200, -366}, 16, tone(red, 12));
    const int ring = m.point(0, 230, -40);
    int axles[6];
    for (int i = 0; i < 6; ++i) axles[i] = m.point(i % 2 ? 236 : -236, 100, -250 + (i / 2) * 250);

    // 1: turret, turned; 2: barrel, raised.
    m.bone(ring, 0, 0, 110);
    m.lathe(at(0, 0, 0), {{0, 150, 170}, {80, 132, 150}, {110, 96, 110}}, 8, shaded(olive, 3), false, true);
    m.box(at(0, 0, 0), {60, 110, -60}, {120, 150, 0}, shaded(steel, 3));
    const int trunnion = m.point(0, 60, 90);
    {
        const int mast = m.point(-90, 100, -80), top = m.point(-90, 420, -110);
        m.line(mast, top, tone(grey, 12));
        m.sphere(top, 14, tone(red, 13));
    }
    m.bone(trunnion, 1, -50, 0);
    m.lathe(alongZ(0, 0, 0), {{0, 34, 34}, {420, 24, 24}, {470, 30, 30}}, 8, smooth(grey, 3));

    // 3-8: wheels, each turned to its own angle so their spokes show. The last keeps angle X 0.
    for (int i = 0; i < 6; ++i) {
        m.bone(axles[i], 0, (5 - i) * 37, 0);
        const double side = i % 2 ? 1 : -1;
        m.lathe(alongX(0, 0, 0), {{-38 * side, 92, 92}, {38 * side, 92, 92}}, 12, smooth(grey, 2));
        const int hub = m.point(46 * side, 0, 0);
        m.sphere(hub, 30, tone(gold, 11));
        for (int s = 0; s < 3; ++s) {
            const double a = s * 2.0943951;
            m.line(hub, m.point(42 * side, 80 * std::cos(a), 80 * std::sin(a)), tone(gold, 13));
        }
    }
}

// Entry 2: a spider: a body, eight legs of three bones each (a hip turning the leg round, a
// thigh rising, a shin falling) and an abdomen.
void spider(Modeler& m)
{
    m.bone(0, -1);
    m.lathe(alongZ(0, 260, 0), {{-60, 60, 60}, {0, 130, 110}, {120, 120, 100}, {190, 64, 60}}, 10, smooth(violet, 2));
    for (int side : {-1, 1}) {
        m.sphereAt({side * 44.0, 310, 196}, 18, tone(red, 13));
        m.sphereAt({side * 20.0, 330, 200}, 12, tone(red, 11));
        m.line(m.point(side * 30.0, 230, 186), m.point(side * 46.0, 170, 240), tone(brown, 10));
    }
    int hips[8];
    for (int i = 0; i < 8; ++i) {
        const int side = i < 4 ? 1 : -1;
        const double z = 90 - (i % 4) * 50;
        hips[i] = m.point(side * 80.0, 250, z);
    }
    const int waist = m.point(0, 270, -60);

    const int azimuth[4] = {70, 150, 230, 320};  // degrees from the front, in 1024ths of a turn below
    for (int i = 0; i < 8; ++i) {
        const int side = i < 4 ? 1 : -1;
        const int leg = i % 4;
        const int hip = m.bone(hips[i], 0, 0, side * (azimuth[leg] * 1024 / 360));
        const int joint = m.sphereAt({0, 0, 0}, 26, tone(brown, 8));
        const int thigh = m.bone(joint, hip, -110 + leg * 8, 0);
        m.lathe(alongZ(0, 0, 0), {{10, 26, 26}, {290, 20, 20}}, 6, shaded(orange, 2));
        const int knee = m.point(0, 0, 300);
        m.sphereAt({0, 0, 300}, 22, tone(brown, 9));
        m.bone(knee, thigh, 330 - leg * 12, 0);
        m.lathe(alongZ(0, 0, 0), {{10, 19, 19}, {330, 8, 8}}, 6, shaded(orange, 2));
        m.line(m.point(0, 0, 330), m.point(0, 0, 372), tone(brown, 5));
    }

    // The abdomen, last, with angle X 0 so the root stays level from frame to frame.
    m.bone(waist, 0, 0, 24);
    m.lathe(alongZ(0, 10, 0), {{-20, 90, 80}, {-120, 200, 180}, {-280, 210, 190}, {-420, 130, 120}, {-480, 40, 40}}, 12,
            smooth(violet, 2), true, true);
    for (int s = -1; s <= 1; s += 2)
        for (int k = 0; k < 3; ++k) m.sphereAt({s * 80.0, 196 - k * 10.0, -150.0 - k * 100}, 20, tone(gold, 12));
}

// Entry 3: translucent panes round a gold idol on a plinth. Opaque parts first: the panes
// blend with what is already drawn.
void glassHouse(Modeler& m)
{
    m.bone(0, -1);
    m.lathe(at(0, 0, 0), {{0, 360, 360}, {60, 340, 340}}, 16, shaded(grey, 4));
    m.lathe(at(0, 0, 0),
            {{60, 90, 90}, {180, 60, 60}, {300, 150, 150}, {420, 170, 170}, {540, 120, 120}, {600, 30, 30}}, 14,
            smooth(gold, 3));
    // Four coloured panes leaning round the idol, then a glass box over everything.
    const int colours[4] = {cyan, pink, green, yellow};
    for (int i = 0; i < 4; ++i) {
        const double a = i * 1.5707963 + 0.3;
        const V3 c{280 * std::cos(a), 0, 280 * std::sin(a)};
        const V3 t{-std::sin(a), 0, std::cos(a)};
        const int p0 = m.point(c + t * 140 + V3{0, 60, 0}), p1 = m.point(c - t * 140 + V3{0, 60, 0}),
                  p2 = m.point(c - t * 110 + V3{0, 640, 0}), p3 = m.point(c + t * 110 + V3{0, 640, 0});
        m.face({p0, p1, p2, p3}, glass(colours[i], 10), V3{0, 350, 0});
    }
    m.box(at(0, 0, 0), {-330, 60, -330}, {330, 820, 330}, glass(grey, 12));
}

// Entry 4: a double helix of lines only.
void helix(Modeler& m)
{
    m.bone(0, -1);
    const int steps = 60;
    std::vector<int> a, b;
    for (int i = 0; i <= steps; ++i) {
        const double t = i * 3.0 * 2 * 3.14159265358979 / steps, y = 40 + i * 19.0;
        a.push_back(m.point(220 * std::cos(t), y, 220 * std::sin(t)));
        b.push_back(m.point(220 * std::cos(t + 3.14159265), y, 220 * std::sin(t + 3.14159265)));
    }
    const int rungColours[4] = {red, yellow, green, blue};
    for (int i = 0; i < steps; ++i) {
        m.line(a[static_cast<size_t>(i)], a[static_cast<size_t>(i + 1)], tone(cyan, 4 + i * 11 / steps));
        m.line(b[static_cast<size_t>(i)], b[static_cast<size_t>(i + 1)], tone(violet, 4 + i * 11 / steps));
        if (i % 3 == 0)
            m.line(a[static_cast<size_t>(i)], b[static_cast<size_t>(i)], tone(rungColours[(i / 3) % 4], 12));
    }
}

// Entry 5: a desk lamp stored with its parents as matrix offsets already (no conversion flag).
void lamp(Modeler& m)
{
    m.bone(0, -1);
    m.lathe(at(0, 0, 0), {{0, 220, 220}, {40, 200, 200}, {70, 90, 90}}, 16, shaded(steel, 2));
    const int pivot = m.point(0, 80, 0);
    m.sphere(pivot, 40, tone(red, 10));
    m.bone(pivot, 0, 90, 40);  // lower arm, leaning back
    m.box(at(0, 0, 0), {-24, 0, -24}, {24, 470, 24}, shaded(red, 2));
    const int elbow = m.point(0, 480, 0);
    m.sphere(elbow, 36, tone(red, 10));
    m.bone(elbow, 1, -300, 0);  // upper arm, reaching forward
    m.box(at(0, 0, 0), {-20, 0, -20}, {20, 400, 20}, shaded(red, 2));
    const int wrist = m.point(0, 410, 0);
    m.sphere(wrist, 30, tone(red, 10));
    const int shade = m.bone(wrist, 2, 210, 0);  // the shade, turned back to hang straight down
    m.lathe(at(0, 0, 0), {{-240, 160, 160}, {-120, 100, 100}, {-20, 44, 44}}, 14, smooth(steel, 2), false, true);
    const int socket = m.point(0, -200, 0);
    // The bulb, last and with angle X 0, so the next frame's root stays upright.
    m.bone(socket, shade, 0, 0);
    m.sphereAt({0, -55, 0}, 40, tone(yellow, 15));
}

// Entry 6: a windmill facing +x, its sails turned by the rotor bone's X angle. A spare rotor
// bone is stored as skipped (type 2): it is never placed, and nothing drawn refers to it.
void windmill(Modeler& m)
{
    m.bone(0, -1);
    m.lathe(at(0, 0, 0), {{0, 210, 210}, {700, 130, 130}, {760, 150, 150}}, 8, shaded(ivory, 2));
    m.lathe(at(0, 760, 0), {{0, 150, 150}, {130, 60, 60}}, 8, shaded(red, 2), false, true);
    {
        // A door as lines, a lit window.
        const int d0 = m.point(207, 0, -50), d1 = m.point(198, 150, -50), d2 = m.point(198, 150, 50),
                  d3 = m.point(207, 0, 50);
        m.line(d0, d1, tone(brown, 6));
        m.line(d1, d2, tone(brown, 6));
        m.line(d2, d3, tone(brown, 6));
        m.sphereAt({174, 420, 0}, 26, tone(yellow, 14));
    }
    const int hub = m.point(190, 790, 0);
    const int spareHub = m.point(-190, 790, 0);
    m.bone(hub, 0, 70, 0);
    m.lathe(alongX(0, 0, 0), {{-10, 34, 34}, {70, 30, 30}}, 8, shaded(grey, 4));
    for (int k = 0; k < 4; ++k) {
        const double a = k * 1.5707963;
        const V3 d{0, std::cos(a), std::sin(a)}, s{0, -std::sin(a), std::cos(a)};
        const V3 x{50, 0, 0};
        const int p0 = m.point(d * 50 + x), p1 = m.point(d * 560 + s * 20 + x), p2 = m.point(d * 560 + s * 110 + x),
                  p3 = m.point(d * 90 + s * 40 + x);
        m.face({p0, p1, p2, p3}, flat(ivory, 12), x + V3{-100, 0, 0});
        m.face({p0, p1, p2, p3}, flat(brown, 7), x + V3{100, 0, 0});
        m.line(p0, p1, tone(brown, 4));
    }
    m.bone(spareHub, 0, 0, 0, 2);
    m.point(0, 0, 0);
    m.point(0, 300, 0);
    // A tail vane behind the cap, last, with angle X 0: the last rotation bone's registers
    // carry into the next frame's root, which must stay upright.
    m.bone(spareHub, 0, 0, 60);
    m.box(at(0, 0, 0), {-8, 0, -8}, {8, 16, 8}, shaded(brown, 2));
    m.box(at(0, 0, 0), {-10, -40, -300}, {-2, 120, -160}, shaded(brown, 3));
}

// Entry 7: a terraced island of hexagonal columns, close to the point table's room: 650
// columns of twelve points (7,800 of 8,000), a top face each and a wall wherever a side drops.
// Walls and tops share seven normals.
void hexIsland(Modeler& m)
{
    m.bone(0, -1);
    const int columns = 26, rows = 25;
    const double radius = 33, across = std::sqrt(3.0) * radius, pi = 3.14159265358979323846;
    const double offsetX = (columns - 0.5) * across / 2, offsetZ = (rows - 1) * 1.5 * radius / 2;
    // The island sits a little up and back from the origin, so that the start view holds it all.
    const auto centreOf = [&](int c, int r) {
        return V3{(c + 0.5 * (r & 1)) * across - offsetX - 60, 0, r * 1.5 * radius - offsetZ - 260};
    };
    // Terrace level at a position: a main peak, a second hill and ripples; -1 is the sea.
    const auto level = [](double x, double z) {
        const double d = std::sqrt(x * x + z * z) / 620.0;
        double h = 300 * std::exp(-d * d * 2.0) - 60;
        h += 45 * std::sin(x / 91.0) * std::cos(z / 127.0);
        h += 260 * std::exp(-((x - 210) * (x - 210) + (z + 140) * (z + 140)) / 26000.0);
        return std::max(-1, static_cast<int>(std::floor(h / 36.0)));
    };
    const auto topOf = [](int lv) { return 300.0 + 36.0 * lv; };

    const Paint wall = shaded(grey, 3);  // its divisors; the walls take their column's ramp
    const int up = m.normal({0, 1, 0}, shaded(green, 3));
    int sideNormal[6];
    for (int k = 0; k < 6; ++k) {
        const double a = pi / 3 * (k + 1);
        sideNormal[k] = m.normal({std::cos(a), 0, std::sin(a)}, wall);
    }
    BodyBuilder& b = m.builder();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const V3 centre = centreOf(c, r);
            const int lv = level(centre.x + 60, centre.z + 260);
            // Each wall drops to the lower neighbour, or to the ground at the island's rim; the
            // column's bottom ring sits at the deepest of them.
            double drop[6];
            double bottom = topOf(lv);
            for (int k = 0; k < 6; ++k) {
                const double a = pi / 3 * (k + 1);
                const V3 next = centre + V3{std::cos(a), 0, std::sin(a)} * across;
                const int nr = static_cast<int>(std::lround((next.z + offsetZ + 260) / (1.5 * radius)));
                const int nc = static_cast<int>(std::lround((next.x + offsetX + 60) / across - 0.5 * (nr & 1)));
                const bool inside = nr >= 0 && nr < rows && nc >= 0 && nc < columns;
                drop[k] = inside ? topOf(level(next.x + 60, next.z + 260)) : topOf(-2);
                bottom = std::min(bottom, drop[k]);
            }
            int top[6], low[6];
            for (int k = 0; k < 6; ++k) {
                const double a = pi / 6 + pi / 3 * k;
                top[k] = m.point(centre.x + radius * std::cos(a), topOf(lv), centre.z + radius * std::sin(a));
            }
            for (int k = 0; k < 6; ++k) {
                const double a = pi / 6 + pi / 3 * k;
                low[k] = m.point(centre.x + radius * std::cos(a), bottom, centre.z + radius * std::sin(a));
            }
            const int ramp = lv < 0 ? blue : lv == 0 ? gold : lv < 4 ? green : lv < 6 ? olive : lv < 8 ? brown : ivory;
            const int tone = lv < 0 ? 5 : 2 + (lv & 1);
            // Render type 9 (a normal per vertex, all alike here): its point offsets are read
            // unsigned, so it reaches points beyond index 5,461, where types 7 and 8 cannot.
            // Seen from above the corners run clockwise (angles grow from +x towards +z), so
            // they go in reversed for a counter-clockwise, upward face.
            b.addVertexShadedPolygon(
                9, static_cast<uint16_t>(ramp * 16 + tone),
                std::vector<std::pair<int, int>>{
                    {up, top[5]}, {up, top[4]}, {up, top[3]}, {up, top[2]}, {up, top[1]}, {up, top[0]}});
            for (int k = 0; k < 6; ++k) {
                if (drop[k] >= topOf(lv)) continue;
                const int k1 = (k + 1) % 6, n = sideNormal[k];
                // Side k runs from corner k to corner k + 1; seen from outside, counter-clockwise
                // is along the top from k to k + 1, then down and back.
                b.addVertexShadedPolygon(
                    9, static_cast<uint16_t>(ramp * 16 + 2),
                    std::vector<std::pair<int, int>>{{n, top[k]}, {n, top[k1]}, {n, low[k1]}, {n, low[k]}});
            }
        }
    }
}

}  // namespace

}  // namespace demo

Fault makeDemoBodies(std::vector<DemoBody>* bodies)
{
    using namespace demo;
    struct Design {
        const char* name;
        void (*model)(Modeler&);
        double scale;
        bool convertParents;
        bool packed;
    };
    static const Design designs[] = {
        {"figure", figure, 1.0, true, true},
        {"rover", rover, 1.5, true, false},
        {"spider", spider, 1.4, true, true},
        {"glass house", glassHouse, 1.25, true, false},
        {"double helix (lines only)", helix, 1.2, true, true},
        {"lamp (parents stored as matrix offsets)", lamp, 1.7, false, false},
        {"windmill (a skipped bone)", windmill, 1.0, true, true},
        {"hexagonal island (near the point table's room)", hexIsland, 1.0, true, true},
    };
    bodies->clear();
    for (const Design& design : designs) {
        Modeler m(design.scale, design.convertParents);
        design.model(m);
        DemoBody body{design.name, {}, design.packed};
        if (const Fault fault = m.build(&body.bytes)) return withContext(design.name, fault);
        bodies->push_back(std::move(body));
    }
    return noFault();
}
