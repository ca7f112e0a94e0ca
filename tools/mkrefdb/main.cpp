// torven-mkrefdb -o OUT [--format jet4|ace12] TABLE=FILE.csv [TABLE=FILE.csv ...]
//
// Writes an Access database with one table per argument, in the order given, each filled
// from its CSV file. Every input is read and checked before anything is written, and OUT
// is replaced only by a complete file.
//
// Exit status: 0 written; 1 an input file is bad (the message names the file, the line and
// the reason); 2 the command line is wrong; 3 OUT could not be written (the message names
// it and the reason), as torven-cli reports a results file it could not write.

#include <cstdio>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "refdb/jet/csv_table.h"
#include "refdb/jet/writer.h"

namespace {

constexpr const char* kUsage = "usage: torven-mkrefdb -o OUT [--format jet4|ace12] TABLE=FILE.csv [TABLE=FILE.csv ...]\n";

int usageError(const std::string& message)
{
    std::fprintf(stderr, "torven-mkrefdb: %s\n%s", message.c_str(), kUsage);
    return 2;
}

struct TableArgument {
    std::string table;
    std::string file;
};

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
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "-h" || argument == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
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

    std::vector<refdb::TableSpec> tables;
    std::string error;
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
    if (!refdb::writeAccessFile(tables, output, format, error)) {
        std::fprintf(stderr, "torven-mkrefdb: %s\n", error.c_str());
        return 3;
    }
    return 0;
}

}  // namespace
