// fixed_point.h: the pipeline's 16384-as-1.0 arithmetic, wrapping modulo 2^32 like 32-bit hardware.
// Products and sums are formed in unsigned arithmetic (defined wrap-around); only the finished
// sum is turned back into a signed value and shifted, arithmetically, by 14.
#pragma once

#include <cstdint>

inline constexpr int fixedShift = 14;
inline constexpr int32_t fixedOne = 16384;

// a * b modulo 2^32.
inline uint32_t wrapMul(int32_t a, int32_t b) { return static_cast<uint32_t>(a) * static_cast<uint32_t>(b); }

// The wrapped sum read as two's complement, shifted right arithmetically by 14.
inline int32_t shiftDown(uint32_t wrappedSum) { return static_cast<int32_t>(wrappedSum) >> fixedShift; }

// a + b modulo 2^32.
inline int32_t wrapAdd(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// The low 16 bits of v, as a 16-bit store keeps them.
inline int16_t low16(int32_t v) { return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(v))); }
