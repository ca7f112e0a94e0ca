// torven-mkrefdb -o OUT [--format jet4|ace12] [--allow-problems] TABLE=FILE.csv [TABLE=FILE.csv ...]
//
// Writes an Access database with one table per argument, in the order given, each filled
// from its CSV file. Every input is read and checked before anything is written, and OUT
// is replaced only by a complete file. The database is then checked as the programs check
// a reference database (read back from a scratch copy, the way they read it); a database
// with problems is not written unless --allow-problems is given. The same inputs give the
// same bytes: the only time the file holds comes from SOURCE_DATE_EPOCH or is fixed.
//
// Exit status: 0 written; 1 an input file is bad (the message names the file, the line and
// the reason) or the database has problems (each named); 2 the command line is wrong (OUT
// among them: a FIFO, a device or one of the CSV sources); 3 OUT could not be written (the
// message names it and the reason), as torven-cli reports a results file it could not write.

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "base/safe_file.h"
#include "metrics/reference_check.h"
#include "refdb/jet/csv_table.h"
#include "refdb/jet/writer.h"

namespace {

constexpr const char* kUsage =
    "usage: torven-mkrefdb -o OUT [--format jet4|ace12] [--allow-problems] TABLE=FILE.csv [TABLE=FILE.csv ...]\n";

int usageError(const std::string& message)
{
    std::fprintf(stderr, "torven-mkrefdb: %s\n%s", message.c_str(), kUsage);
    return 2;
}

struct TableArgument {
    std::string table;
    std::string file;
};

// The problems the programs would find in the database these bytes make, read back from a
// scratch file as they read a reference database. False with the reason when no scratch
// file can be written or read.
bool checkImage(const std::string& bytes, std::vector<ReferenceProblem>& problems, std::string& error)
{
    std::string scratch = (std::filesystem::temp_directory_path() / "torven-mkrefdb.XXXXXX").string();
    const int fd = mkstemp(scratch.data());
    if (fd < 0) {
        error = "cannot write a scratch copy to check: " + std::string(std::strerror(errno));
        return false;
    }
    bool written = true;
    for (std::size_t at = 0; written && at < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + at, bytes.size() - at);
        written = n > 0;
        at += written ? static_cast<std::size_t>(n) : 0;
    }
    close(fd);
    ReferenceTables tables;
    const bool read = written && ReadReferenceTables(scratch, tables, error);
    unlink(scratch.c_str());
    if (!written) {
        error = "cannot write a scratch copy to check";
        return false;
    }
    if (!read) {
        error = "the written database cannot be read back: " + error;
        return false;
    }
    problems = CheckReferenceTables(tables);
    return true;
}

}  // namespace

namespace {
int run(int argc, char** argv);
}  // namespace

int main(int argc, char** argv)
{
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("torven-mkrefdb: not enough memory\n", stderr);
        return 1;
    }
}

namespace {

int run(int argc, char** argv)
{
    std::string output;
    refdb::JetFormat format = refdb::JetFormat::jet4;
    std::vector<TableArgument> inputs;
    bool allowProblems = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "-h" || argument == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (argument == "--allow-problems") {
            allowProblems = true;
            continue;
        }
        if (argument == "-o" || argument == "--output") {
            if (i + 1 >= argc)
                return usageError("-o needs the output file");
            output = argv[++i];
            continue;
        }
        if (argument == "--format" || argument.starts_with("--format=")) {
            std::string_view value;
            if (argument == "--format") {
                if (i + 1 >= argc)
                    return usageError("--format needs jet4 or ace12");
                value = argv[++i];
            } else {
                value = argument.substr(9);
            }
            if (value == "jet4")
                format = refdb::JetFormat::jet4;
            else if (value == "ace12")
                format = refdb::JetFormat::ace12;
            else
                return usageError("unknown format \"" + std::string(value) + "\" (jet4 or ace12)");
            continue;
        }
        if (argument.starts_with("-") && argument.find('=') == std::string_view::npos)
            return usageError("unknown option " + std::string(argument));
        const std::size_t equals = argument.find('=');
        if (equals == std::string_view::npos || equals == 0 || equals + 1 == argument.size())
            return usageError("\"" + std::string(argument) + "\" is not TABLE=FILE.csv");
        inputs.push_back({std::string(argument.substr(0, equals)), std::string(argument.substr(equals + 1))});
    }
    if (output.empty())
        return usageError("no output file (-o OUT)");
    if (inputs.empty())
        return usageError("no tables (TABLE=FILE.csv)");

    // A source written over would be lost; OUT must be a regular file or a new name.
    for (const TableArgument& input : inputs)
        safefile::ProtectInput(input.file, "a CSV source");
    std::string error;
    if (!safefile::CheckTarget(output, error))
        return usageError(output + ": " + error);

    std::vector<refdb::TableSpec> tables;
    for (const TableArgument& input : inputs) {
        refdb::TableSpec table(input.table);
        std::string reason;
        if (!refdb::checkObjectName(input.table, reason))
            return usageError("table name \"" + input.table + "\": " + reason);
        if (!refdb::readCsvTable(input.file, table, error)) {
            std::fprintf(stderr, "torven-mkrefdb: %s\n", error.c_str());
            return 1;
        }
        tables.push_back(std::move(table));
    }
    std::string bytes;
    if (!refdb::buildAccessImage(tables, format, bytes, error)) {
        std::fprintf(stderr, "torven-mkrefdb: %s\n", error.c_str());
        return 1;
    }
    if (!allowProblems) {
        std::vector<ReferenceProblem> problems;
        if (!checkImage(bytes, problems, error)) {
            std::fprintf(stderr, "torven-mkrefdb: %s\n", error.c_str());
            return 3;
        }
        if (!problems.empty()) {
            std::fprintf(stderr, "torven-mkrefdb: %s: %s, not written (--allow-problems writes it all the same):\n",
                         output.c_str(), ProblemCountLine(problems.size()).c_str());
            for (const ReferenceProblem& problem : problems) {
                std::string line;
                for (const std::string& field : ProblemFields(problem))
                    line += (line.empty() ? "" : "\t") + field;
                std::fprintf(stderr, "%s\n", line.c_str());
            }
            return 1;
        }
    }
    if (!safefile::WriteFile(output, bytes, error)) {
        std::fprintf(stderr, "torven-mkrefdb: cannot write %s: %s\n", output.c_str(), error.c_str());
        return 3;
    }
    return 0;
}

}  // namespace
