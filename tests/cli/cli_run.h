#pragma once

#include <string>

#include "tests/support/temp_dir.h"

// Runs the built torven-cli with arguments (already quoted for the shell) and keeps what
// it wrote on each stream.
struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline CliRun runCli(const testing_support::TempDir& dir, const std::string& arguments)
{
    CliRun run;
    const std::string errPath = dir.file("stderr.txt");
    run.out = testing_support::commandOutput(
        testing_support::shellQuote(std::string(TORVEN_BIN_DIR) + "/torven-cli") + " " + arguments + " 2>"
            + testing_support::shellQuote(errPath),
        &run.status);
    run.err = testing_support::readFile(errPath);
    return run;
}
