// decimal_text_test.cpp: the fast "%.7g" against the library's exact conversion, over the
// magnitudes OBJ coordinates take, every bit pattern, and the edges of its fast path.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "exchange/decimal_text.h"

namespace {

std::string fast(double v)
{
    char text[decimal7Room];
    return std::string(text, writeDecimal7(text, v));
}

std::string exact(double v)
{
    char text[64];
    return std::string(text, std::to_chars(text, text + sizeof text, v, std::chars_format::general, 7).ptr);
}

TEST(DecimalText, WritesWhatPrintfWritesForRandomValues)
{
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> decades(-6, 8);
    int wrong = 0;
    for (int i = 0; i < 500000 && wrong < 5; ++i) {
        uint64_t bits = random();
        double anyBits;
        std::memcpy(&anyBits, &bits, sizeof anyBits);
        const double magnitude = std::pow(10.0, decades(random));
        const double values[] = {anyBits, (bits & 1) != 0 ? magnitude : -magnitude,
                                 static_cast<double>(static_cast<int64_t>(random() % 2000000000)) /
                                     std::pow(10.0, static_cast<double>(random() % 12)),
                                 static_cast<int16_t>(random()) * 0.0025f};
        for (const double v : values) {
            if (std::isfinite(v) && fast(v) != exact(v)) {
                ADD_FAILURE() << std::hexfloat << v << ": " << fast(v) << " instead of " << exact(v);
                ++wrong;
            }
        }
    }
}

TEST(DecimalText, WritesWhatPrintfWritesAtTheEdges)
{
    std::vector<double> edges = {
        0.0,           -0.0,  0.5,    1234567.5, 1234568.5, 9999998.5, 9999999.5,  999999.95, 0.0001, 0.0000999999995,
        0.00012345675, 1e300, 1e-300, INFINITY,  -INFINITY, NAN,       123456789.0};
    for (int k = -6; k <= 8; ++k) {
        const double p = std::pow(10.0, k);
        for (const double q : {p, p * 0.5, p * 1.5, p * 9.9999995}) {
            edges.insert(edges.end(), {q, std::nextafter(q, 0.0), std::nextafter(q, 1e300)});
        }
    }
    for (const double e : edges) {
        for (const double v : {e, -e}) EXPECT_EQ(fast(v), exact(v)) << std::hexfloat << v;
    }
}

}  // namespace
