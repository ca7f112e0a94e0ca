#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#if defined(__SANITIZE_ADDRESS__)
#define TORVEN_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TORVEN_SANITIZED 1
#endif
#endif
#ifdef TORVEN_SANITIZED
#include <sanitizer/common_interface_defs.h>
#endif

// Some C libraries we build on (libmdb, libxlsxwriter) print their own diagnostics with
// printf and fprintf. The core reports through its error texts only, so while such a
// library runs, standard output and standard error point at /dev/null. The program does
// its work on one thread, so nothing else writes meanwhile. In a sanitized build the
// sanitizers' reports keep going to the real standard error: a fault found inside such a
// library must never be hidden.
class LibraryOutputSilencer {
public:
    LibraryOutputSilencer()
    {
        std::fflush(stdout);
        std::fflush(stderr);
        int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        for (int i = 0; i < 2; ++i) {
            saved_[i] = ::dup(kStreams[i]);
            if (saved_[i] >= 0 && devNull >= 0)
                ::dup2(devNull, kStreams[i]);
        }
        if (devNull >= 0)
            ::close(devNull);
#ifdef TORVEN_SANITIZED
        if (saved_[1] >= 0)
            __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<std::intptr_t>(saved_[1])));
#endif
    }
    ~LibraryOutputSilencer()
    {
        std::fflush(stdout);
        std::fflush(stderr);
#ifdef TORVEN_SANITIZED
        if (saved_[1] >= 0)
            __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<std::intptr_t>(STDERR_FILENO)));
#endif
        for (int i = 0; i < 2; ++i) {
            if (saved_[i] >= 0) {
                ::dup2(saved_[i], kStreams[i]);
                ::close(saved_[i]);
            }
        }
    }
    LibraryOutputSilencer(const LibraryOutputSilencer&) = delete;
    LibraryOutputSilencer& operator=(const LibraryOutputSilencer&) = delete;

private:
    static constexpr int kStreams[2] = {STDOUT_FILENO, STDERR_FILENO};
    int saved_[2] = {-1, -1};
};
