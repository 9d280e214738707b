// SHA-256 as FIPS 180-4 defines it, written out here so that the toolkit
// needs no library for it: the upgrade checks every file of its package
// against the digest the build wrote beside it.
#include <cstring>

#include "zelkit.h"

namespace {

constexpr uint32_t kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

constexpr uint32_t kInitialState[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                       0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

constexpr uint32_t Rotate(uint32_t value, int bits) { return (value >> bits) | (value << (32 - bits)); }

// The message words are big-endian on every processor.
uint32_t LoadBigEndian(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
           static_cast<uint32_t>(bytes[2]) << 8 | static_cast<uint32_t>(bytes[3]);
}

void Compress(uint32_t (&state)[8], const uint8_t* block) {
    uint32_t w[64];
    for (int i = 0; i < 16; ++i) w[i] = LoadBigEndian(block + 4 * i);
    for (int i = 16; i < 64; ++i) {
        const uint32_t s0 = Rotate(w[i - 15], 7) ^ Rotate(w[i - 15], 18) ^ (w[i - 15] >> 3);
        const uint32_t s1 = Rotate(w[i - 2], 17) ^ Rotate(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (int i = 0; i < 64; ++i) {
        const uint32_t s1 = Rotate(e, 6) ^ Rotate(e, 11) ^ Rotate(e, 25);
        const uint32_t choice = (e & f) ^ (~e & g);
        const uint32_t t1 = h + s1 + choice + kRoundConstants[i] + w[i];
        const uint32_t s0 = Rotate(a, 2) ^ Rotate(a, 13) ^ Rotate(a, 22);
        const uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
        const uint32_t t2 = s0 + majority;
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
}

}  // namespace

void Z_Sha256Begin(ZSha256* hash) {
    std::memcpy(hash->state, kInitialState, sizeof kInitialState);
    hash->length = 0;
    std::memset(hash->block, 0, sizeof hash->block);
}

void Z_Sha256Add(ZSha256* hash, const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t held = static_cast<size_t>(hash->length % sizeof hash->block);
    hash->length += size;
    if (held > 0) {
        const size_t taken = size < sizeof hash->block - held ? size : sizeof hash->block - held;
        std::memcpy(hash->block + held, bytes, taken);
        bytes += taken;
        size -= taken;
        held += taken;
        if (held < sizeof hash->block) return;
        Compress(hash->state, hash->block);
    }
    for (; size >= sizeof hash->block; bytes += sizeof hash->block, size -= sizeof hash->block) {
        Compress(hash->state, bytes);
    }
    if (size > 0) std::memcpy(hash->block, bytes, size);
}

void Z_Sha256End(ZSha256* hash, uint8_t (&digest)[Z_SHA256_SIZE]) {
    // The padding: one bit, zeros up to 56 bytes of a block, the length in
    // bits as eight big-endian bytes.
    const uint64_t bits = hash->length * 8;
    const uint8_t one = 0x80;
    Z_Sha256Add(hash, &one, 1);
    const uint8_t zeros[sizeof hash->block] = {};
    const size_t held = static_cast<size_t>(hash->length % sizeof hash->block);
    Z_Sha256Add(hash, zeros, held <= 56 ? 56 - held : 64 + 56 - held);
    uint8_t length[8];
    for (int i = 0; i < 8; ++i) length[i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
    Z_Sha256Add(hash, length, sizeof length);
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 4; ++j) digest[4 * i + j] = static_cast<uint8_t>(hash->state[i] >> (24 - 8 * j));
    }
}
