// CRC-32C (Castagnoli), the checksum of the file journal's lines and saved
// copies: it finds any burst of up to 32 flipped bits and nearly every other
// damage, which is what a record read back after a crash must be checked
// for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zel::toolkit {

// Continues a checksum over more bytes; start with 0.
uint32_t Crc32c(uint32_t crc, const void* data, size_t size);
inline uint32_t Crc32c(const std::string& text) { return Crc32c(0, text.data(), text.size()); }

// Eight lower-case hex digits, and back; false when text is not exactly that.
std::string HexOf(uint32_t value);
bool ParseHex(const std::string& text, uint32_t* value);

}  // namespace zel::toolkit
