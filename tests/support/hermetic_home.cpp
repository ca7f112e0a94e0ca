// Compiled into every test program: it runs as a user with an empty home of its own, so that
// the settings and data folders of whoever runs the tests (a reference database chosen in the
// desktop program, a personal TORVENII.mdb, a site-wide one) never change what a test sees,
// and no test writes into them. Programs the tests start inherit the same home.

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace {

struct HermeticHome {
    std::string home;

    HermeticHome()
    {
        char pattern[] = "/tmp/torven-test-home.XXXXXX";
        if (!mkdtemp(pattern))
            return;
        home = pattern;
        setenv("HOME", home.c_str(), 1);
        unsetenv("XDG_DATA_HOME");
        unsetenv("XDG_CONFIG_HOME");
        // No system data folder: only the build tree's database, beside the programs.
        setenv("XDG_DATA_DIRS", (home + "/no-system-data").c_str(), 1);
    }
    ~HermeticHome()
    {
        std::error_code ignored;
        if (!home.empty())
            std::filesystem::remove_all(home, ignored);
    }
};

const HermeticHome hermeticHome;

}  // namespace
