// demo_palette.cpp: the demo palette, sixteen ramps from dark to light.
#include <algorithm>
#include <cmath>

#include "demo/demo_data.h"

namespace {

// The full-strength colour of each ramp, in the order of demo::Ramp (modeler.h).
const uint8_t rampColours[16][3] = {
    {255, 255, 255}, {255, 196, 150}, {235, 50, 45},  {255, 140, 30},  {255, 225, 60}, {90, 205, 70},
    {40, 190, 170},  {60, 120, 255},  {165, 90, 235}, {255, 110, 185}, {170, 105, 55}, {150, 170, 200},
    {160, 170, 80},  {90, 220, 255},  {240, 185, 50}, {250, 240, 215},
};

}  // namespace

std::vector<uint8_t> demoPalette()
{
    std::vector<uint8_t> out(768);
    for (int ramp = 0; ramp < 16; ++ramp) {
        for (int step = 0; step < 16; ++step) {
            // From 14% to full strength, the last steps whitening a little for highlights.
            const double strength = 0.14 + 0.86 * step / 15.0;
            const double white = step > 11 ? 0.07 * (step - 11) : 0.0;
            for (int c = 0; c < 3; ++c) {
                const double v = rampColours[ramp][c] * strength * (1.0 - white) + 255.0 * white;
                out[static_cast<size_t>((ramp * 16 + step) * 3 + c)] =
                    static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
            }
        }
    }
    out[0] = out[1] = out[2] = 0;  // index 0 is true black
    return out;
}
