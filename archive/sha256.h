// sha256.h: SHA-256 (FIPS 180-4), for telling an archive, an entry or a patch from any other.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

using Sha256Digest = std::array<uint8_t, 32>;

// Hashes a message given in pieces of any size.
class Sha256 {
public:
    Sha256();
    void add(std::span<const uint8_t> bytes);
    Sha256Digest finish();  // once; the object is spent afterwards

private:
    void compress(const uint8_t* blocks, std::size_t count);

    uint32_t state_[8];
    uint8_t pending_[64];
    std::size_t pendingSize_ = 0;
    uint64_t total_ = 0;  // bytes added
};

Sha256Digest sha256(std::span<const uint8_t> bytes);

// For the tests: the portable code even where the processor's SHA instructions are at hand.
void sha256PortableOnly(bool on);

// The digest as 64 lower-case hexadecimal digits.
std::string hexOf(const Sha256Digest& digest);
