#include "crc32c.h"

#include <array>

#include "zelkit.h"

namespace zel::toolkit {
namespace {

constexpr uint32_t kPolynomial = 0x82F63B78u;  // reflected Castagnoli

constexpr std::array<uint32_t, 256> MakeTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t byte = 0; byte < 256; ++byte) {
        uint32_t crc = byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1u) != 0 ? (crc >> 1) ^ kPolynomial : crc >> 1;
        table[byte] = crc;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kTable = MakeTable();

}  // namespace

uint32_t Crc32c(uint32_t crc, const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = kTable[(crc ^ bytes[i]) & 0xFFu] ^ (crc >> 8);
    return ~crc;
}

std::string HexOf(uint32_t value) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text(8, '0');
    for (int i = 7; i >= 0; --i) {
        text[static_cast<size_t>(i)] = kDigits[value & 0xFu];
        value >>= 4;
    }
    return text;
}

bool ParseHex(const std::string& text, uint32_t* value) {
    if (text.size() != 8) return false;
    uint32_t result = 0;
    for (char c : text) {
        uint32_t digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<uint32_t>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<uint32_t>(c - 'a' + 10);
        } else {
            return false;
        }
        result = (result << 4) | digit;
    }
    *value = result;
    return true;
}

}  // namespace zel::toolkit

uint32_t Z_Crc32c(uint32_t crc, const void* data, size_t size) { return zel::toolkit::Crc32c(crc, data, size); }
