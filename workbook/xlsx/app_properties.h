#pragma once

#include <string>

namespace wb::xlsx {

// Copies the .xlsx package at `from` to `to` (an existing file, truncated) entry by
// entry, with the writing program in docProps/app.xml named `application`: libxlsxwriter
// always names itself "Microsoft Excel" there. Every other entry is copied as it is
// stored, without inflating it. False with a reason.
bool copyWithApplication(const std::string& from, const std::string& to, const std::string& application,
                         std::string& error);

}  // namespace wb::xlsx
