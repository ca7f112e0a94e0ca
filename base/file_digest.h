#pragma once

#include <atomic>
#include <string>
#include <thread>

// The SHA-256 of a file, taken on a thread of its own while the caller goes on (reading
// the same file for its contents): with a core to spare, the digest then costs no time.
//
//   FileDigest digest(path);      // starts reading
//   ... read the workbook ...
//   std::string hex = digest.result();
//
// Destroyed before result(), it stops the thread at its next chunk and waits for it.
class FileDigest {
public:
    explicit FileDigest(std::string path);
    ~FileDigest();
    FileDigest(const FileDigest&) = delete;
    FileDigest& operator=(const FileDigest&) = delete;

    // Waits for the digest: lower-case hex, or empty when the file could not be read.
    std::string result();

private:
    void take();

    std::string path_;
    std::string digest_;
    bool taken_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
