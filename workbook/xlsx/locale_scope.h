#pragma once

#include <clocale>
#include <locale.h>
#include <string>

namespace wb::xlsx {

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
