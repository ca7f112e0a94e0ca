#include <cstdio>
#include <map>
#include <new>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli/commands.h"
#include "torven_version.h"

namespace cli {

static std::map<std::string, CommandFunction>& registry()
{
    static std::map<std::string, CommandFunction> commands;
    return commands;
}

CommandRegistration::CommandRegistration(const char* name, CommandFunction run)
{
    registry()[name] = run;
}

CommandFunction findCommand(const std::string& name)
{
    auto it = registry().find(name);
    return it == registry().end() ? nullptr : it->second;
}

std::string programDirectory()
{
    std::vector<char> buffer(4096);
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0)
        return "";
    std::string path(buffer.data(), static_cast<std::size_t>(n));
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

torven::DataFileSearch findReferenceDatabase()
{
    return torven::FindReferenceDatabase(programDirectory());
}

void writeRecord(const std::vector<std::string>& fields)
{
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += '\t';
        line += escapeField(fields[i]);
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
}

std::string escapeField(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        default: out += c;
        }
    }
    return out;
}

}  // namespace cli

static const char* kUsage =
    "Usage:\n"
    "  torven-cli assess WORKBOOK [WORKBOOK ...] [--sheet NAME] [--first-row N] [--first-col COL]\n"
    "                    [--metric TDI|LTDI|DAM] [--alkalinity V] [--calcium V] [--doc V]\n"
    "                    [--db PATH] [-o PATH] [--csv DIR] [--chart DIR] [--taxon-map FILE]\n"
    "                    [--verbose] [--quiet]\n"
    "  torven-cli assess --job FILE [options of assess]\n"
    "                    (FILE: CSV lines of workbook,sheet,first row,first column;\n"
    "                    paths relative to FILE, an empty field takes the option's value)\n"
    "  torven-cli suggest WORKBOOK [--sheet NAME] [--first-row N] [--first-col COL]\n"
    "                    [--metric TDI|LTDI|DAM] [--db PATH] [--limit K]\n"
    "  torven-cli inspect WORKBOOK [--sheet NAME] [--rows N] [--cols N]\n"
    "  torven-cli taxa [--db PATH]\n"
    "  torven-cli refdb [--db PATH] [SOURCE]\n"
    "  torven-cli refdb --info [--db PATH]\n"
    "  torven-cli refdb --check [--db PATH]\n"
    "  torven-cli refdb --diff OLD NEW\n"
    "  torven-cli --version\n"
    "  torven-cli --help\n"
    "\n"
    "Messages go to standard error as the desktop program shows them; a message about a file\n"
    "that could not be read or written is followed by a line with the file's name and the reason.\n"
    "Exit status: 0 done, 1 import or analysis failed, 2 usage error, 3 results not written.\n";

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(kUsage, stderr);
        return cli::exitUsage;
    }
    if (args[0] == "--version") {
        std::printf("%s Version %s\n", torven::kProductName, torven::kProductVersion);
        return cli::exitOk;
    }
    if (args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, stdout);
        std::fputs("\nTORVEN II is free software: you can redistribute it and/or modify it under the terms\n"
                   "of the GNU General Public License, version 3 or (at your option) any later version.\n"
                   "It comes with ABSOLUTELY NO WARRANTY.\n",
                   stdout);
        return cli::exitOk;
    }
    cli::CommandFunction run = cli::findCommand(args[0]);
    if (!run) {
        std::fprintf(stderr, "torven-cli: unknown command '%s'\n", args[0].c_str());
        std::fputs(kUsage, stderr);
        return cli::exitUsage;
    }
    try {
        return run(std::vector<std::string>(args.begin() + 1, args.end()));
    } catch (const std::bad_alloc&) {
        // The readers bound what a file may make them allocate, but a large real file on a
        // small machine can still exhaust memory: that is a failed read, not a crash. The
        // workbook commands report it as the read they were doing; the others by name.
        if (args[0] == "assess" || args[0] == "inspect" || args[0] == "suggest")
            std::fputs("Error reading file\nnot enough memory\n", stderr);
        else
            std::fprintf(stderr, "torven-cli %s: not enough memory\n", args[0].c_str());
        return cli::exitFailed;
    }
}
