#include "base/sha256.h"

#include "base/regular_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#if defined(__x86_64__) && defined(__GNUC__)
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace {

constexpr std::array<std::uint32_t, 64> kRoundConstants = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::uint32_t rotr(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

std::atomic<bool> portableChosen{false};

#if defined(__x86_64__) && defined(__GNUC__)
#define TORVEN_SHA_INSTRUCTIONS 1

// The processor's word (CPUID): SHA extensions (leaf 7, EBX bit 29) and SSE4.1 (leaf 1,
// ECX bit 19), which the code below uses besides.
bool hasShaInstructions()
{
    static const bool has = [] {
        unsigned a = 0, b = 0, c = 0, d = 0;
        if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & (1u << 19)))
            return false;
        return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & (1u << 29)) != 0;
    }();
    return has;
}

// The 64 rounds of each block with the SHA extensions: the state is kept as the
// instructions want it (ABEF and CDGH), four rounds a step, the message schedule worked
// out four words at a time in the four message registers in turn.
__attribute__((target("sha,sse4.1"))) void compressWithShaInstructions(std::uint32_t* state, const std::uint8_t* data,
                                                                      std::size_t blocks)
{
    const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
    __m128i tmp = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0xB1);  // CDAB
    __m128i state1 = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4)), 0x1B);  // EFGH
    __m128i state0 = _mm_alignr_epi8(tmp, state1, 8);  // ABEF
    state1 = _mm_blend_epi16(state1, tmp, 0xF0);        // CDGH
    for (; blocks > 0; --blocks, data += 64) {
        const __m128i abefBefore = state0;
        const __m128i cdghBefore = state1;
        __m128i message[4];
        for (int i = 0; i < 4; ++i)
            message[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i)), byteSwap);
#pragma GCC unroll 16
        for (int i = 0; i < 16; ++i) {
            __m128i& now = message[i % 4];
            __m128i words = _mm_add_epi32(now, _mm_loadu_si128(reinterpret_cast<const __m128i*>(&kRoundConstants[4 * i])));
            state1 = _mm_sha256rnds2_epu32(state1, state0, words);
            if (i >= 3 && i < 15) {
                __m128i& ahead = message[(i + 1) % 4];
                ahead = _mm_add_epi32(ahead, _mm_alignr_epi8(now, message[(i + 3) % 4], 4));
                ahead = _mm_sha256msg2_epu32(ahead, now);
            }
            words = _mm_shuffle_epi32(words, 0x0E);
            state0 = _mm_sha256rnds2_epu32(state0, state1, words);
            if (i >= 1 && i < 13) {
                __m128i& before = message[(i + 3) % 4];
                before = _mm_sha256msg1_epu32(before, now);
            }
        }
        state0 = _mm_add_epi32(state0, abefBefore);
        state1 = _mm_add_epi32(state1, cdghBefore);
    }
    tmp = _mm_shuffle_epi32(state0, 0x1B);     // FEBA
    state1 = _mm_shuffle_epi32(state1, 0xB1);  // DCHG
    state0 = _mm_blend_epi16(tmp, state1, 0xF0);  // DCBA
    state1 = _mm_alignr_epi8(state1, tmp, 8);     // HGFE
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), state0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), state1);
}
#endif

}  // namespace

void Sha256::setWay(Way way) { portableChosen = way == Way::Portable; }

void Sha256::compress(const std::uint8_t* data, std::size_t blocks)
{
#ifdef TORVEN_SHA_INSTRUCTIONS
    if (!portableChosen.load(std::memory_order_relaxed) && hasShaInstructions()) {
        compressWithShaInstructions(state_.data(), data, blocks);
        return;
    }
#endif
    for (; blocks > 0; --blocks, data += 64)
        compressPortable(data);
}

Sha256::Sha256()
    : state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19}
{
}

void Sha256::compressPortable(const std::uint8_t* block)
{
    std::array<std::uint32_t, 64> w;
    for (int i = 0; i < 16; ++i)
        w[i] = std::uint32_t(block[4 * i]) << 24 | std::uint32_t(block[4 * i + 1]) << 16 |
               std::uint32_t(block[4 * i + 2]) << 8 | std::uint32_t(block[4 * i + 3]);
    for (int i = 16; i < 64; ++i) {
        const std::uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
        const std::uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    std::uint32_t e = state_[4], f = state_[5], g = state_[6], h = state_[7];
    for (int i = 0; i < 64; ++i) {
        const std::uint32_t t1 = h + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) +
                                 kRoundConstants[i] + w[i];
        const std::uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
    state_[4] += e;
    state_[5] += f;
    state_[6] += g;
    state_[7] += h;
}

void Sha256::update(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    totalBytes_ += size;
    while (size > 0) {
        if (blockSize_ == 0 && size >= 64) {
            const std::size_t blocks = size / 64;
            compress(bytes, blocks);
            bytes += blocks * 64;
            size -= blocks * 64;
            continue;
        }
        const std::size_t take = std::min(size, 64 - blockSize_);
        std::memcpy(block_.data() + blockSize_, bytes, take);
        blockSize_ += take;
        bytes += take;
        size -= take;
        if (blockSize_ == 64) {
            compress(block_.data(), 1);
            blockSize_ = 0;
        }
    }
}

Sha256::Digest Sha256::finish()
{
    const std::uint64_t bits = totalBytes_ * 8;
    // The message ends with a 1 bit, zeros up to 56 bytes into a block, then its length.
    const std::uint8_t one = 0x80;
    update(&one, 1);
    const std::uint8_t zero = 0;
    while (blockSize_ != 56)
        update(&zero, 1);
    std::uint8_t length[8];
    for (int i = 0; i < 8; ++i)
        length[i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
    update(length, 8);
    Digest digest;
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 4; ++j)
            digest[4 * i + j] = static_cast<std::uint8_t>(state_[i] >> (24 - 8 * j));
    return digest;
}

std::string Sha256::hex(const Digest& digest)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(64);
    for (std::uint8_t byte : digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

bool Sha256OfFile(const std::string& path, std::string& hexDigest, std::string& error,
                  const std::atomic<bool>* stop)
{
    const int fd = OpenRegularFile(path, error);
    if (fd < 0)
        return false;
    Sha256 sha;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        if (stop && stop->load(std::memory_order_relaxed)) {
            error = "stopped";
            ::close(fd);
            return false;
        }
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = std::strerror(errno);
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        sha.update(buffer.data(), static_cast<std::size_t>(n));
    }
    ::close(fd);
    hexDigest = Sha256::hex(sha.finish());
    return true;
}
