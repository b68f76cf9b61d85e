// decimal_text.cpp: "%.7g" through integer arithmetic where that is provably exact, and through
// the library's exact conversion everywhere else.
#include "exchange/decimal_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace {

// 10^0 .. 10^10, each exact as a double.
constexpr double exactPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10};
// 10^-4 .. 10^6, as doubles (the negative ones rounded): only a first guess at the exponent.
constexpr double guessPowers[] = {1e-4, 1e-3, 1e-2, 1e-1, 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};

char* writeExactly(char* out, double value)
{
    return std::to_chars(out, out + decimal7Room, value, std::chars_format::general, 7).ptr;
}

}  // namespace

char* writeDecimal7(char* out, double value)
{
    // The fast way covers what "%.7g" writes without an exponent: 1e-4 <= |value| < 1e7 once rounded.
    const double magnitude = std::fabs(value);
    if (!(magnitude >= 1e-4 && magnitude < 9999999.0)) return writeExactly(out, value);
    int exponent = 6;
    while (exponent > -4 && magnitude < guessPowers[exponent + 4]) --exponent;

    // The seven significant digits: magnitude * 10^(6 - exponent), below 10^7, is off the exact
    // product by at most half an ulp (under 1e-9), so it rounds as the exact one does unless it
    // lies almost halfway between two integers. Those, and a wrong guess, go the exact way.
    const double scaled = magnitude * exactPowers[6 - exponent];
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (std::fabs(fraction - 0.5) < 1e-7) return writeExactly(out, value);
    auto digits = static_cast<uint32_t>(whole) + (fraction > 0.5 ? 1u : 0u);
    if (digits == 10000000u) {  // rounded up into the next power of ten
        digits = 1000000u;
        ++exponent;
    }
    if (digits < 1000000u || digits >= 10000000u || exponent > 6) return writeExactly(out, value);

    char text[7];
    for (int i = 6; i >= 0; --i, digits /= 10) text[i] = static_cast<char>('0' + digits % 10);
    int last = 6;  // trailing zeros of the fraction are not written
    while (last > exponent && last > 0 && text[last] == '0') --last;

    if (value < 0) *out++ = '-';
    if (exponent >= 0) {
        for (int i = 0; i <= exponent; ++i) *out++ = text[i];
        if (last > exponent) {
            *out++ = '.';
            for (int i = exponent + 1; i <= last; ++i) *out++ = text[i];
        }
    } else {
        *out++ = '0';
        *out++ = '.';
        for (int i = -1; i > exponent; --i) *out++ = '0';
        for (int i = 0; i <= last; ++i) *out++ = text[i];
    }
    return out;
}
