// The silencer around libmdb keeps the library's own printing off the terminal, but never
// a sanitizer's report of a fault found meanwhile.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/library_output.h"
#include "tests/support/memory_limit.h"

namespace {

// Runs `body` in a child and returns what it wrote on standard output and standard error.
template <typename Body>
std::string childOutput(Body body)
{
    int pipeEnds[2];
    EXPECT_EQ(::pipe(pipeEnds), 0);
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::dup2(pipeEnds[1], STDERR_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        body();
        std::fflush(nullptr);
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    std::string output;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return output;
}

}  // namespace

TEST(LibraryOutput, SilencesTheLibraryAndRestoresBothStreams)
{
    const std::string output = childOutput([]() {
        {
            LibraryOutputSilencer quiet;
            std::printf("library says hello\n");
            std::fprintf(stderr, "library complains\n");
        }
        std::printf("ours\n");
        std::fprintf(stderr, "ours too\n");
    });
    EXPECT_EQ(output.find("library"), std::string::npos) << output;
    EXPECT_NE(output.find("ours\n"), std::string::npos) << output;
    EXPECT_NE(output.find("ours too\n"), std::string::npos) << output;
}

TEST(LibraryOutput, ASanitizerReportInsideTheSilencerStillShows)
{
    if (!testing_support::SanitizedBuild())
        GTEST_SKIP() << "needs the sanitized build (make test runs it)";
    const std::string output = childOutput([]() {
        LibraryOutputSilencer quiet;
        char* bytes = static_cast<char*>(std::malloc(4));
        volatile std::size_t pastTheEnd = 4;
        bytes[pastTheEnd] = 1;
        std::free(bytes);
    });
    EXPECT_NE(output.find("AddressSanitizer"), std::string::npos) << output;
}
