#include "crc32c.h"

#include <array>
#include <cstring>

#include "zelkit.h"

namespace zel::toolkit {
namespace {

constexpr uint32_t kPolynomial = 0x82F63B78u;  // reflected Castagnoli

// Eight tables, one per byte position of a 64-bit word: the checksum of a
// file moved aside whole is taken over hundreds of megabytes, eight bytes
// at a time.
using Tables = std::array<std::array<uint32_t, 256>, 8>;

constexpr Tables MakeTables() {
    Tables tables{};
    for (uint32_t byte = 0; byte < 256; ++byte) {
        uint32_t crc = byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1u) != 0 ? (crc >> 1) ^ kPolynomial : crc >> 1;
        tables[0][byte] = crc;
    }
    for (uint32_t byte = 0; byte < 256; ++byte) {
        for (size_t k = 1; k < 8; ++k) tables[k][byte] = (tables[k - 1][byte] >> 8) ^ tables[0][tables[k - 1][byte] & 0xFFu];
    }
    return tables;
}

constexpr Tables kTables = MakeTables();

// Four bytes as the checksum takes them, lowest first on every processor.
uint32_t Word(const unsigned char* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

uint32_t Portable(uint32_t crc, const unsigned char* bytes, size_t size) {
    while (size >= 8) {
        uint32_t low = Word(bytes) ^ crc;
        const uint32_t high = Word(bytes + 4);
        crc = kTables[7][low & 0xFFu] ^ kTables[6][(low >> 8) & 0xFFu] ^ kTables[5][(low >> 16) & 0xFFu] ^
              kTables[4][low >> 24] ^ kTables[3][high & 0xFFu] ^ kTables[2][(high >> 8) & 0xFFu] ^
              kTables[1][(high >> 16) & 0xFFu] ^ kTables[0][high >> 24];
        bytes += 8;
        size -= 8;
    }
    for (; size > 0; --size, ++bytes) crc = kTables[0][(crc ^ *bytes) & 0xFFu] ^ (crc >> 8);
    return crc;
}

// a times b modulo the polynomial, both taken as polynomials over GF(2) in
// the checksum's reflected order (the highest bit is x^0).
constexpr uint32_t MultiplyModulo(uint32_t a, uint32_t b) {
    uint32_t product = 0;
    for (uint32_t bit = 1u << 31; bit != 0; bit >>= 1) {
        if ((a & bit) != 0) product ^= b;
        b = (b & 1u) != 0 ? (b >> 1) ^ kPolynomial : b >> 1;
    }
    return product;
}

// x^(8 count) modulo the polynomial: a checksum register times it is the
// register moved on over count zero bytes.
constexpr uint32_t ZerosOperator(uint64_t count) {
    uint32_t result = 1u << 31;   // x^0
    uint32_t power = 1u << 23;    // x^8
    for (; count != 0; count >>= 1) {
        if ((count & 1u) != 0) result = MultiplyModulo(result, power);
        power = MultiplyModulo(power, power);
    }
    return result;
}

// The instruction takes three cycles before its result can feed the next,
// but starts one a cycle: three lanes of a block are summed side by side,
// the second and third from a register of 0, and joined by moving the
// earlier lanes' registers over the bytes after them.
constexpr size_t kLane = 8192;
constexpr uint32_t kOverOneLane = ZerosOperator(kLane);
constexpr uint32_t kOverTwoLanes = ZerosOperator(2 * kLane);

#if defined(__GNUC__) && defined(__x86_64__)
// The processor's own CRC-32C instruction (SSE 4.2), where it has one.
__attribute__((target("sse4.2"))) uint32_t Hardware(uint32_t crc, const unsigned char* bytes, size_t size) {
    uint64_t wide = crc;
    while (size >= 3 * kLane) {
        uint64_t first = wide;
        uint64_t second = 0;
        uint64_t third = 0;
        for (size_t at = 0; at < kLane; at += 8) {
            uint64_t words[3];
            std::memcpy(&words[0], bytes + at, 8);
            std::memcpy(&words[1], bytes + kLane + at, 8);
            std::memcpy(&words[2], bytes + 2 * kLane + at, 8);
            first = __builtin_ia32_crc32di(first, words[0]);
            second = __builtin_ia32_crc32di(second, words[1]);
            third = __builtin_ia32_crc32di(third, words[2]);
        }
        wide = MultiplyModulo(kOverTwoLanes, static_cast<uint32_t>(first)) ^
               MultiplyModulo(kOverOneLane, static_cast<uint32_t>(second)) ^ static_cast<uint32_t>(third);
        bytes += 3 * kLane;
        size -= 3 * kLane;
    }
    while (size >= 8) {
        uint64_t word;
        std::memcpy(&word, bytes, 8);
        wide = __builtin_ia32_crc32di(wide, word);
        bytes += 8;
        size -= 8;
    }
    crc = static_cast<uint32_t>(wide);
    for (; size > 0; --size, ++bytes) crc = __builtin_ia32_crc32qi(crc, *bytes);
    return crc;
}

bool HasHardware() {
    static const bool has = __builtin_cpu_supports("sse4.2");
    return has;
}
#else
uint32_t Hardware(uint32_t crc, const unsigned char* bytes, size_t size) { return Portable(crc, bytes, size); }
bool HasHardware() { return false; }
#endif

}  // namespace

uint32_t Crc32c(uint32_t crc, const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    crc = ~crc;
    crc = HasHardware() ? Hardware(crc, bytes, size) : Portable(crc, bytes, size);
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
