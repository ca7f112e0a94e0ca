#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

// SHA-256 (FIPS 180-4), so that a results file can name the exact sample workbook and
// reference database that produced it: a reviewer recomputes the digest with sha256sum.
class Sha256 {
public:
    using Digest = std::array<std::uint8_t, 32>;

    Sha256();
    void update(const void* data, std::size_t size);
    // The digest of everything updated so far; the object is then spent.
    Digest finish();

    static std::string hex(const Digest& digest);

private:
    void compress(const std::uint8_t* block);

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> block_{};
    std::size_t blockSize_ = 0;
    std::uint64_t totalBytes_ = 0;
};

// The lower-case hex digest of a file's bytes; false with the system's reason when the
// file cannot be read. A set `stop` ends the reading early (false, error "stopped").
bool Sha256OfFile(const std::string& path, std::string& hexDigest, std::string& error,
                  const std::atomic<bool>* stop = nullptr);
