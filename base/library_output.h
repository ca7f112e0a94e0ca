#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

// Some C libraries we build on (libmdb, libxlsxwriter) print their own diagnostics with
// printf and fprintf. The core reports through its error texts only, so while such a
// library runs, standard output and standard error point at /dev/null. The program does
// its work on one thread, so nothing else writes meanwhile.
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
    }
    ~LibraryOutputSilencer()
    {
        std::fflush(stdout);
        std::fflush(stderr);
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
