// body_bytes.h: the passes' little-endian loads and stores, single machine accesses where the
// host is little-endian (the per-frame passes read every byte of a body, every frame).
// Callers bound every access beforehand (checkBodyForFrames); alignment never matters.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "archive/little_endian.h"

inline uint16_t loadU16(const uint8_t* p)
{
    if constexpr (std::endian::native == std::endian::little) {
        uint16_t v;
        std::memcpy(&v, p, sizeof v);
        return v;
    } else {
        return readU16(p);
    }
}

inline int16_t loadI16(const uint8_t* p) { return static_cast<int16_t>(loadU16(p)); }

inline uint32_t loadU32(const uint8_t* p)
{
    if constexpr (std::endian::native == std::endian::little) {
        uint32_t v;
        std::memcpy(&v, p, sizeof v);
        return v;
    } else {
        return readU32(p);
    }
}

inline void storeU16(uint8_t* p, uint16_t v)
{
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, &v, sizeof v);
    } else {
        writeU16(p, v);
    }
}

inline void storeU32(uint8_t* p, uint32_t v)
{
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, &v, sizeof v);
    } else {
        writeU32(p, v);
    }
}
