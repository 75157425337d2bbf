// SHA-256 (FIPS 180-4), for the fingerprint of a file whose copy is kept where only
// administrators can write: a file whose bytes changed since no longer matches it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class CSha256 {
public:
    using Digest = std::array<std::uint8_t, 32>;

    CSha256();
    // Adds bytes; a text may come in any number of pieces.
    void Update(std::string_view bytes);
    // The digest of everything added so far; more may be added after.
    Digest Finish() const;
    // The same as 64 lower-case hexadecimal digits.
    std::string FinishHex() const;

private:
    void Compress(const std::uint8_t* block);

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> pending_{};
    std::size_t pendingSize_ = 0;
    std::uint64_t length_ = 0; // bytes added
};

// The hexadecimal SHA-256 of bytes.
std::string Sha256Hex(std::string_view bytes);
