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

    // How blocks are compressed: with the processor's SHA instructions where it has them
    // (x86-64 processors of the last years; several times quicker), else by portable code.
    // Both give the same digests; tests choose Portable to check that way on any machine.
    enum class Way { Fastest, Portable };
    static void setWay(Way way);

private:
    // Compresses `blocks` whole blocks of 64 bytes from `data` into the state.
    void compress(const std::uint8_t* data, std::size_t blocks);
    void compressPortable(const std::uint8_t* block);

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> block_{};
    std::size_t blockSize_ = 0;
    std::uint64_t totalBytes_ = 0;
};

// The lower-case hex digest of a file's bytes; false with the system's reason when the
// file cannot be read. A set `stop` ends the reading early (false, error "stopped").
bool Sha256OfFile(const std::string& path, std::string& hexDigest, std::string& error,
                  const std::atomic<bool>* stop = nullptr);
