#include "base/file_digest.h"

#include <system_error>
#include <utility>

#include "base/sha256.h"

FileDigest::FileDigest(std::string path) : path_(std::move(path))
{
    try {
        thread_ = std::thread([this] { take(); });
    } catch (const std::system_error&) {
        // No thread to be had: result() takes the digest itself.
    }
}

FileDigest::~FileDigest()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

void FileDigest::take()
{
    std::string error;
    if (!Sha256OfFile(path_, digest_, error, &stop_))
        digest_.clear();
    taken_ = true;
}

std::string FileDigest::result()
{
    if (thread_.joinable())
        thread_.join();
    if (!taken_)
        take();
    return digest_;
}
