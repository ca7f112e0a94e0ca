#pragma once

#include <string>

// Makes folder (and the folders above it) for the files an export writes. False, with
// "Cannot create the folder ..." and the reason in error, when it cannot be made or is
// not a folder.
bool CreateOutputFolder(const std::string& folder, std::string& error);
