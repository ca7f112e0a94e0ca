#pragma once

#include <clocale>
#include <locale.h>
#include <string>

namespace wb::xlsx {

// A new file beside the target, renamed over it only when commit() is called: a save
// that fails half-way leaves the target as it was. Removed on destruction unless
// committed.
class OutputFile {
public:
    explicit OutputFile(const std::string& target);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary file; false with a reason (folder missing or not writable).
    bool create(std::string& error);
    const std::string& temporaryPath() const { return temporary_; }
    // Renames the finished temporary file over the target; false with a reason.
    bool commit(std::string& error);

private:
    std::string target_;
    std::string temporary_;
    bool committed_ = false;
};

// Switches this thread to the C locale for its lifetime, so that numbers printed by C
// library calls (libxlsxwriter's) get a '.' whatever locale the program runs in.
class CLocaleScope {
public:
    CLocaleScope();
    ~CLocaleScope();
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t c_;
    locale_t previous_ = nullptr;
};

}  // namespace wb::xlsx
