#include "tests/support/memory_limit.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <new>

namespace testing_support {

bool SanitizedBuild()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

testing::AssertionResult RunsWithin(std::size_t memoryBytes, unsigned seconds, const std::function<bool()>& body)
{
    constexpr int kBodyFalse = 1, kOutOfMemory = 3, kException = 4;
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0)
        return testing::AssertionFailure() << "fork failed";
    if (child == 0) {
        if (!SanitizedBuild()) {
            rlimit limit{memoryBytes, memoryBytes};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        ::alarm(seconds);
        int status = 0;
        try {
            status = body() ? 0 : kBodyFalse;
        } catch (const std::bad_alloc&) {
            status = kOutOfMemory;
        } catch (...) {
            status = kException;
        }
        std::fflush(nullptr);
        ::_exit(status);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child)
        return testing::AssertionFailure() << "lost the child process";
    if (WIFSIGNALED(status)) {
        if (WTERMSIG(status) == SIGALRM)
            return testing::AssertionFailure() << "still running after " << seconds << " s";
        return testing::AssertionFailure() << "killed by signal " << WTERMSIG(status);
    }
    switch (WEXITSTATUS(status)) {
    case 0: return testing::AssertionSuccess();
    case kBodyFalse: return testing::AssertionFailure() << "the check in the child failed (see its output)";
    case kOutOfMemory: return testing::AssertionFailure() << "ran out of its " << (memoryBytes >> 20) << " MiB";
    default: return testing::AssertionFailure() << "exit status " << WEXITSTATUS(status);
    }
}

}  // namespace testing_support
